#include "solver/pass_cache.h"

#include <algorithm>
#include <bit>

namespace velora {

namespace {

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }
std::uint32_t bits(int i) { return static_cast<std::uint32_t>(i); }

}  // namespace

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

std::array<std::uint32_t, 8> flight_key(const FlightInputs& in) {
    return {bits(in.MV),   bits(in.BC),    bits(in.CURVE), bits(in.TMP),
            bits(in.PRES), bits(in.HUMID), bits(in.SH),    bits(in.ZR)};
}

std::array<std::uint32_t, 10> solve_key(const SolveInputs& in) {
    return {bits(in.MV),     bits(in.ZR),  bits(in.SH),      bits(in.TR),       bits(in.measured),
            bits(in.method), bits(in.law), bits(in.air.TMP), bits(in.air.PRES), bits(in.air.HUMID)};
}

std::array<std::uint32_t, 6> limit_key(const RangeLimitInputs& in) {
    return {bits(in.MV), bits(in.BC), bits(in.law), bits(in.air.TMP), bits(in.air.PRES), bits(in.air.HUMID)};
}

}  // namespace

const Trajectory* PassCache::flight(const FlightInputs& in) const {
    return flight_key_ && *flight_key_ == flight_key(in) ? flight_.get() : nullptr;
}

void PassCache::keep_flight(const FlightInputs& in, const Trajectory& tr) {
    if (!flight_) flight_ = std::make_unique<Trajectory>();
    copy_flight(tr, *flight_);
    flight_key_ = flight_key(in);
}

std::optional<float> PassCache::solve(const SolveInputs& in) const {
    const SolveKey key = solve_key(in);
    for (const Solved& s : solves_)
        if (s.used && s.key == key) return s.bc;
    return std::nullopt;
}

void PassCache::keep_solve(const SolveInputs& in, float bc) {
    const SolveKey key = solve_key(in);
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
    if (limit_key_ && *limit_key_ == limit_key(in)) return limit_;
    return std::nullopt;
}

void PassCache::keep_range_limit(const RangeLimitInputs& in, float zero_range) {
    limit_key_ = limit_key(in);
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
}

}  // namespace velora
