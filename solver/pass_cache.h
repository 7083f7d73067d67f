// The results of the last recalculation pass, each kept with the exact inputs it was computed
// from, so that a pass whose inputs did not change (a redisplay after a unit change, the panel
// button, the BC display, a field rewritten with its own value) takes them instead of computing
// them again. A result is taken only when every input it depends on has the same bits as then;
// the drag table and the air formulas never change, so such a result is the one the computation
// would give.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/trajectory.h"
#include "solver/bc_solver.h"

namespace velora {

class PassCache {
public:
    PassCache();
    // A copy starts empty: what it would hold is only ever a shortcut.
    PassCache(const PassCache&);
    PassCache& operator=(const PassCache&);
    ~PassCache();

    // Forget everything (the next pass computes all of it).
    void clear();

    // The trajectory flown from `in`, if it is the one kept; nullptr otherwise.
    const Trajectory* flight(const FlightInputs& in) const;
    void keep_flight(const FlightInputs& in, const Trajectory& tr);

    std::optional<float> solve(const SolveInputs& in) const;
    void keep_solve(const SolveInputs& in, float bc);

    std::optional<float> range_limit(const RangeLimitInputs& in) const;
    void keep_range_limit(const RangeLimitInputs& in, float zero_range);

    // What was computed rather than taken, since the cache was made (for tests and benchmarks).
    struct Computed {
        int flights = 0;
        int solves = 0;
        int range_limits = 0;
    };
    Computed computed;

    // The bits of every input of a record, in the order the record declares them (input_key in
    // pass_cache.cpp): a result is taken only for a key equal to the one it was kept under.
    struct Key {
        std::array<std::uint32_t, 20> words{};
        int size = 0;
        bool operator==(const Key&) const = default;
    };

private:
    struct Solved {
        Key key{};
        float bc = 0;
        bool used = false;
    };

    // The main solve and the two limits of a pass, and one more (the carrying over of a BC to
    // another drag law, or the pass before).
    static constexpr int SolvesKept = 4;

    std::optional<Key> flight_key_;
    std::unique_ptr<Trajectory> flight_;
    std::array<Solved, SolvesKept> solves_{};
    int next_solve_ = 0;
    std::optional<Key> limit_key_;
    float limit_ = 0;
};

// Copies what compute_trajectory writes (samples 0..LastSample and the derived values), so that
// `to` ends as a flight with the same inputs would leave it.
void copy_flight(const Trajectory& from, Trajectory& to);

}  // namespace velora
