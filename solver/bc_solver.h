// The BC solver: its own level-fire flight model, the bisection over it, the range limit and the
// carrying over of a BC to another drag law.
//
// Everything here is a pure function of its arguments. The flight model is solver/flight.h.
#pragma once

#include <cmath>
#include <limits>

#include "engine/drag.h"
#include "engine/trajectory.h"
#include "solver/flight.h"
#include "state/calc_state.h"

namespace velora {

// The air the solver flies through (°C, inHg, %).
struct AirState {
    float TMP = 0;
    float PRES = 0;
    float HUMID = 0;
};

AirState air_state(const CalcState& s);

// The two failure results of the solver: a BC below 0.004 and a BC above 1.2.
inline constexpr float BcTooLow = 0.0f;
inline constexpr float BcTooHigh = -1.0f;

inline bool is_bc_sentinel(float bc) { return bc == BcTooLow || bc == BcTooHigh; }

// The quantity `method` would measure at `target_range` (yd) for a pellet fired level at `mv`
// (ft/s) with `bc` under `drag_law`: POI against the line of sight that starts `sight_height`
// (in) above the bore and meets the path at `zero_range` (yd), in inches; time of flight in s;
// velocity in ft/s; drop below the bore axis in inches. 0 for a method outside 0..3.
float predict_measurement(float mv, float bc, float zero_range, float sight_height, float target_range,
                          const DragCurve& drag_law, int method, const AirState& air);
// The same under the built-in law `drag_law` (CURVE).
float predict_measurement(float mv, float bc, float zero_range, float sight_height, float target_range, int drag_law,
                          int method, const AirState& air);

// Bisection of the BC between 0.003 and 1.25 until the bracket is 0.00005 wide (15 halvings).
// `predict(bc)` gives the measurement the model expects for a BC. The time of flight falls as
// the BC grows, every other measurement grows with it; a measurement equal to the prediction
// raises the lower end. Returns the midpoint of the last bracket, or BcTooHigh as soon as the
// midpoint exceeds 1.2, or BcTooLow as soon as it falls below 0.004.
//
// True when a trial whose prediction is `p` leaves the BC above the trial: the lower end of the
// bracket moves up to it.
inline bool bc_lies_above(float measured, float p, int method) {
    return method == DeltaT ? !(measured > p) : !(measured < p);
}

template <class Predict>
float bisect_bc_over(float measured, int method, Predict&& predict) {
    float hi = 1.25f;
    float lo = 0.003f;
    float mid = (hi + lo) / 2.0f;
    while (std::abs(hi - lo) > 0.00005f) {
        const float p = predict(mid);
        if (bc_lies_above(measured, p, method))
            lo = mid;
        else
            hi = mid;
        mid = (hi + lo) / 2.0f;
        if (mid > 1.2f) return BcTooHigh;
        if (mid < 0.004f) return BcTooLow;
    }
    return mid;
}

// The BC under which the model gives `measured` for `method` at `target_range`, with the muzzle
// velocity, zero range, sight height, drag law and air of `s`.
float bisect_bc(const CalcState& s, float measured, float target_range, int method);

// The BC for the active method's measurement at TR: POI, ET, TV or DROP. 0 for another method.
float solve_bc(const CalcState& s);

// Everything one solve reads: the solve is a pure function of these.
struct SolveInputs {
    float MV = 0, ZR = 0, SH = 0;
    float TR = 0;        // target range, yd
    float measured = 0;  // the method's measurement at TR
    int method = 0;      // a method outside 0..3 solves to 0
    DragCurve law;
    AirState air;
};

// What solve_bc(s) solves.
SolveInputs solve_inputs(const CalcState& s);

// No expectation of where the BC lies.
inline constexpr float NoGuess = std::numeric_limits<float>::quiet_NaN();

// solve_bc of a state with these inputs. `near`, where the caller expects the BC (the BC before a
// measurement changed, the solved BC for its confidence limits), only chooses which midpoints are
// flown ahead: the result is the same bit for bit whatever it is.
float solve(const SolveInputs& in, float near = NoGuess);

class PassWorker;

// The same solve, bit for bit, with the bisection's coming midpoints flown ahead on `worker` as
// well, for a caller that has nothing else for the worker meanwhile.
float solve(const SolveInputs& in, PassWorker& worker, float near = NoGuess);

// Half the range over which a level shot with the state's BC falls 30 ft (at most 1901 yd): the
// largest zero range. The largest target range is twice it.
float max_target_range(const CalcState& s);

// What the range limit reads.
struct RangeLimitInputs {
    float MV = 0, BC = 0;
    DragCurve law;
    AirState air;
};

RangeLimitInputs range_limit_inputs(const CalcState& s);
float max_target_range(const RangeLimitInputs& in);

// The BC that makes `new_law` lose over TR the velocity that `tr` (flown with the old law and
// BC) loses there. A sentinel when that BC lies outside 0.004..1.2.
float convert_bc_to_drag_law(const CalcState& s, const Trajectory& tr, int new_law);

}  // namespace velora
