#include "solver/pass_cache.h"

#include <algorithm>
#include <bit>
#include <type_traits>

namespace velora {

PassCache::PassCache() = default;
PassCache::PassCache(const PassCache&) {}
PassCache& PassCache::operator=(const PassCache& other) {
    if (this != &other) clear();
    return *this;
}
PassCache::~PassCache() = default;

void PassCache::clear() {
    flight_key_.reset();
    solves_ = {};
    next_solve_ = 0;
    limit_key_.reset();
}

namespace {

// Appends the bits of one field, of a record within a record field by field.
struct KeyWriter {
    PassCache::Key key;

    void word(std::uint32_t w) {
        key.words.at(static_cast<std::size_t>(key.size)) = w;  // the records fit: a larger one throws here
        ++key.size;
    }
    void put(float f) { word(std::bit_cast<std::uint32_t>(f)); }
    void put(int i) { word(static_cast<std::uint32_t>(i)); }
    void put(std::uint64_t u) {
        word(static_cast<std::uint32_t>(u));
        word(static_cast<std::uint32_t>(u >> 32));
    }
    void put(double d) { put(std::bit_cast<std::uint64_t>(d)); }
    void put(const AirState& air) {
        const auto& [TMP, PRES, HUMID] = air;
        put_all(TMP, PRES, HUMID);
    }
    void put(const DragCurve& law) {
        // The segments are the points' (the digest's); where they lie in memory does not count.
        const auto& [segments, count, hold_below, first_cd, last_cd, digest] = law;
        static_cast<void>(segments);
        put_all(count, hold_below, first_cd, last_cd, digest);
    }
    template <class... Fields>
    void put_all(const Fields&... fields) {
        (put(fields), ...);
    }
};

// The key of an input record: every field, in the order declared. Each structured binding below
// names all fields of its record, so a field added to FlightInputs, SolveInputs, RangeLimitInputs,
// AirState or DragCurve stops the build (here or in KeyWriter) until the key takes it in; a new
// input the flight or the solve reads thus cannot be left out of the key.
template <class Record>
PassCache::Key input_key(const Record& in) {
    KeyWriter k;
    if constexpr (std::is_same_v<Record, FlightInputs>) {
        const auto& [MV, BC, law, TMP, PRES, HUMID, SH, ZR] = in;
        k.put_all(MV, BC, law, TMP, PRES, HUMID, SH, ZR);
    } else if constexpr (std::is_same_v<Record, SolveInputs>) {
        const auto& [MV, ZR, SH, TR, measured, method, law, air] = in;
        k.put_all(MV, ZR, SH, TR, measured, method, law, air);
    } else {
        static_assert(std::is_same_v<Record, RangeLimitInputs>);
        const auto& [MV, BC, law, air] = in;
        k.put_all(MV, BC, law, air);
    }
    return k.key;
}

}  // namespace

const Trajectory* PassCache::flight(const FlightInputs& in) const {
    return flight_key_ && *flight_key_ == input_key(in) ? flight_.get() : nullptr;
}

void PassCache::keep_flight(const FlightInputs& in, const Trajectory& tr) {
    if (!flight_) flight_ = std::make_unique<Trajectory>();
    copy_flight(tr, *flight_);
    flight_key_ = input_key(in);
}

std::optional<float> PassCache::solve(const SolveInputs& in) const {
    const Key key = input_key(in);
    for (const Solved& s : solves_)
        if (s.used && s.key == key) return s.bc;
    return std::nullopt;
}

void PassCache::keep_solve(const SolveInputs& in, float bc) {
    const Key key = input_key(in);
    for (Solved& s : solves_) {
        if (s.used && s.key == key) {
            s.bc = bc;
            return;
        }
    }
    solves_[next_solve_] = {key, bc, true};
    next_solve_ = (next_solve_ + 1) % SolvesKept;
}

std::optional<float> PassCache::range_limit(const RangeLimitInputs& in) const {
    if (limit_key_ && *limit_key_ == input_key(in)) return limit_;
    return std::nullopt;
}

void PassCache::keep_range_limit(const RangeLimitInputs& in, float zero_range) {
    limit_key_ = input_key(in);
    limit_ = zero_range;
}

void copy_flight(const Trajectory& from, Trajectory& to) {
    if (&from == &to) return;
    const int n = std::clamp(from.LastSample + 1, 0, TrajectorySize);
    std::copy_n(from.drop, n, to.drop);
    std::copy_n(from.velocity, n, to.velocity);
    std::copy_n(from.time, n, to.time);
    std::copy_n(from.poi, n, to.poi);
    if (n == 0) to.time[0] = 0.0f;  // the flight writes it even when it records nothing
    to.LastSample = from.LastSample;
    to.ApexRange = from.ApexRange;
    to.ApexPOI = from.ApexPOI;
    to.NearZero = from.NearZero;
    to.FarZero = from.FarZero;
    to.ZeroIsFar = from.ZeroIsFar;
    to.BeyondDragCurve = from.BeyondDragCurve;
}

}  // namespace velora
