// The fast flight kernels against the plain arithmetic they replace.
//
// The trajectory, the solver's flight model, the bisection and the range limit are written out
// here once more the plain way: one step after the other through the flight state, the drag
// coefficient found by the linear scan from row 0. Over a sweep of every drag law, slow and fast
// shots, short and long ranges and the corners of the accepted air, the program's results must
// carry the very same bits.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "solver/bc_solver.h"
#include "tests/fixtures/first_run.h"
#include "tests/fixtures/same_flight.h"

namespace velora {
namespace {

// ---- the plain arithmetic ----------------------------------------------------------------------

double plain_drag(double mach, int law) {
    if (mach > DragTable[DragTableLastRow][0]) return std::fabs(DragTable[DragTableLastRow][law + 1]);
    int i = 0;
    while (mach > DragTable[i + 1][0]) ++i;
    const float c0 = DragTable[i][law + 1], c1 = DragTable[i + 1][law + 1];
    const float m0 = DragTable[i][0], m1 = DragTable[i + 1][0];
    const double slope = static_cast<double>(c1 - c0) / (m1 - m0);
    return std::fabs(c0 + slope * (mach - m0));
}

void plain_trajectory(const FlightInputs& in, int law, Trajectory& out) {
    const float c = speed_of_sound(in.TMP);
    const float rho = static_cast<float>(air_density(in.TMP, in.PRES, in.HUMID));
    float vx = in.MV, vy = 0, x = 0, y = 0, t = 0, dt = StepLength / in.MV, v = 0;
    int i = 0;
    float h0 = 0, x_prev = 0, y_prev = 0, t_prev = 0, v_prev = in.MV;
    out.time[0] = 0;
    for (;;) {
        const float vx_old = vx, vy_old = vy;
        v = std::sqrt(vx * vx + vy * vy);
        const double cd = plain_drag(v / c, law);
        const float k = static_cast<float>(v * v * cd / in.BC * rho * DragFactor);
        vx = vx + dt * (-k * vx / v);
        vy = vy + dt * (-k * vy / v) + dt * Gravity;
        if (static_cast<float>(i) < x / 3.0f) {
            out.drop[i] = (y + y_prev) / 2.0f * 12.0f;
            out.velocity[i] = i == 0 ? in.MV : (v + v_prev) / 2.0f;
            out.time[i] = crossing_value(x_prev, t_prev, x, t, x / 3.0f);
            ++i;
        }
        if (h0 == 0.0f && in.ZR < x / 3.0f) h0 = crossing_value(x_prev, y_prev, x, y, in.ZR) * 12.0f;
        x_prev = x;
        y_prev = y;
        v_prev = v;
        t_prev = t;
        x = x + dt * (vx + vx_old) / 2.0f;
        y = y + dt * (vy + vy_old) / 2.0f;
        if (std::fabs(vx) <= std::fabs(0.5 * vy) || i >= MostSamples) break;
        dt = StepLength / vx;
        t = t + dt;
    }
    const int last = i - 1;
    out.LastSample = last;
    out.ApexPOI = 0;
    for (int j = 0; j <= last; ++j) {
        out.poi[j] = (out.drop[j] - in.SH) + (in.SH - h0) * static_cast<float>(j) / in.ZR;
        if (j >= 1 && out.poi[j] > out.poi[j - 1]) out.ApexPOI = out.poi[j];
    }
    for (int round = 0; out.ApexPOI <= 0.0f && round < 100000; ++round) {
        for (int j = 0; j <= last; ++j) out.poi[j] += 0.0001f;
        int peak = -1;
        for (int j = 0; j + 1 <= last && peak < 0; ++j)
            if (out.poi[j + 1] < out.poi[j]) peak = j;
        if (peak < 0) break;
        out.ApexPOI = out.poi[peak];
    }
    out.ApexRange = out.NearZero = out.FarZero = 0;
    for (int r = 1; r < last; ++r)
        if (poi_at(out, r - 1) > poi_at(out, r)) {
            out.ApexRange = static_cast<float>(r - 1);
            break;
        }
    for (double r = out.ApexRange; r < last; r += 0.1)
        if (poi_at(out, r) < 0.0 && poi_at(out, r + 1.0) <= poi_at(out, r)) {
            out.FarZero = static_cast<float>(r);
            break;
        }
    for (double r = out.ApexRange; r > 0.0; r -= 0.1)
        if (poi_at(out, r) <= 0.0) {
            out.NearZero = static_cast<float>(r + 1.0);
            break;
        }
    if (out.NearZero == 0.0f) out.NearZero = out.FarZero = in.ZR;
    out.ZeroIsFar = out.ApexRange <= in.ZR ? 1 : 0;
    if (out.ZeroIsFar == 1)
        out.FarZero = in.ZR;
    else
        out.NearZero = in.ZR;
    if (out.FarZero < out.NearZero) std::swap(out.FarZero, out.NearZero);
}

float plain_predict(float mv, float bc, float zr, float sh, float R, int law, int method, const AirState& air) {
    if (method < DeltaPOI || method > DeltaD) return 0.0f;
    const float c = speed_of_sound(air.TMP);
    const float rho = static_cast<float>(air_density(air.TMP, air.PRES, air.HUMID));
    float x = 0, y = 0, vx = mv, vy = 0, t = 0, x0 = 0, y0 = 0, v = 0, dt = SolverStep / mv;
    float yZ = 0, yT = 9999.9f;
    for (int steps = 0;; ++steps) {
        const float vx0 = vx, vy0 = vy;
        v = std::sqrt(vx * vx + vy * vy);
        const float cd = static_cast<float>(plain_drag(v / c, law));
        const float a = cd * (v * v) / bc * rho * SolverDragFactor;
        vx = vx - dt * a * vx0 / v;
        vy = vy - dt * a * vy0 / v + dt * SolverGravity;
        if (!(vx > 0.0f) || !std::isfinite(vx) || !std::isfinite(vy) || steps >= SolverMostSteps) {
            switch (method) {  // never arrives: what a far too small BC would give
                case DeltaT: return std::numeric_limits<float>::max();
                case DeltaV: return 0.0f;
                default: return std::numeric_limits<float>::lowest();
            }
        }
        if (zr < x / 3.0f && yZ == 0.0f) yZ = 12.0f * crossing_value(x0, y0, x, y, zr);
        if (x / 3.0f >= R + 1.0f) break;
        x0 = x;
        y0 = y;
        x = x + dt * (vx + vx0) / 2.0f;
        y = y + dt * (vy + vy0) / 2.0f;
        if (R < x / 3.0f && yT == 9999.9f) {
            yT = 12.0f * crossing_value(x0, y0, x, y, R);
            break;
        }
        dt = SolverStep / vx;
        t = t + dt;
    }
    switch (method) {
        case DeltaPOI: return yT - sh + (sh - yZ) * R / zr;
        case DeltaT: return t;
        case DeltaV: return v;
        default: return yT;
    }
}

float plain_bisect(const CalcState& s, float measured, float R, int method) {
    const AirState air = air_state(s);
    float hi = 1.25f, lo = 0.003f, mid = (hi + lo) / 2.0f;
    while (std::abs(hi - lo) > 0.00005f) {
        const float p = plain_predict(s.MV, mid, s.ZR, s.SH, R, s.CURVE, method, air);
        const bool up = method == DeltaT ? !(measured > p) : !(measured < p);
        (up ? lo : hi) = mid;
        mid = (hi + lo) / 2.0f;
        if (mid > 1.2f) return -1.0f;
        if (mid < 0.004f) return 0.0f;
    }
    return mid;
}

float plain_range_limit(const CalcState& s) {
    const float c = speed_of_sound(s.TMP);
    const double rho = air_density(s.TMP, s.PRES, s.HUMID);
    const float dt = 0.5f / s.MV;
    float x = 0, y = 0, vx = s.MV, vy = 0;
    for (int step = 0; y > -30.0f && step < SolverMostSteps * 10; ++step) {
        const float vx0 = vx, vy0 = vy;
        const float v = static_cast<float>(std::pow(static_cast<double>(vx * vx + vy * vy), 0.5));
        const float a = static_cast<float>(plain_drag(v / c, s.CURVE) * (v * v) / s.BC * rho * SolverDragFactor);
        vx = vx - dt * a * vx0 / v;
        vy = vy - dt * a * vy0 / v - 32.0f * dt;
        x += dt * (vx + vx0) / 2.0f;
        y += dt * (vy + vy0) / 2.0f;
    }
    float L = x / 3.0f;
    if (L > 1901.0f) L = 1901.0f;
    if (!(L >= 0.0f)) L = 0.0f;
    return L / 2.0f;
}

// ---- the sweep -----------------------------------------------------------------------------------

std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

struct Shot {
    float mv, bc, zr, sh;
    float short_range, long_range;
};

// Slow and draggy, the first-run pellet, and fast and slippery.
constexpr Shot Shots[] = {
    {200.0f, 0.006f, 8.0f, 0.5f, 10.0f, 40.0f},
    {785.0f, 0.0195f, 32.0f, 1.65f, 40.0f, 120.0f},
    {2900.0f, 0.365f, 100.0f, 2.5f, 60.0f, 300.0f},
    {4000.0f, 1.15f, 300.0f, 6.0f, 30.0f, 450.0f},
};

// The corners of the accepted air, one after the other.
AirState air_corner(int k) { return {(k & 1) ? 60.0f : -20.0f, (k & 2) ? 35.0f : 19.0f, (k & 4) ? 100.0f : 0.0f}; }

CalcState shot_state(const Shot& shot, int law, int corner) {
    CalcState s = testing::first_run_state();
    s.MV = shot.mv;
    s.BC = shot.bc;
    s.ZR = shot.zr;
    s.SH = shot.sh;
    s.CURVE = law;
    const AirState air = air_corner(corner);
    s.TMP = air.TMP;
    s.PRES = air.PRES;
    s.HUMID = air.HUMID;
    return s;
}

using testing::expect_same_trajectory;

TEST(ReferenceArithmetic, TrajectoriesCarryTheSameBitsForEveryLawShotAndAir) {
    auto fast = std::make_unique<Trajectory>();
    auto plain = std::make_unique<Trajectory>();
    int corner = 0;
    for (int law = 0; law < DragLawCount; ++law) {
        for (const Shot& shot : Shots) {
            const CalcState s = shot_state(shot, law, corner++ % 8);
            const FlightInputs in = flight_inputs(s);
            compute_trajectory(in, *fast);
            plain_trajectory(in, law, *plain);
            const std::string what = "law " + std::to_string(law) + " MV " + std::to_string(shot.mv);
            expect_same_trajectory(*fast, *plain, what.c_str());
            // The zero short of the apex: the near zero is the entered one.
            FlightInputs near = in;
            near.ZR = 0.25f * in.ZR;
            compute_trajectory(near, *fast);
            plain_trajectory(near, law, *plain);
            expect_same_trajectory(*fast, *plain, (what + " near zero").c_str());
        }
    }
}

TEST(ReferenceArithmetic, SolverFlightsSolvesAndRangeLimitsCarryTheSameBits) {
    int corner = 3;
    int solves = 0;
    for (int law = 0; law < DragLawCount; ++law) {
        for (const Shot& shot : Shots) {
            const CalcState s = shot_state(shot, law, corner++ % 8);
            const AirState air = air_state(s);
            const std::string what = "law " + std::to_string(law) + " MV " + std::to_string(shot.mv);
            EXPECT_EQ(bits(max_target_range(s)), bits(plain_range_limit(s))) << what;
            // The short range is solved under all four methods, the long range under one method
            // per law (each method in turn).
            for (int method = DeltaPOI; method <= DeltaD; ++method) {
                for (float range : {shot.short_range, shot.long_range}) {
                    if (range == shot.long_range && method != law % 4) continue;
                    const float p = plain_predict(s.MV, s.BC, s.ZR, s.SH, range, law, method, air);
                    ASSERT_EQ(bits(predict_measurement(s.MV, s.BC, s.ZR, s.SH, range, law, method, air)), bits(p))
                        << what << " method " << method << " range " << range;
                    const float off = method == DeltaT ? 0.003f : 0.2f;
                    // The shot's own measurement under every other method, one a little off it
                    // under the rest.
                    const float measured = (method + law) % 2 == 0 ? p : p + off;
                    {
                        EXPECT_EQ(bits(bisect_bc(s, measured, range, method)),
                                  bits(plain_bisect(s, measured, range, method)))
                            << what << " method " << method << " range " << range << " measured " << measured;
                        ++solves;
                    }
                }
            }
        }
    }
    EXPECT_EQ(solves, DragLawCount * 4 * (4 + 1));
}

TEST(ReferenceArithmetic, FlightsThatStallOrLeaveTheTableCarryTheSameBits) {
    // Trials with the smallest BC stall short of a far target; a flight above Mach 4.2 reads the
    // table's last row. Both must end where the plain flight ends.
    const AirState cold{-20.0f, 35.0f, 0.0f};
    for (int law = 0; law < DragLawCount; ++law) {
        for (int method = DeltaPOI; method <= DeltaD; ++method) {
            EXPECT_EQ(bits(predict_measurement(300.0f, 0.004f, 30.0f, 1.65f, 900.0f, law, method, cold)),
                      bits(plain_predict(300.0f, 0.004f, 30.0f, 1.65f, 900.0f, law, method, cold)));
            EXPECT_EQ(bits(predict_measurement(5200.0f, 0.9f, 50.0f, 1.65f, 80.0f, law, method, cold)),
                      bits(plain_predict(5200.0f, 0.9f, 50.0f, 1.65f, 80.0f, law, method, cold)));
        }
    }
    auto fast = std::make_unique<Trajectory>();
    auto plain = std::make_unique<Trajectory>();
    FlightInputs in = flight_inputs(testing::first_run_state());
    in.MV = 5200.0f;
    in.BC = 0.9f;
    in.TMP = -20.0f;
    compute_trajectory(in, *fast);
    plain_trajectory(in, testing::first_run_state().CURVE, *plain);
    expect_same_trajectory(*fast, *plain, "above the table");
}

}  // namespace
}  // namespace velora
