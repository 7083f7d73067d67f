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

// What every flight of one solve shares: the course to the target range R, the law, the muzzle
// velocity and the method.
struct FlightSetup {
    FlightCourse course;
    DragCurve law;
    float mv, R;
    int method;
};

FlightSetup flight_setup(float mv, float zr, float sh, float R, const DragCurve& law, int method, const AirState& air) {
    FlightSetup f{{}, law, mv, R, method};
    // One mark, at the target; a flight ends when it passes it, or before a step a yard beyond it.
    f.course.marks.insert(f.course.marks.begin(), R);
    f.course.stop_at = R + 1.0f;
    f.course.zr = zr;
    f.course.sh = sh;
    f.course.c = speed_of_sound(air.TMP);
    f.course.rho = static_cast<float>(air_density(air.TMP, air.PRES, air.HUMID));
    return f;
}

float measurement(const FlightSetup& f, const Flight& flight) { return flight.measurement(f.course, 0, f.R, f.method); }

// Flies three BCs side by side (three overlap almost completely; more no longer do). Each flight
// is a separate local, so that its state stays in registers.
void predict_together(const FlightSetup& f, const float (&bcs)[3], float (&out)[3]) {
    FlightReading at_a, at_b, at_c;
    Flight a(f.course, f.law, f.mv, bcs[0], &at_a), b(f.course, f.law, f.mv, bcs[1], &at_b),
        c(f.course, f.law, f.mv, bcs[2], &at_c);
    fly_side_by_side(f.course, a, b, c);
    out[0] = measurement(f, a);
    out[1] = measurement(f, b);
    out[2] = measurement(f, c);
}

float predict_one(const FlightSetup& f, float bc) {
    FlightReading at_target;
    Flight flight(f.course, f.law, f.mv, bc, &at_target);
    while (!flight.step(f.course)) {
    }
    return measurement(f, flight);
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

// The bisection of bisect_bc_over, step for step, its midpoints flown three at a time side by side
// (three flights take about half as long again as one). A round flies the midpoint that stands and
// two of those the coming steps may reach (fly_three_here). The steps are then taken as the plain
// bisection takes them, each with the prediction flown at the very bits of its midpoint, for as
// long as the round flew it; a flight is a pure function of its BC, so the midpoints, the brackets
// and the result are those of the plain bisection bit for bit, however well the guess went.
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

float predict_measurement(float mv, float bc, float zr, float sh, float R, const DragCurve& law, int method,
                          const AirState& air) {
    if (method < DeltaPOI || method > DeltaD) return 0.0f;
    return predict_one(flight_setup(mv, zr, sh, R, law, method, air), bc);
}

float predict_measurement(float mv, float bc, float zr, float sh, float R, int law, int method, const AirState& air) {
    return predict_measurement(mv, bc, zr, sh, R, drag_law_curve(law), method, air);
}

float bisect_bc(const CalcState& s, float measured, float target_range, int method) {
    return bisect_with(flight_setup(s.MV, s.ZR, s.SH, target_range, drag_law_curve(s.CURVE), method, air_state(s)),
                       measured, NoGuess);
}

SolveInputs solve_inputs(const CalcState& s) {
    SolveInputs in;
    in.MV = s.MV;
    in.ZR = s.ZR;
    in.SH = s.SH;
    in.TR = s.TR;
    in.method = s.stateRB;
    in.law = drag_law_curve(s.CURVE);
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

RangeLimitInputs range_limit_inputs(const CalcState& s) { return {s.MV, s.BC, drag_law_curve(s.CURVE), air_state(s)}; }

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
    return bisect_with(flight_setup(s.MV, s.ZR, s.SH, s.TR, drag_law_curve(new_law), DeltaV, air_state(s)), measured,
                       NoGuess);
}

}  // namespace velora
