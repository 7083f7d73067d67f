// The solver's flight model, written once for the BC solver and the fit from shots: a pellet fired
// level along the bore axis, in 32-bit floats with fixed half-inch steps and its own grouping of the
// arithmetic. It is deliberately not the trajectory's flight step, and the two must not be merged:
// a last-bit difference can flip a bisection step and move the BC shown.
//
// A flight is advanced a step at a time so that several flights (the candidates of the coming
// bisection steps, the trial BCs of a fit) can be interleaved: each step is a long chain of
// dependent operations, and the processor overlaps independent chains. Interleaving changes no
// operation of a flight.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "engine/drag.h"
#include "engine/trajectory.h"
#include "state/calc_state.h"

namespace velora {

// The flight's constants, the trajectory's in the precision this model states them.
inline constexpr float SolverGravity = Gravity;        // ft/s², -32.174049
inline constexpr float SolverDragFactor = DragFactor;  // π/1152, 0.0027270768769085407
inline constexpr float SolverStep = StepLength;        // ft, half an inch
static_assert(SolverGravity == -32.174049f && SolverDragFactor == 0.0027270768769085407f && SolverStep == 1.0f / 24.0f);

// A flight that slows to a standstill (or is handed unusable numbers) never reaches the target;
// it then reports what a far too small BC would: the deepest impact, no velocity, endless time.
// No accepted flight comes near this many steps (1901 yd take 137,000).
inline constexpr int SolverMostSteps = 1'000'000;

// The height of a target the flight has not passed.
inline constexpr float NotFound = 9999.9f;

// What a flight that never reaches a target reports, so that the bisection moves towards a larger
// BC whatever the method.
inline float unreached_measurement(int method) {
    switch (method) {
        case DeltaT: return std::numeric_limits<float>::max();
        case DeltaV: return 0.0f;
        default: return std::numeric_limits<float>::lowest();
    }
}

// What every flight of one solve or one fit shares, whatever its BC, law and muzzle velocity.
struct FlightCourse {
    // The ranges (yd) at which a flight reads the speed, the time and the height, rising, and
    // after them +∞. Several may lie within one step: each reads that same step.
    std::vector<float> marks{std::numeric_limits<float>::infinity()};
    // A flight also ends before the step that starts this far out (yd).
    float stop_at = std::numeric_limits<float>::infinity();
    bool needs_zero = false;  // fly on past the last mark until the zero range is passed
    float zr = 0, sh = 0;     // zero range (yd), sight height (in)
    float c = 0, rho = 0;     // speed of sound (ft/s), air density (lbm/ft³)

    int mark_count() const { return static_cast<int>(marks.size()) - 1; }
};

// What a flight read at a mark: the speed at the start of the step that passed it, the time before
// that step, the height there (12 × crossing_value of the step's two points).
struct FlightReading {
    float v = 0, t = 0, yT = NotFound;
};

struct Flight {
    DragCursor drag;
    // The pairs that a step moves together each in eight bytes of their own, so that a pair stored
    // is read back whole and never half with a neighbour (which the processor cannot forward).
    alignas(8) float x = 0, y = 0;
    alignas(8) float x0 = 0, y0 = 0;
    alignas(8) float vx = 0, vy = 0;
    float t = 0;
    float dt = 0;
    float v = 0;
    float mv = 0, bc = 0;
    float yards = 0;  // x / 3, worked out once per position
    float yZ = 0;     // height at the zero range, 0 = not yet found
    float next_mark;  // the first mark not yet passed
    int next = 0;     // its index
    int steps = 0;
    bool unreached = false;
    // One a mark, the caller's: the flight holds only plain numbers, so that a flight that is a
    // local keeps its whole state in registers.
    FlightReading* readings;

    Flight(const FlightCourse& f, const DragCurve& law, float mv_, float bc_, FlightReading* readings_)
        : drag(law), vx(mv_), dt(SolverStep / mv_), mv(mv_), bc(bc_), next_mark(f.marks.front()), readings(readings_) {}

    // One integration step; true once the flight has ended. Inlined into the loop that
    // interleaves the flights, where the processor can overlap their steps.
    [[gnu::always_inline]] bool step(const FlightCourse& f) {
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
        if (f.zr < yards && yZ == 0.0f) [[unlikely]] {
            yZ = 12.0f * crossing_value(x0, y0, x, y, f.zr);
            if (next == f.mark_count() && yZ != 0.0f) return true;  // the marks were passed before it
        }
        if (yards >= f.stop_at) [[unlikely]] {
            // Marks the flight will not pass read the state here, with no height.
            for (; next < f.mark_count(); ++next) readings[next] = {v, t, NotFound};
            return true;
        }

        x0 = x;
        y0 = y;
        x = x + dt * (vx + vx0) / 2.0f;
        y = y + dt * (vy + vy0) / 2.0f;
        yards = x / 3.0f;
        if (next_mark < yards) [[unlikely]] {
            do {
                readings[next] = {v, t, 12.0f * crossing_value(x0, y0, x, y, next_mark)};
                next_mark = f.marks[static_cast<std::size_t>(++next)];
            } while (next_mark < yards);
            if (next == f.mark_count() && (!f.needs_zero || yZ != 0.0f)) return true;
        }
        dt = SolverStep / vx;
        t = t + dt;
        return false;
    }

    // Whether the flight reached mark `i` for `method`: passed it, and for a POI the zero range
    // too where the course asks for it.
    bool reached(const FlightCourse& f, int i, int method) const {
        return i < next && (method != DeltaPOI || !f.needs_zero || yZ != 0.0f);
    }

    // The quantity `method` measures at mark `i` (`range` yd): POI against the line of sight that
    // starts `sh` above the bore and meets the path at the zero range (in), time of flight (s),
    // velocity (ft/s), height relative to the bore axis (in); for a mark not reached what
    // unreached_measurement says.
    float measurement(const FlightCourse& f, int i, float range, int method) const {
        if (!reached(f, i, method)) return unreached_measurement(method);
        const FlightReading& r = readings[i];
        switch (method) {
            case DeltaPOI: return r.yT - f.sh + (f.sh - yZ) * range / f.zr;
            case DeltaT: return r.t;
            case DeltaV: return r.v;
            default: return r.yT;
        }
    }

    // The flight's drag lookups left its drag curve's Mach span and took the coefficient at its end.
    bool beyond_drag_curve() const { return drag.beyond_span; }
};

// Flies `count` (1 to 3) of the flights a, b, c side by side until each has ended; those beyond
// `count` are not touched (a caller with fewer may pass one flight again in their place). Each
// flight of a caller's locals stays in registers.
[[gnu::always_inline]] inline void fly_side_by_side(const FlightCourse& f, Flight& a, Flight& b, Flight& c,
                                                    int count = 3) {
    bool live_a = count > 0, live_b = count > 1, live_c = count > 2;
    // While all three fly, no test of which still does.
    while (live_a && live_b && live_c) {
        live_a = !a.step(f);
        live_b = !b.step(f);
        live_c = !c.step(f);
    }
    while (live_a || live_b || live_c) {
        if (live_a) live_a = !a.step(f);
        if (live_b) live_b = !b.step(f);
        if (live_c) live_c = !c.step(f);
    }
}

}  // namespace velora
