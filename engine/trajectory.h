// The point-mass trajectory: one sample per whole yard, the apex and the near and far zero.
#pragma once

#include "state/calc_state.h"

namespace velora {

inline constexpr int TrajectorySize = 2002;  // indices 0..2001
inline constexpr int MostSamples = 2001;     // yards 0..2000

// What a flight needs from the calculator state.
struct FlightInputs {
    float MV = 0;     // ft/s
    float BC = 0;     // lb/in²
    int CURVE = 0;    // drag law
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
};

// One step of the flight model. A caller runs the velocity phase, its own bookkeeping, the
// position phase and the time phase, in that order.
struct FlightState {
    float vx = 0, vy = 0;          // ft/s
    float x = 0, y = 0;            // ft, relative to the muzzle and the bore line
    float t = 0;                   // s
    float dt = 0;                  // s, the time of the coming step
    float v = 0;                   // speed at the start of the step
    float vx_old = 0, vy_old = 0;  // velocity at the start of the step
};

struct FlightAir {
    float c = 0;    // speed of sound, ft/s
    float rho = 0;  // density, lbm/ft³
    float bc = 0;
    int law = 0;
};

inline constexpr float StepLength = 0.041666668f;   // ds, 1/24 ft
inline constexpr float Gravity = -32.17405f;        // ft/s²
inline constexpr float DragFactor = 0.0027270769f;  // π/1152

void flight_velocity_phase(FlightState& f, const FlightAir& air);
void flight_position_phase(FlightState& f);
void flight_time_phase(FlightState& f);

// y1 + R × mark, with R the quotient (y2 − y1) / (x2 − x1) rounded to a whole number (ties to even).
float crossing_value(float x1, float y1, float x2, float y2, float mark);

// Flies the projectile and rewrites `out` (indices 0..LastSample and the derived values).
void compute_trajectory(const FlightInputs& in, Trajectory& out);

}  // namespace velora
