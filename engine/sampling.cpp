#include "engine/sampling.h"

#include <cmath>

#include "engine/units.h"

namespace velora {

namespace {

// Linear interpolation between whole yards, in double, with the whole-yard test at 1/1000.
double sample_at(const float* a, int last, double r) {
    if (last <= 0) return 0.0;
    if (!(r >= 0.0)) r = 0.0;  // no negative (or NaN) range reads before the muzzle
    if (r + 1.0 >= last) r = last - 1;
    const int i = static_cast<int>(r);
    if (std::trunc(r * 1000.0) == static_cast<double>(i) * 1000.0) return a[i];
    return a[i] + (static_cast<double>(a[i + 1]) - a[i]) * (r - i);
}

}  // namespace

double poi_at(const Trajectory& tr, double range_yd) { return sample_at(tr.poi, tr.LastSample, range_yd); }

double velocity_at(const Trajectory& tr, double range_yd) { return sample_at(tr.velocity, tr.LastSample, range_yd); }

double time_at(const Trajectory& tr, double range_yd) { return sample_at(tr.time, tr.LastSample, range_yd); }

float drop_at(const Trajectory& tr, float r) {
    // The drop reads in single precision, with the whole-yard test at 1/100.
    const int last = tr.LastSample;
    if (last <= 0) return 0.0f;
    if (!(r >= 0.0f)) r = 0.0f;
    if (r + 1.0f >= static_cast<float>(last)) r = static_cast<float>(last - 1);
    const int i = static_cast<int>(r);
    if (std::trunc(r * 100.0f) == static_cast<float>(i) * 100.0f) return tr.drop[i];
    return tr.drop[i] + (tr.drop[i + 1] - tr.drop[i]) * (r - static_cast<float>(i));
}

void set_display_factors(DisplayFactors& f, const CalcState& s) {
    // A selection outside its list leaves its factor as it was.
    const auto set = [&s](float& factor, Quantity q, int unit) {
        if (unit >= 0 && unit < unit_count(q)) factor = unit_factor(q, unit, s.TMP);
    };
    set(f.range, Quantity::Range, s.stateTR);
    set(f.velocity, Quantity::Velocity, s.stateMV);
    set(f.poi, Quantity::SmallLength, s.statePOI);
    set(f.drop, Quantity::SmallLength, s.stateDROP);
    set(f.time, Quantity::Time, s.stateET);
}

float plot_value(const Trajectory& tr, const DisplayFactors& f, int curve, float range) {
    const float r = range / f.range;
    switch (curve) {
        case CurvePOI: return static_cast<float>(poi_at(tr, r) * f.poi);
        case CurveTime: return static_cast<float>(time_at(tr, r) * f.time);
        case CurveVelocity: return static_cast<float>(velocity_at(tr, r) * f.velocity);
        case CurveDrop: return drop_at(tr, r) * f.drop;
        default: return 0.0f;
    }
}

}  // namespace velora
