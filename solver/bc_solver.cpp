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

float bisect_with(float mv, float zr, float sh, int law, const AirState& air, float measured, float target_range,
                  int method) {
    return bisect_bc_over(measured, method, [&](float bc) {
        return predict_measurement(mv, bc, zr, sh, target_range, law, method, air);
    });
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

    const float c = speed_of_sound(air.TMP);
    const float rho = static_cast<float>(air_density(air.TMP, air.PRES, air.HUMID));
    const float g = SolverGravity;
    const float ds = SolverStep;

    float x = 0.0f, y = 0.0f, vx = mv, vy = 0.0f, t = 0.0f;
    float x0 = 0.0f, y0 = 0.0f;
    float dt = ds / mv;
    float v = 0.0f;
    float yZ = 0.0f;              // height at the zero range, 0 = not yet found
    const float NotFound = 9999.9f;
    float yT = NotFound;          // height at the target

    for (int step = 0;; ++step) {
        const float vx0 = vx;
        const float vy0 = vy;
        v = std::sqrt(vx * vx + vy * vy);
        const float cd = static_cast<float>(drag_coefficient(v / c, law));
        const float a = cd * (v * v) / bc * rho * SolverDragFactor;
        vx = vx - dt * a * vx0 / v;
        vy = vy - dt * a * vy0 / v + dt * g;

        // A pellet that has come to a standstill would step backwards (or forever) from here on.
        if (!(vx > 0.0f) || !std::isfinite(vx) || !std::isfinite(vy) || step >= SolverMostSteps)
            return unreached_measurement(method);

        // The last two integration points lie on either side of the zero range.
        if (zr < x / 3.0f && yZ == 0.0f) yZ = 12.0f * crossing_value(x0, y0, x, y, zr);
        if (x / 3.0f >= R + 1.0f) break;

        x0 = x;
        y0 = y;
        x = x + dt * (vx + vx0) / 2.0f;
        y = y + dt * (vy + vy0) / 2.0f;
        if (R < x / 3.0f && yT == NotFound) {
            yT = 12.0f * crossing_value(x0, y0, x, y, R);
            break;
        }
        dt = ds / vx;
        t = t + dt;
    }

    switch (method) {
        case DeltaPOI: return yT - sh + (sh - yZ) * R / zr;
        case DeltaT: return t;
        case DeltaV: return v;
        default: return yT;
    }
}

float bisect_bc(const CalcState& s, float measured, float target_range, int method) {
    return bisect_with(s.MV, s.ZR, s.SH, s.CURVE, air_state(s), measured, target_range, method);
}

float solve_bc(const CalcState& s) {
    switch (s.stateRB) {
        case DeltaPOI: return bisect_bc(s, s.POI, s.TR, DeltaPOI);
        case DeltaT: return bisect_bc(s, s.ET, s.TR, DeltaT);
        case DeltaV: return bisect_bc(s, s.TV, s.TR, DeltaV);
        case DeltaD: return bisect_bc(s, s.DROP, s.TR, DeltaD);
        default: return 0.0f;
    }
}

float max_target_range(const CalcState& s) {
    const float c = speed_of_sound(s.TMP);
    const double rho = air_density(s.TMP, s.PRES, s.HUMID);
    const float dt = 0.5f / s.MV;
    const float bc = s.BC;
    const int law = s.CURVE;

    // Fixed time steps, gravity taken as a round 32 ft/s², until the shot has fallen 30 ft. A
    // fall through unusable numbers (NaN) ends the loop as well; so does the step bound, far
    // beyond the 16,000 steps of the slowest accepted fall.
    float x = 0.0f, y = 0.0f, vx = s.MV, vy = 0.0f;
    for (int step = 0; y > -30.0f && step < SolverMostSteps * 10; ++step) {
        const float vx0 = vx;
        const float vy0 = vy;
        const float v = static_cast<float>(std::pow(static_cast<double>(vx * vx + vy * vy), 0.5));
        const float a = static_cast<float>(drag_coefficient(v / c, law) * (v * v) / bc * rho * SolverDragFactor);
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
