#include "solver/bc_solver.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>

#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/sampling.h"
#include "solver/input_limits.h"
#include "solver/pass_worker.h"

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
    return {mv,
            zr,
            sh,
            R,
            law,
            method,
            speed_of_sound(air.TMP),
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
    float yards = 0;      // x / 3, worked out once per position
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
        if (f.zr < yards && yZ == 0.0f) [[unlikely]]
            yZ = 12.0f * crossing_value(x0, y0, x, y, f.zr);
        if (yards >= f.R + 1.0f) [[unlikely]]
            return true;

        x0 = x;
        y0 = y;
        x = x + dt * (vx + vx0) / 2.0f;
        y = y + dt * (vy + vy0) / 2.0f;
        yards = x / 3.0f;
        if (f.R < yards && yT == NotFound) [[unlikely]] {
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

// A flown midpoint and its prediction.
struct Flown {
    float bc, p;
};

// Where the BC probably lies, from flights already made: the BC at which the straight line through
// two of them meets the measurement, those at the ends of the bracket when both ends were
// midpoints, otherwise the last two midpoints. It only chooses which midpoints are flown ahead;
// NaN when it cannot tell.
float guessed_bc(float measured, const std::optional<Flown>& a, const std::optional<Flown>& b) {
    if (!a || !b || a->p == b->p) return std::numeric_limits<float>::quiet_NaN();
    return a->bc + (measured - a->p) * (b->bc - a->bc) / (b->p - a->p);
}

// Fills bcs[1..n-1] with the midpoints of the next n - 1 steps from the bracket lo..hi and its
// midpoint, as the steps would go if the BC lay at `guess`; each worked out from its bracket as
// the step that reaches it works it out.
void midpoints_towards(float guess, float lo, float hi, float mid, float* bcs, int n) {
    float l = lo, h = hi, m = mid;
    for (int j = 1; j < n; ++j) {
        if (guess > m)
            l = m;
        else
            h = m;
        m = (h + l) / 2.0f;
        bcs[j] = m;
    }
}

// The bisection's state between rounds.
struct Bracket {
    float hi = 1.25f;
    float lo = 0.003f;
    float mid = (1.25f + 0.003f) / 2.0f;
    std::optional<Flown> at_lo, at_hi;                     // the ends, once they were midpoints
    std::optional<Flown> last, before;                     // the last two midpoints
    float near = std::numeric_limits<float>::quiet_NaN();  // where the caller expects the BC
    float result = 0.0f;                                   // once done: the midpoint or a sentinel
    bool done = false;

    bool open() const { return std::abs(hi - lo) > 0.00005f; }

    // The line through the ends once both were midpoints; before that the caller's BC while it
    // lies inside the bracket, else the line through the last two midpoints.
    float guess(float measured) const {
        if (at_lo && at_hi) return guessed_bc(measured, at_lo, at_hi);
        if (near > lo && near < hi) return near;
        return guessed_bc(measured, before, last);
    }

    // The steps of the plain bisection for as long as the round flew their midpoints (bcs[0] is
    // the one that stands), each with the prediction flown at the very bits of its midpoint.
    void take_steps(const float* bcs, const float* ps, int n, float measured, int method) {
        for (;;) {
            const float* flown = std::find_if(bcs, bcs + n, [this](float bc) {
                return std::bit_cast<std::uint32_t>(bc) == std::bit_cast<std::uint32_t>(mid);
            });
            if (flown == bcs + n) return;  // the round did not reach this midpoint
            const Flown here{mid, ps[flown - bcs]};
            if (bc_lies_above(measured, here.p, method)) {
                lo = mid;
                at_lo = here;
            } else {
                hi = mid;
                at_hi = here;
            }
            before = last;
            last = here;
            mid = (hi + lo) / 2.0f;
            if (mid > 1.2f) return finish(BcTooHigh);
            if (mid < 0.004f) return finish(BcTooLow);
            if (!open()) return finish(mid);
        }
    }

    void finish(float r) {
        result = r;
        done = true;
    }
};

// The bisection of bisect_bc_over, step for step, its midpoints flown three at a time side by
// side (three flights take about half as long again as one). A round flies the midpoint that
// stands and two of those the coming steps may reach: the midpoints of the next two steps in
// the direction the guess from the flights so far points, or, while there is no guess, both
// midpoints the next step can lead to. The steps are then taken as the plain bisection takes
// them, each with the prediction flown at the very bits of its midpoint, for as long as the
// round flew it; a flight is a pure function of its BC, so the midpoints, the brackets and the
// result are those of the plain bisection bit for bit, however well the guess went.
// One round on this thread: the midpoint that stands and the next two towards `guess`, or, while
// there is no guess, both midpoints the next step can lead to.
void fly_three_here(const FlightSetup& f, float measured, float guess, Bracket& b) {
    float bcs[3] = {b.mid, 0.0f, 0.0f};
    if (std::isfinite(guess)) {
        midpoints_towards(guess, b.lo, b.hi, b.mid, bcs, 3);
    } else {
        bcs[1] = (b.mid + b.lo) / 2.0f;  // hi becomes mid
        bcs[2] = (b.hi + b.mid) / 2.0f;  // lo becomes mid
    }
    float ps[3];
    predict_together(f, bcs, ps);
    b.take_steps(bcs, ps, 3, measured, f.method);
}

float bisect_with(const FlightSetup& f, float measured, float near) {
    Bracket b;
    b.near = near;
    if (!b.open()) return b.mid;
    while (!b.done) fly_three_here(f, measured, b.guess(measured), b);
    return b.result;
}

// The same bisection with six midpoints a round on two threads: the midpoint that stands and the
// next five in the direction of the guess, the first three flown here and the other three on the
// worker. While there is no guess a round is one of bisect_with's, on this thread.
float bisect_beside(const FlightSetup& f, float measured, float near, PassWorker& worker) {
    Bracket b;
    b.near = near;
    if (!b.open()) return b.mid;
    while (!b.done) {
        const float guess = b.guess(measured);
        if (!std::isfinite(guess)) {
            fly_three_here(f, measured, guess, b);
            continue;
        }
        float bcs[6] = {b.mid};
        midpoints_towards(guess, b.lo, b.hi, b.mid, bcs, 6);
        const float here_bcs[3] = {bcs[0], bcs[1], bcs[2]};
        const float beside_bcs[3] = {bcs[3], bcs[4], bcs[5]};
        float here_ps[3] = {}, beside_ps[3] = {};
        worker.run_beside([&f, &beside_bcs, &beside_ps] { predict_together(f, beside_bcs, beside_ps); },
                          [&f, &here_bcs, &here_ps] { predict_together(f, here_bcs, here_ps); });
        const float ps[6] = {here_ps[0], here_ps[1], here_ps[2], beside_ps[0], beside_ps[1], beside_ps[2]};
        b.take_steps(bcs, ps, 6, measured, f.method);
    }
    return b.result;
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
    return bisect_with(flight_setup(s.MV, s.ZR, s.SH, target_range, s.CURVE, method, air_state(s)), measured, NoGuess);
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

float solve(const SolveInputs& in, float near) {
    if (in.method < DeltaPOI || in.method > DeltaD) return 0.0f;
    return bisect_with(flight_setup(in.MV, in.ZR, in.SH, in.TR, in.law, in.method, in.air), in.measured, near);
}

float solve(const SolveInputs& in, PassWorker& worker, float near) {
    if (in.method < DeltaPOI || in.method > DeltaD) return 0.0f;
    return bisect_beside(flight_setup(in.MV, in.ZR, in.SH, in.TR, in.law, in.method, in.air), in.measured, near,
                         worker);
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
    return bisect_with(flight_setup(s.MV, s.ZR, s.SH, s.TR, new_law, DeltaV, air_state(s)), measured, NoGuess);
}

}  // namespace velora
