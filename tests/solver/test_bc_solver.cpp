#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "engine/sampling.h"
#include "solver/bc_solver.h"
#include "solver/pass_worker.h"
#include "tests/fixtures/first_run.h"
#include "tests/golden/golden_values.h"

namespace velora {
namespace {

using testing::first_run_state;

// Half the final bracket of the bisection, plus the rounding of its last midpoint.
constexpr float BisectionTolerance = 0.00003f;

struct SolveCase {
    int law;
    float mv;
    float bc;
    float range;
};

class SolvesBack : public ::testing::TestWithParam<SolveCase> {};

TEST_P(SolvesBack, EveryMethodFindsTheBcThatProducedItsMeasurement) {
    const SolveCase c = GetParam();
    CalcState s = first_run_state();
    s.CURVE = c.law;
    s.MV = c.mv;
    s.ZR = c.range / 1.6f;
    const AirState air = air_state(s);
    for (int method = DeltaPOI; method <= DeltaD; ++method) {
        const float measured = predict_measurement(s.MV, c.bc, s.ZR, s.SH, c.range, c.law, method, air);
        EXPECT_NEAR(bisect_bc(s, measured, c.range, method), c.bc, BisectionTolerance)
            << "law " << c.law << " method " << method;
    }
}

INSTANTIATE_TEST_SUITE_P(DragLaws, SolvesBack,
                         ::testing::Values(SolveCase{GA2, 785.0f, 0.0195f, 40.0f}, SolveCase{G1, 900.0f, 0.025f, 50.0f},
                                           SolveCase{G7, 2800.0f, 0.3f, 300.0f}, SolveCase{GS, 600.0f, 0.01f, 25.0f},
                                           SolveCase{SLG1, 950.0f, 0.06f, 100.0f},
                                           SolveCase{RA4, 1100.0f, 0.12f, 100.0f},
                                           SolveCase{GA, 700.0f, 0.008f, 20.0f}));

// Bit for bit the BCs of the independent step-by-step calculation of tests/golden: each method
// at a short range (the first run's own measurements), at 300 yd and with a BC near 0.9, each
// solved from the active method's field.
TEST(SolveBc, GoldenBcsOfEveryMethod) {
    for (const golden::Solve& g : golden::Solves) {
        CalcState s = first_run_state();
        s.stateRB = g.method;
        s.MV = g.MV;
        s.CURVE = g.CURVE;
        s.ZR = g.ZR;
        s.SH = g.SH;
        s.TR = g.TR;
        s.TMP = g.TMP;
        s.PRES = g.PRES;
        s.HUMID = g.HUMID;
        s.POI = s.ET = s.TV = s.DROP = 0.0f;
        switch (g.method) {
            case DeltaPOI: s.POI = g.measured; break;
            case DeltaT: s.ET = g.measured; break;
            case DeltaV: s.TV = g.measured; break;
            default: s.DROP = g.measured; break;
        }
        EXPECT_EQ(solve_bc(s), g.BC) << "method " << g.method << " at " << g.TR << " yd, measured " << g.measured;
    }
    CalcState s = first_run_state();
    s.stateRB = 4;
    EXPECT_EQ(solve_bc(s), 0.0f);
}

TEST(PredictMeasurement, MethodOutsideTheFourGivesZero) {
    const AirState air = air_state(first_run_state());
    EXPECT_EQ(predict_measurement(785.0f, 0.02f, 32.0f, 1.65f, 40.0f, GA2, 4, air), 0.0f);
    EXPECT_EQ(predict_measurement(785.0f, 0.02f, 32.0f, 1.65f, 40.0f, GA2, -1, air), 0.0f);
}

TEST(PredictMeasurement, MeasurementsMoveWithTheBcTheWayTheBisectionAssumes) {
    const AirState air = air_state(first_run_state());
    float previous[4] = {};
    for (float bc : {0.005f, 0.01f, 0.02f, 0.05f, 0.2f, 1.0f}) {
        float p[4];
        for (int m = 0; m < 4; ++m) p[m] = predict_measurement(785.0f, bc, 32.0f, 1.65f, 40.0f, GA2, m, air);
        if (bc > 0.005f) {
            EXPECT_GT(p[DeltaPOI], previous[DeltaPOI]);
            EXPECT_LT(p[DeltaT], previous[DeltaT]);
            EXPECT_GT(p[DeltaV], previous[DeltaV]);
            EXPECT_GT(p[DeltaD], previous[DeltaD]);
        }
        for (int m = 0; m < 4; ++m) previous[m] = p[m];
    }
    // The velocity never exceeds the muzzle velocity and a level shot only drops.
    EXPECT_LT(previous[DeltaV], 785.0f);
    EXPECT_LT(previous[DeltaD], 0.0f);
}

TEST(PredictMeasurement, AFlightThatStallsShortOfTheTargetCountsAsAFarTooSmallBc) {
    // A slow, draggy pellet sent to 1900 yd comes to a standstill in the model long before: it
    // must neither hang nor report a number the bisection would read as a large BC.
    const AirState air{-20.0f, 35.0f, 0.0f};
    EXPECT_LT(predict_measurement(200.0f, 0.004f, 30.0f, 1.65f, 1900.0f, GS, DeltaPOI, air), -1e30f);
    EXPECT_GT(predict_measurement(200.0f, 0.004f, 30.0f, 1.65f, 1900.0f, GS, DeltaT, air), 1e30f);
    EXPECT_EQ(predict_measurement(200.0f, 0.004f, 30.0f, 1.65f, 1900.0f, GS, DeltaV, air), 0.0f);
    EXPECT_LT(predict_measurement(200.0f, 0.004f, 30.0f, 1.65f, 1900.0f, GS, DeltaD, air), -1e30f);
    // Unusable numbers end the flight the same way.
    EXPECT_EQ(predict_measurement(0.0f, 0.02f, 30.0f, 1.65f, 40.0f, GA2, DeltaV, air), 0.0f);
    EXPECT_EQ(predict_measurement(785.0f, 0.0f, 30.0f, 1.65f, 40.0f, GA2, DeltaV, air), 0.0f);
}

TEST(BisectBc, DeepMeasurementAtLongRangeSolvesUpwardsThroughStalledTrials) {
    // Trials with a tiny BC stall before 600 yd; the bisection must still find the real BC.
    CalcState s = first_run_state();
    s.MV = 3000.0f;
    s.CURVE = G7;
    s.ZR = 100.0f;
    const AirState air = air_state(s);
    const float drop = predict_measurement(s.MV, 0.05f, s.ZR, s.SH, 600.0f, G7, DeltaD, air);
    EXPECT_NEAR(bisect_bc(s, drop, 600.0f, DeltaD), 0.05f, BisectionTolerance);
}

TEST(BisectBc, SentinelsAtBothEndsOfTheBcRange) {
    const CalcState s = first_run_state();
    // Hardly any velocity lost over 40 yd: only a BC above 1.2 explains it.
    EXPECT_EQ(bisect_bc(s, s.MV - 2.0f, 40.0f, DeltaV), BcTooHigh);
    // Three quarters of it lost: a BC below 0.004.
    EXPECT_EQ(bisect_bc(s, 200.0f, 40.0f, DeltaV), BcTooLow);
    // The time of flight runs the other way.
    EXPECT_EQ(bisect_bc(s, 0.1f, 40.0f, DeltaT), BcTooHigh);
    EXPECT_EQ(bisect_bc(s, 2.0f, 40.0f, DeltaT), BcTooLow);
    EXPECT_EQ(bisect_bc(s, -0.3f, 40.0f, DeltaPOI), BcTooHigh);
    EXPECT_EQ(bisect_bc(s, -40.0f, 40.0f, DeltaPOI), BcTooLow);
    EXPECT_TRUE(is_bc_sentinel(BcTooLow));
    EXPECT_TRUE(is_bc_sentinel(BcTooHigh));
    EXPECT_FALSE(is_bc_sentinel(0.004f));
}

TEST(BisectBc, SameBitsAsTheStepByStepBisectionOverTheModel) {
    // The solver flies the midpoints of coming bisection steps together; it must end exactly where
    // the one-flight-per-step bisection ends, sentinels included.
    CalcState s = first_run_state();
    const AirState air = air_state(s);
    int compared = 0;
    for (int method = DeltaPOI; method <= DeltaD; ++method) {
        for (float range : {12.0f, 75.0f}) {
            for (float bc : {0.0041f, 0.0195f, 0.3f, 1.19f}) {
                for (float offset : {0.0f, 0.37f, -0.37f}) {
                    const float p = predict_measurement(s.MV, bc, s.ZR, s.SH, range, s.CURVE, method, air);
                    const float measured = p + offset * (method == DeltaT ? 0.01f : 1.0f);
                    const float reference = bisect_bc_over(measured, method, [&](float trial) {
                        return predict_measurement(s.MV, trial, s.ZR, s.SH, range, s.CURVE, method, air);
                    });
                    EXPECT_EQ(bisect_bc(s, measured, range, method), reference)
                        << "method " << method << " range " << range << " bc " << bc << " offset " << offset;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 4 * 2 * 4 * 3);
}

TEST(BisectBc, SolvesFlyingAheadTakeTheMidpointsOfTheStepByStepBisection) {
    // Midpoints flown ahead, on one thread or two, along the way a guess points: every result must
    // be the one-flight-per-step bisection's, however good or bad the caller's expectation of the
    // BC and the guesses are, sentinels included.
    struct Shot {
        float mv;
        int law;
        float zr;
        std::initializer_list<float> ranges;
        std::initializer_list<float> bcs;
    };
    const Shot shots[] = {
        {785.0f, GA2, 32.0f, {12.0f, 75.0f}, {0.0041f, 0.0195f, 0.3f, 1.19f}},
        {2900.0f, G1, 100.0f, {150.0f}, {0.05f, 0.365f, 1.15f}},
        {4000.0f, G7, 300.0f, {400.0f}, {0.8f}},
    };
    PassWorker worker;
    int compared = 0, too_low = 0, too_high = 0;
    for (const Shot& shot : shots) {
        CalcState s = first_run_state();
        s.MV = shot.mv;
        s.CURVE = shot.law;
        s.ZR = shot.zr;
        const AirState air = air_state(s);
        for (int method = DeltaPOI; method <= DeltaD; ++method) {
            for (float range : shot.ranges) {
                for (float bc : shot.bcs) {
                    for (float offset : {0.0f, 0.37f, -0.37f, 3.0f, -3.0f}) {
                        const float p = predict_measurement(s.MV, bc, s.ZR, s.SH, range, s.CURVE, method, air);
                        SolveInputs in;
                        in.MV = s.MV;
                        in.ZR = s.ZR;
                        in.SH = s.SH;
                        in.TR = range;
                        in.measured = p + offset * (method == DeltaT ? 0.01f : 1.0f);
                        in.method = method;
                        in.law = drag_law_curve(s.CURVE);
                        in.air = air;
                        const float reference = bisect_bc_over(in.measured, method, [&](float trial) {
                            return predict_measurement(in.MV, trial, in.ZR, in.SH, range, in.law, method, air);
                        });
                        const std::string what = "mv " + std::to_string(shot.mv) + " method " + std::to_string(method) +
                                                 " range " + std::to_string(range) + " bc " + std::to_string(bc) +
                                                 " offset " + std::to_string(offset);
                        const auto same = [reference](float bc_found) {
                            return std::bit_cast<std::uint32_t>(bc_found) == std::bit_cast<std::uint32_t>(reference);
                        };
                        EXPECT_TRUE(same(solve(in, worker))) << what;
                        EXPECT_TRUE(same(solve(in, worker, bc))) << what << ", expected where it was";
                        EXPECT_TRUE(same(solve(in, bc))) << what << ", one thread, expected where it was";
                        EXPECT_TRUE(same(solve(in, 2.5f * bc))) << what << ", one thread, expected too high";
                        EXPECT_TRUE(same(solve(in, worker, bc / 3.0f))) << what << ", expected too low";
                        ++compared;
                        too_low += reference == BcTooLow;
                        too_high += reference == BcTooHigh;
                    }
                }
            }
        }
    }
    EXPECT_EQ(compared, 4 * 5 * (2 * 4 + 3 + 1));
    // The sweep reaches both ends of the BC range, and the worker took part.
    EXPECT_GT(too_low, 0);
    EXPECT_GT(too_high, 0);
    EXPECT_GT(worker.ran_beside() + worker.taken_back(), compared);
    // No method outside the four.
    SolveInputs none = solve_inputs(first_run_state());
    none.method = 4;
    EXPECT_EQ(solve(none, worker), 0.0f);
}

TEST(BisectBcOver, FifteenHalvingsEndAtTheMidpointOfTheLastBracket) {
    int calls = 0;
    float lo = 0.003f, hi = 1.25f;
    const float target = 0.3f;
    const float bc = bisect_bc_over(target, DeltaV, [&](float mid) {
        ++calls;
        // Track the bracket the way the bisection must move it.
        if (target < mid)
            hi = mid;
        else
            lo = mid;
        return mid;
    });
    EXPECT_EQ(calls, 15);
    EXPECT_EQ(bc, (hi + lo) / 2.0f);
    EXPECT_LE(std::abs(hi - lo), 0.00005f);
    EXPECT_NEAR(bc, target, BisectionTolerance);
}

TEST(BisectBcOver, TimeOfFlightBisectsTheReversedWay) {
    // A falling measurement: the time-of-flight rule finds it, the rule of the other methods runs
    // off to a sentinel.
    const auto falling = [](float bc) { return 1.0f / bc; };
    EXPECT_NEAR(bisect_bc_over(1.0f / 0.25f, DeltaT, falling), 0.25f, BisectionTolerance);
    EXPECT_TRUE(is_bc_sentinel(bisect_bc_over(1.0f / 0.25f, DeltaV, falling)));
    const auto rising = [](float bc) { return bc; };
    EXPECT_NEAR(bisect_bc_over(0.25f, DeltaPOI, rising), 0.25f, BisectionTolerance);
    EXPECT_NEAR(bisect_bc_over(0.25f, DeltaD, rising), 0.25f, BisectionTolerance);
    EXPECT_TRUE(is_bc_sentinel(bisect_bc_over(0.25f, DeltaT, rising)));
}

TEST(BisectBcOver, AMeasurementEqualToThePredictionRaisesTheLowerEnd) {
    // Always equal: the lower end climbs 0.6265, 0.938, 1.094, 1.172, and the next midpoint
    // (1.211) lies above 1.2 — in every method, the time of flight included.
    for (int method = DeltaPOI; method <= DeltaD; ++method) {
        int calls = 0;
        const float bc = bisect_bc_over(0.5f, method, [&](float) {
            ++calls;
            return 0.5f;
        });
        EXPECT_EQ(bc, BcTooHigh) << "method " << method;
        EXPECT_EQ(calls, 4) << "method " << method;
    }
}

TEST(BisectBcOver, ReturnsTheLowSentinelAsSoonAsTheMidpointFallsBelowTheRange) {
    int calls = 0;
    const float bc = bisect_bc_over(0.0f, DeltaV, [&](float) {
        ++calls;
        return 1.0f;  // every trial too high
    });
    EXPECT_EQ(bc, BcTooLow);
    // 0.6265 → 0.315 → 0.159 → 0.081 → 0.042 → 0.022 → 0.013 → 0.008 → 0.0055 → 0.0043 → 0.0036.
    EXPECT_EQ(calls, 10);
}

TEST(MaxTargetRange, HalfTheRangeOfAThirtyFootFallUnderThirtyTwoFeetPerSecondSquared) {
    CalcState s = first_run_state();
    s.MV = 300.0f;
    s.BC = 1e5f;  // practically no drag
    // 30 ft at 32 ft/s² take √(60/32) s, 410.8 ft at 300 ft/s; the fall under 32.174 ft/s² would
    // end 1.1 ft earlier. The stop may overshoot by up to one step of half a foot.
    const float zero = max_target_range(s);
    EXPECT_GE(zero, 410.8f / 3.0f / 2.0f - 0.01f);
    EXPECT_LE(zero, 411.4f / 3.0f / 2.0f);
}

TEST(MaxTargetRange, CappedAtNineteenHundredAndOneYards) {
    CalcState s = first_run_state();
    s.MV = 6000.0f;
    s.BC = 1e5f;
    EXPECT_EQ(max_target_range(s), 950.5f);
}

TEST(MaxTargetRange, GoldenRangeLimits) {
    // The first-run pellet falls 30 ft within 218.9 yd; the fast G7 bullet within 1017.7 yd.
    CalcState s = first_run_state();
    EXPECT_EQ(max_target_range(s), golden::FirstRunFlightDerived.MaxZeroRange);
    const golden::Flight& fast = golden::FastFlight;
    s.MV = fast.MV;
    s.BC = fast.BC;
    s.CURVE = fast.CURVE;
    s.TMP = fast.TMP;
    s.PRES = fast.PRES;
    s.HUMID = fast.HUMID;
    EXPECT_EQ(max_target_range(s), golden::FastFlightDerived.MaxZeroRange);
    // A larger BC carries further.
    s = first_run_state();
    s.BC = 0.04f;
    EXPECT_GT(max_target_range(s), golden::FirstRunFlightDerived.MaxZeroRange);
}

TEST(MaxTargetRange, UnusableInputsEndTheFlightWithNoRange) {
    CalcState s = first_run_state();
    s.BC = 0.0f;
    EXPECT_EQ(max_target_range(s), 0.0f);
    s = first_run_state();
    s.MV = 0.0f;
    EXPECT_EQ(max_target_range(s), 0.0f);
}

TEST(ConvertBcToDragLaw, KeepsTheVelocityAtTheTarget) {
    CalcState s = first_run_state();
    auto old_path = std::make_unique<Trajectory>();
    compute_trajectory(flight_inputs(s), *old_path);
    const float v_old = static_cast<float>(velocity_at(*old_path, s.TR));
    for (int law : {G1, GA, GS, RA4, G7, SLG0, SLG1, WC0, GL}) {
        const float bc = convert_bc_to_drag_law(s, *old_path, law);
        ASSERT_FALSE(is_bc_sentinel(bc)) << "law " << law;
        const float v_new = predict_measurement(s.MV, bc, s.ZR, s.SH, s.TR, law, DeltaV, air_state(s));
        // 0.00003 of BC is worth about 0.3 ft/s here.
        EXPECT_NEAR(v_new, v_old, 0.3f) << "law " << law;
    }
    // The round ball drags more than the pellet law at these speeds and needs a larger BC; the
    // long boat-tail less.
    EXPECT_GT(convert_bc_to_drag_law(s, *old_path, GS), s.BC);
    EXPECT_LT(convert_bc_to_drag_law(s, *old_path, G7), s.BC);
    // Back to its own law it is its own BC, to the solver's tolerance and the two models' difference.
    EXPECT_NEAR(convert_bc_to_drag_law(s, *old_path, GA2), s.BC, 0.0002f);
}

TEST(ConvertBcToDragLaw, RefusesABcBeyondTheRange) {
    CalcState s = first_run_state();
    s.MV = 1000.0f;
    s.BC = 1.1f;
    s.CURVE = G7;
    auto path = std::make_unique<Trajectory>();
    compute_trajectory(flight_inputs(s), *path);
    EXPECT_EQ(convert_bc_to_drag_law(s, *path, GS), BcTooHigh);
}

}  // namespace
}  // namespace velora
