#include "solver/bc_solver.h"

#include <cmath>
#include <limits>

#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/sampling.h"
#include "solver/input_limits.h"

namespace velora {

namespace {

// What a flight that never reaches the target reports, so that the bisection moves towards a
// larger BC whatever the method.
float unreached_measurement(int method) {
    switch (method) {
        case DeltaT: return std::numeric_limits<float>::max();
        case DeltaV: return 0.0f;
        default: return std::numeric_limits<float>::lowest();
    }
}

// What every flight of one solve shares.
struct FlightSetup {
    float mv, zr, sh, R;
    int law, method;
    float c, rho;
};

FlightSetup flight_setup(float mv, float zr, float sh, float R, int law, int method, const AirState& air) {
    return {mv, zr, sh, R, law, method, speed_of_sound(air.TMP),
            static_cast<float>(air_density(air.TMP, air.PRES, air.HUMID))};
}

constexpr float NotFound = 9999.9f;

// One flight of the model, advanced a step at a time so that several flights (the candidates of
// the coming bisection steps) can be interleaved: each step is a long chain of dependent
// operations, and the processor overlaps independent chains. Interleaving changes no operation
// of a flight.
struct SolverFlight {
    DragCursor drag;
    float bc = 0;
    float x = 0, y = 0, vx = 0, vy = 0, t = 0;
    float x0 = 0, y0 = 0;
    float dt = 0;
    float v = 0;
    float yZ = 0;         // height at the zero range, 0 = not yet found
    float yT = NotFound;  // height at the target
    int steps = 0;
    bool unreached = false;

    SolverFlight(const FlightSetup& f, float bc_) : drag(f.law), bc(bc_), vx(f.mv), dt(SolverStep / f.mv) {}

    // One integration step; true once the flight has ended. Inlined into the loop that
    // interleaves the flights, where the processor can overlap their steps.
    [[gnu::always_inline]] bool step(const FlightSetup& f) {
        const float vx0 = vx;
        const float vy0 = vy;
        v = std::sqrt(vx * vx + vy * vy);
        const float cd = static_cast<float>(drag.at(v / f.c));
        const float a = cd * (v * v) / bc * f.rho * SolverDragFactor;
        vx = vx - dt * a * vx0 / v;
        vy = vy - dt * a * vy0 / v + dt * SolverGravity;

        // A pellet that has come to a standstill would step backwards (or forever) from here on.
        if (!(vx > 0.0f) || !std::isfinite(vx) || !std::isfinite(vy) || steps >= SolverMostSteps) [[unlikely]] {
            unreached = true;
            return true;
        }
        ++steps;

        // The last two integration points lie on either side of the zero range.
        const float yards = x / 3.0f;
        if (f.zr < yards && yZ == 0.0f) [[unlikely]]
            yZ = 12.0f * crossing_value(x0, y0, x, y, f.zr);
        if (yards >= f.R + 1.0f) [[unlikely]]
            return true;

        x0 = x;
        y0 = y;
        x = x + dt * (vx + vx0) / 2.0f;
        y = y + dt * (vy + vy0) / 2.0f;
        if (f.R < x / 3.0f && yT == NotFound) [[unlikely]] {
            yT = 12.0f * crossing_value(x0, y0, x, y, f.R);
            return true;
        }
        dt = SolverStep / vx;
        t = t + dt;
        return false;
    }

    float measurement(const FlightSetup& f) const {
        if (unreached) return unreached_measurement(f.method);
        switch (f.method) {
            case DeltaPOI: return yT - f.sh + (f.sh - yZ) * f.R / f.zr;
            case DeltaT: return t;
            case DeltaV: return v;
            default: return yT;
        }
    }
};

// Flies three BCs side by side (three overlap almost completely; more no longer do). Each flight
// is a separate local, so that its state stays in registers.
void predict_together(const FlightSetup& f, const float (&bcs)[3], float (&out)[3]) {
    SolverFlight a(f, bcs[0]), b(f, bcs[1]), c(f, bcs[2]);
    bool live_a = true, live_b = true, live_c = true;
    // While all three fly, no test of which still does.
    while (live_a && live_b && live_c) {
        live_a = !a.step(f);
        live_b = !b.step(f);
        live_c = !c.step(f);
    }
    while (live_a) live_a = !a.step(f);
    while (live_b) live_b = !b.step(f);
    while (live_c) live_c = !c.step(f);
    out[0] = a.measurement(f);
    out[1] = b.measurement(f);
    out[2] = c.measurement(f);
}

float predict_one(const FlightSetup& f, float bc) {
    SolverFlight flight(f, bc);
    while (!flight.step(f)) {
    }
    return flight.measurement(f);
}

// The bisection of bisect_bc_over, step for step, with each prediction flown together with the
// two candidates for the following step (the midpoints of the lower and the upper half), so that
// two steps cost little more than one flight. The result is the same bit for bit.
float bisect_with(float mv, float zr, float sh, int law, const AirState& air, float measured, float target_range,
                  int method) {
    const FlightSetup f = flight_setup(mv, zr, sh, target_range, law, method, air);
    float hi = 1.25f;
    float lo = 0.003f;
    float mid = (hi + lo) / 2.0f;
    float next_p = 0.0f;       // the prediction at `mid`, when already flown
    bool have_next = false;
    while (std::abs(hi - lo) > 0.00005f) {
        float p;
        float lower_mid = 0.0f, upper_mid = 0.0f, lower_p = 0.0f, upper_p = 0.0f;
        if (have_next) {
            p = next_p;
            have_next = false;
        } else {
            lower_mid = (mid + lo) / 2.0f;  // hi becomes mid
            upper_mid = (hi + mid) / 2.0f;  // lo becomes mid
            const float bcs[3] = {mid, lower_mid, upper_mid};
            float ps[3];
            predict_together(f, bcs, ps);
            p = ps[0];
            lower_p = ps[1];
            upper_p = ps[2];
            have_next = true;
        }
        const bool raise_lo = bc_lies_above(measured, p, method);
        if (raise_lo)
            lo = mid;
        else
            hi = mid;
        mid = (hi + lo) / 2.0f;
        if (mid > 1.2f) return BcTooHigh;
        if (mid < 0.004f) return BcTooLow;
        if (have_next) next_p = raise_lo ? upper_p : lower_p;
    }
    return mid;
}

}  // namespace

AirState air_state(const CalcState& s) {
    AirState air;
    air.TMP = s.TMP;
    air.PRES = s.PRES;
    air.HUMID = s.HUMID;
    return air;
}

float predict_measurement(float mv, float bc, float zr, float sh, float R, int law, int method, const AirState& air) {
    if (method < DeltaPOI || method > DeltaD) return 0.0f;
    return predict_one(flight_setup(mv, zr, sh, R, law, method, air), bc);
}

float bisect_bc(const CalcState& s, float measured, float target_range, int method) {
    return bisect_with(s.MV, s.ZR, s.SH, s.CURVE, air_state(s), measured, target_range, method);
}

SolveInputs solve_inputs(const CalcState& s) {
    SolveInputs in;
    in.MV = s.MV;
    in.ZR = s.ZR;
    in.SH = s.SH;
    in.TR = s.TR;
    in.method = s.stateRB;
    in.law = s.CURVE;
    in.air = air_state(s);
    switch (s.stateRB) {
        case DeltaPOI: in.measured = s.POI; break;
        case DeltaT: in.measured = s.ET; break;
        case DeltaV: in.measured = s.TV; break;
        case DeltaD: in.measured = s.DROP; break;
        default: break;
    }
    return in;
}

float solve(const SolveInputs& in) {
    if (in.method < DeltaPOI || in.method > DeltaD) return 0.0f;
    return bisect_with(in.MV, in.ZR, in.SH, in.law, in.air, in.measured, in.TR, in.method);
}

float solve_bc(const CalcState& s) { return solve(solve_inputs(s)); }

RangeLimitInputs range_limit_inputs(const CalcState& s) { return {s.MV, s.BC, s.CURVE, air_state(s)}; }

float max_target_range(const CalcState& s) { return max_target_range(range_limit_inputs(s)); }

float max_target_range(const RangeLimitInputs& in) {
    const float c = speed_of_sound(in.air.TMP);
    const double rho = air_density(in.air.TMP, in.air.PRES, in.air.HUMID);
    const float dt = 0.5f / in.MV;
    const float bc = in.BC;
    DragCursor drag(in.law);

    // Fixed time steps, gravity taken as a round 32 ft/s², until the shot has fallen 30 ft. A
    // fall through unusable numbers (NaN) ends the loop as well; so does the step bound, far
    // beyond the 16,000 steps of the slowest accepted fall.
    float x = 0.0f, y = 0.0f, vx = in.MV, vy = 0.0f;
    for (int step = 0; y > -30.0f && step < SolverMostSteps * 10; ++step) {
        const float vx0 = vx;
        const float vy0 = vy;
        const float v = static_cast<float>(std::pow(static_cast<double>(vx * vx + vy * vy), 0.5));
        const float a = static_cast<float>(drag.at(v / c) * (v * v) / bc * rho * SolverDragFactor);
        vx = vx - dt * a * vx0 / v;
        vy = vy - dt * a * vy0 / v - 32.0f * dt;
        x += dt * (vx + vx0) / 2.0f;
        y += dt * (vy + vy0) / 2.0f;
    }

    float L = x / 3.0f;
    if (L > RangeCap) L = RangeCap;
    if (!(L >= 0.0f)) L = 0.0f;  // only for unusable inputs: no flight at all
    return L / 2.0f;
}

float convert_bc_to_drag_law(const CalcState& s, const Trajectory& tr, int new_law) {
    const float measured = static_cast<float>(velocity_at(tr, s.TR));
    return bisect_with(s.MV, s.ZR, s.SH, new_law, air_state(s), measured, s.TR, DeltaV);
}

}  // namespace velora
