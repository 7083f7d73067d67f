#include "engine/trajectory.h"

#include <cmath>

#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/sampling.h"

namespace velora {

FlightInputs flight_inputs(const CalcState& s) {
    FlightInputs in;
    in.MV = s.MV;
    in.BC = s.BC;
    in.law = drag_law_curve(s.CURVE);
    in.TMP = s.TMP;
    in.PRES = s.PRES;
    in.HUMID = s.HUMID;
    in.SH = s.SH;
    in.ZR = s.ZR;
    return in;
}

float crossing_value(float x1, float y1, float x2, float y2, float mark) {
    const float r = std::nearbyint((y2 - y1) / (x2 - x1));
    return y1 + r * mark;
}

namespace {

// Lifts the whole POI curve in steps of a ten-thousandth of an inch until its first peak lies
// above the line of sight (the line only touched the curve at the zero range). The first peak
// lies at most a sight height below the line, so ten inches of lift cover every accepted input;
// the lift also ends when the curve has no peak at all, where it could never succeed.
void lift_until_apex_above_sight_line(Trajectory& out) {
    constexpr int MostRounds = 100000;
    const int last = out.LastSample;
    for (int round = 0; out.ApexPOI <= 0.0f && round < MostRounds; ++round) {
        for (int j = 0; j <= last; ++j) out.poi[j] += 0.0001f;
        int peak = -1;
        for (int j = 0; j + 1 <= last; ++j) {
            if (out.poi[j + 1] < out.poi[j]) {
                peak = j;
                break;
            }
        }
        if (peak < 0) break;
        out.ApexPOI = out.poi[peak];
    }
}

}  // namespace

void compute_trajectory(const FlightInputs& in, Trajectory& out) {
    // Each step: the velocity phase, the samples and the zero height, the position phase and the
    // time phase, with the state in locals. The drag lookup starts from the previous step's segment.
    const float c = speed_of_sound(in.TMP);
    const float rho_single = static_cast<float>(air_density(in.TMP, in.PRES, in.HUMID));
    // The deceleration is worked out in double: these are the singles it reads, widened once.
    const double bc = in.BC;
    const double rho = rho_single;
    const double drag_factor = DragFactor;
    DragCursor drag(in.law);

    const float mv = in.MV;
    float vx = mv, vy = 0.0f, x = 0.0f, y = 0.0f, t = 0.0f, dt = StepLength / mv;
    int i = 0;
    float h0 = 0.0f;
    float x_prev = 0.0f, y_prev = 0.0f, t_prev = 0.0f, v_prev = mv;
    out.time[0] = 0.0f;

    for (;;) {
        // Velocity phase: the deceleration at the start of the step, Euler.
        const float vx_old = vx;
        const float vy_old = vy;
        const float v = std::sqrt(vx * vx + vy * vy);
        const double cd = drag.at(v / c);
        const float k = static_cast<float>(v * v * cd / bc * rho * drag_factor);
        vx = vx + dt * (-k * vx / v);
        vy = vy + dt * (-k * vy / v) + dt * Gravity;
        // At most one sample per step, when the step passes a whole yard.
        const float yards = x / 3.0f;
        if (static_cast<float>(i) < yards) [[unlikely]] {
            out.drop[i] = (y + y_prev) / 2.0f * 12.0f;
            out.velocity[i] = i == 0 ? mv : (v + v_prev) / 2.0f;
            out.time[i] = crossing_value(x_prev, t_prev, x, t, yards);
            ++i;
        }
        if (h0 == 0.0f && in.ZR < yards) [[unlikely]]
            h0 = crossing_value(x_prev, y_prev, x, y, in.ZR) * 12.0f;
        x_prev = x;
        y_prev = y;
        v_prev = v;
        t_prev = t;
        // Position phase, trapezoid rule.
        x = x + dt * (vx + vx_old) / 2.0f;
        y = y + dt * (vy + vy_old) / 2.0f;
        // Stop once the descent is steeper than 2 : 1, or at yard 2000.
        if (std::fabs(vx) <= std::fabs(0.5 * vy) || i >= MostSamples) break;
        // Time phase: the clock advances by the coming step's time.
        dt = StepLength / vx;
        t = t + dt;
    }
    const int last = i - 1;
    out.LastSample = last;
    out.BeyondDragCurve = drag.beyond_span;

    // The line of sight starts SH above the bore and passes through the path at the zero range.
    out.ApexPOI = 0.0f;
    for (int j = 0; j <= last; ++j) {
        out.poi[j] = (out.drop[j] - in.SH) + (in.SH - h0) * static_cast<float>(j) / in.ZR;
        if (j >= 1 && out.poi[j] > out.poi[j - 1]) out.ApexPOI = out.poi[j];
    }
    lift_until_apex_above_sight_line(out);

    out.ApexRange = 0.0f;
    out.NearZero = 0.0f;
    out.FarZero = 0.0f;
    for (int r = 1; r < last; ++r) {
        if (poi_at(out, r - 1) > poi_at(out, r)) {
            out.ApexRange = static_cast<float>(r - 1);
            break;
        }
    }
    for (double r = out.ApexRange; r < last; r += 0.1) {
        if (poi_at(out, r) < 0.0 && poi_at(out, r + 1.0) <= poi_at(out, r)) {
            out.FarZero = static_cast<float>(r);
            break;
        }
    }
    for (double r = out.ApexRange; r > 0.0; r -= 0.1) {
        if (poi_at(out, r) <= 0.0) {
            out.NearZero = static_cast<float>(r + 1.0);
            break;
        }
    }
    if (out.NearZero == 0.0f) {
        out.NearZero = in.ZR;
        out.FarZero = in.ZR;
    }
    // The entered zero replaces the computed crossing on its own side of the apex.
    out.ZeroIsFar = out.ApexRange <= in.ZR ? 1 : 0;
    if (out.ZeroIsFar == 1)
        out.FarZero = in.ZR;
    else
        out.NearZero = in.ZR;
    if (out.FarZero < out.NearZero) {
        const float swap = out.FarZero;
        out.FarZero = out.NearZero;
        out.NearZero = swap;
    }
}

}  // namespace velora
