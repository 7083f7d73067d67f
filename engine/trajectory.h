// The point-mass trajectory: one sample per whole yard, the apex and the near and far zero.
#pragma once

#include "engine/drag.h"
#include "state/calc_state.h"

namespace velora {

inline constexpr int TrajectorySize = 2002;  // indices 0..2001
inline constexpr int MostSamples = 2001;     // yards 0..2000

// What a flight needs from the calculator state.
struct FlightInputs {
    float MV = 0;     // ft/s
    float BC = 0;     // lb/in², with reference to the drag law
    DragCurve law;    // the drag law: a built-in law's curve (CURVE) or one made at run time
    float TMP = 0;    // °C
    float PRES = 0;   // inHg
    float HUMID = 0;  // %
    float SH = 0;     // in
    float ZR = 0;     // yd
};

FlightInputs flight_inputs(const CalcState& s);

struct Trajectory {
    float drop[TrajectorySize] = {};      // height relative to the bore line, in
    float velocity[TrajectorySize] = {};  // speed, ft/s
    float time[TrajectorySize] = {};      // time of flight, s
    float poi[TrajectorySize] = {};       // height relative to the line of sight, in
    int LastSample = 0;                   // highest valid index
    float ApexRange = 0;                  // yd
    float ApexPOI = 0;                    // in
    float NearZero = 0;                   // yd
    float FarZero = 0;                    // yd
    int ZeroIsFar = 1;
    bool BeyondDragCurve = false;  // the flight left its drag curve's Mach span and took the end value
};

// The flight's constants, in the precision it uses them.
inline constexpr float StepLength = 0.041666668f;   // ds, 1/24 ft (half an inch)
inline constexpr float Gravity = -32.17405f;        // ft/s²
inline constexpr float DragFactor = 0.0027270769f;  // π/1152

// y1 + R × mark, with R the quotient (y2 − y1) / (x2 − x1) rounded to a whole number (ties to even).
float crossing_value(float x1, float y1, float x2, float y2, float mark);

// Flies the projectile and rewrites `out` (indices 0..LastSample and the derived values).
void compute_trajectory(const FlightInputs& in, Trajectory& out);

}  // namespace velora
