// The fit from several shots: its flight against the solver's, shots made with the model from a
// known law and BC fitted back, the interval's coverage under noise, refusals and the checks.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engine/drag.h"
#include "solver/bc_solver.h"
#include "solver/input_limits.h"
#include "solver/shot_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using testing::first_run_state;

constexpr float BisectionTolerance = 0.00003f;

Shot shot(float range, ShotQuantity q, float value) { return Shot{range, q, value, std::nullopt}; }

// The shots that the model gives for `bc` under `law` at the given ranges and quantities.
std::vector<Shot> model_shots(const ShotFitInputs& in, int law, float bc,
                              const std::vector<std::pair<float, ShotQuantity>>& at) {
    std::vector<Shot> shots;
    for (const auto& [range, q] : at) shots.push_back(shot(range, q, 0.0f));
    const std::vector<float> values = predict_shots(shots, in.MV, bc, law, in);
    for (std::size_t i = 0; i < shots.size(); ++i) shots[i].value = values[i];
    return shots;
}

TEST(PredictShots, EachShotIsWhatTheSolversFlightGivesForItAlone) {
    CalcState s = first_run_state();
    for (int law : {GA2, G1, G7, SLG1}) {
        const ShotFitInputs in = shot_fit_inputs(s);
        // Ranges beyond the zero, two within one half-inch step, one on a whole yard, a long one.
        std::vector<Shot> shots;
        for (float r : {33.0f, 40.0f, 40.01f, 47.3f, 60.0f, 95.5f})
            for (int q = 0; q < ShotQuantityCount; ++q) shots.push_back(shot(r, static_cast<ShotQuantity>(q), 0.0f));
        const std::vector<float> p = predict_shots(shots, s.MV, 0.027f, law, in);
        for (std::size_t i = 0; i < shots.size(); ++i) {
            const float alone = predict_measurement(s.MV, 0.027f, s.ZR, s.SH, shots[i].range, law,
                                                    method_of(shots[i].quantity), in.air);
            EXPECT_EQ(p[i], alone) << "law " << law << " shot " << i;
        }
    }
}

TEST(PredictShots, PoiShortOfTheZeroIsTakenAgainstTheSameLineOfSight) {
    CalcState s = first_run_state();  // zero 32 yd, the path crosses the line near 15.3 yd too
    const ShotFitInputs in = shot_fit_inputs(s);
    const std::vector<Shot> shots = {shot(8.0f, ShotQuantity::Poi, 0), shot(24.0f, ShotQuantity::Poi, 0),
                                     shot(32.0f, ShotQuantity::Poi, 0), shot(40.0f, ShotQuantity::Poi, 0)};
    const std::vector<float> p = predict_shots(shots, s.MV, s.BC, s.CURVE, in);
    EXPECT_LT(p[0], 0.0f) << "below the line before the near zero";
    EXPECT_NEAR(p[1], 0.253f, 0.01f) << "the apex, about a quarter inch above the line";
    EXPECT_NEAR(p[2], 0.0f, 0.01f) << "on the line at the zero";
    EXPECT_NEAR(p[3], -0.767f, 0.01f) << "the first-run POI at 40 yd";
    // The same flight whichever shot comes first in the list.
    const std::vector<Shot> reversed(shots.rbegin(), shots.rend());
    EXPECT_EQ(predict_shots(reversed, s.MV, s.BC, s.CURVE, in)[3], p[0]);
}

TEST(FitShots, OneShotGivesTheBcTheWindowsSolverBisects) {
    CalcState s = first_run_state();
    const ShotFitInputs in = shot_fit_inputs(s);
    const std::pair<ShotQuantity, float> measured[] = {{ShotQuantity::Poi, -1.9f},
                                                       {ShotQuantity::Time, 0.1731f},
                                                       {ShotQuantity::Velocity, 640.0f},
                                                       {ShotQuantity::Drop, -9.5f}};
    for (const auto& [q, value] : measured) {
        const std::vector<Shot> shots = {shot(45.0f, q, value)};
        const LawFit fit = fit_shots(shots, in, {false, {GA2}})[0];
        const float bisected = bisect_bc(s, value, 45.0f, method_of(q));
        ASSERT_FALSE(is_bc_sentinel(bisected));
        EXPECT_NEAR(fit.BC, bisected, BisectionTolerance) << shot_quantity_name(q);
        EXPECT_LT(fit.rms, 1e-3) << "one shot is explained exactly";
        EXPECT_LT(fit.BC_low, fit.BC);
        EXPECT_GT(fit.BC_high, fit.BC);
    }
}

struct KnownPellet {
    int law;
    float mv, bc;
    std::vector<std::pair<float, ShotQuantity>> shots;
};

class FitsBack : public ::testing::TestWithParam<KnownPellet> {};

TEST_P(FitsBack, TheLawThatMadeTheShotsRanksFirstWithItsBc) {
    const KnownPellet k = GetParam();
    CalcState s = first_run_state();
    s.MV = k.mv;
    const ShotFitInputs in = shot_fit_inputs(s);
    const std::vector<Shot> shots = model_shots(in, k.law, k.bc, k.shots);
    const std::vector<LawFit> fits = fit_shots(shots, in);
    ASSERT_EQ(fits.size(), 10u);
    EXPECT_EQ(fits[0].law, k.law);
    EXPECT_EQ(fits[0].outcome, FitOutcome::Fitted);
    EXPECT_NEAR(fits[0].BC, k.bc, k.bc * 0.001f);
    EXPECT_LE(fits[0].BC_low, k.bc);
    EXPECT_GE(fits[0].BC_high, k.bc);
    EXPECT_LT(fits[0].rms, 0.01);
    EXPECT_GT(fits[1].rms, 10.0 * fits[0].rms) << "the other laws explain the shots clearly worse";
    for (double r : fits[0].residuals) EXPECT_LT(std::fabs(r), 0.01);
    for (std::size_t i = 1; i < fits.size(); ++i) {
        const bool before = fits[i - 1].outcome == FitOutcome::Fitted, here = fits[i].outcome == FitOutcome::Fitted;
        EXPECT_TRUE(before == here ? fits[i - 1].rms <= fits[i].rms : before) << "place " << i;
    }
    // The same shots give the same fits, bit for bit.
    const std::vector<LawFit> again = fit_shots(shots, in);
    for (std::size_t i = 0; i < fits.size(); ++i) {
        EXPECT_EQ(again[i].law, fits[i].law);
        EXPECT_EQ(again[i].BC, fits[i].BC);
        EXPECT_EQ(again[i].BC_low, fits[i].BC_low);
    }
}

using Q = ShotQuantity;
INSTANTIATE_TEST_SUITE_P(
    Pellets, FitsBack,
    ::testing::Values(
        // Velocities at six ranges.
        KnownPellet{GA2,
                    785.0f,
                    0.0195f,
                    {{10, Q::Velocity},
                     {20, Q::Velocity},
                     {30, Q::Velocity},
                     {40, Q::Velocity},
                     {50, Q::Velocity},
                     {60, Q::Velocity}}},
        KnownPellet{G7,
                    2900.0f,
                    0.25f,
                    {{100, Q::Velocity},
                     {200, Q::Velocity},
                     {300, Q::Velocity},
                     {400, Q::Velocity},
                     {500, Q::Velocity},
                     {600, Q::Velocity}}},
        // A mix of velocity, time and POI.
        KnownPellet{SLG1,
                    930.0f,
                    0.06f,
                    {{40, Q::Poi},
                     {60, Q::Poi},
                     {80, Q::Poi},
                     {50, Q::Time},
                     {100, Q::Time},
                     {75, Q::Velocity},
                     {100, Q::Velocity}}},
        KnownPellet{GS,
                    820.0f,
                    0.024f,
                    {{35, Q::Poi}, {50, Q::Poi}, {25, Q::Velocity}, {50, Q::Velocity}, {50, Q::Time}, {50, Q::Drop}}}));

// The rate at which the interval Δ = max(1, S/ν) holds the true value, for a model linear in its
// parameter: E[P(|z| ≤ max(1, √(χ²ν / ν)))] over the chi-square of ν degrees of freedom.
double expected_coverage(int nu, double understatement) {
    const double norm = std::pow(2.0, nu / 2.0) * std::tgamma(nu / 2.0);
    double rate = 0.0;
    constexpr int Steps = 20000;
    constexpr double Top = 60.0;
    for (int i = 0; i < Steps; ++i) {
        const double x = (i + 0.5) * Top / Steps;  // the chi-square against the true uncertainties
        const double density = std::pow(x, nu / 2.0 - 1.0) * std::exp(-x / 2.0) / norm;
        const double stated = x * understatement * understatement;  // against the stated ones
        const double half_width = std::sqrt(std::max(1.0, stated / nu)) / understatement;
        rate += density * std::erf(half_width / std::sqrt(2.0)) * Top / Steps;
    }
    return rate;
}

// Six velocities with noise of `noise` times their stated uncertainty, over many seeds.
double measured_coverage(double noise, int seeds) {
    CalcState s = first_run_state();
    const ShotFitInputs in = shot_fit_inputs(s);
    const float bc = 0.0195f;
    const std::vector<Shot> exact = model_shots(in, GA2, bc,
                                                {{10, Q::Velocity},
                                                 {20, Q::Velocity},
                                                 {30, Q::Velocity},
                                                 {40, Q::Velocity},
                                                 {50, Q::Velocity},
                                                 {60, Q::Velocity}});
    int covered = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        std::normal_distribution<double> normal(0.0, 1.0);
        std::vector<Shot> shots = exact;
        for (Shot& sh : shots) {
            sh.uncertainty = 3.0f;  // ft/s
            sh.value = static_cast<float>(sh.value + noise * 3.0 * normal(random));
        }
        const LawFit fit = fit_shots(shots, in, {false, {GA2}})[0];
        if (fit.BC_low <= bc && bc <= fit.BC_high) ++covered;
    }
    return static_cast<double>(covered) / seeds;
}

TEST(FitShotsCoverage, IntervalHoldsTheTrueBcAtTheStatedRate) {
    constexpr int Seeds = 300;
    const double expected = expected_coverage(5, 1.0);  // about 0.72 for six shots
    const double spread = std::sqrt(expected * (1.0 - expected) / Seeds);
    EXPECT_NEAR(measured_coverage(1.0, Seeds), expected, 3.0 * spread);
}

TEST(FitShotsCoverage, UncertaintiesStatedTooSmallWidenTheInterval) {
    // The shots scatter three times more than stated: an interval of Δ = 1 would hold the BC a
    // quarter of the time; the scaled one keeps near the Student rate of five degrees (0.64).
    constexpr int Seeds = 200;
    const double expected = expected_coverage(5, 3.0);
    const double spread = std::sqrt(expected * (1.0 - expected) / Seeds);
    EXPECT_GT(expected, 0.6);
    EXPECT_NEAR(measured_coverage(3.0, Seeds), expected, 3.0 * spread);
}

TEST(FitShots, MuzzleVelocityFittedWithTheBc) {
    CalcState s = first_run_state();
    const ShotFitInputs made = shot_fit_inputs(s);
    const std::vector<Shot> shots =
        model_shots(made, GA2, 0.0195f,
                    {{15, Q::Velocity}, {30, Q::Velocity}, {45, Q::Velocity}, {45, Q::Time}, {60, Q::Velocity}});
    ShotFitInputs in = made;
    in.MV = 810.0f;  // the chronograph read 25 ft/s fast
    const LawFit given = fit_shots(shots, in, {false, {GA2}})[0];
    const LawFit fitted = fit_shots(shots, in, {true, {GA2}})[0];
    EXPECT_GT(given.rms, 1.0) << "with the wrong velocity no BC explains the shots";
    EXPECT_NEAR(fitted.MV, 785.0f, 0.05f);
    EXPECT_NEAR(fitted.BC, 0.0195f, 0.0195f * 0.001f);
    EXPECT_LT(fitted.rms, 0.01);
    EXPECT_LE(fitted.BC_low, 0.0195f);
    EXPECT_GE(fitted.BC_high, 0.0195f);
    EXPECT_EQ(given.MV, 810.0f);
}

TEST(FitShots, BcBeyondTheRangeIsRefusedAndRankedLast) {
    CalcState s = first_run_state();
    const ShotFitInputs in = shot_fit_inputs(s);
    // Hardly any loss over 50 yd: only a BC far above 1.2 explains it.
    const std::vector<Shot> fast = {shot(25.0f, Q::Velocity, 784.95f), shot(50.0f, Q::Velocity, 784.9f)};
    const std::vector<LawFit> fits = fit_shots(fast, in);
    for (const LawFit& f : fits) {
        EXPECT_EQ(f.outcome, FitOutcome::AboveRange) << "law " << f.law;
        EXPECT_EQ(f.BC, MaxBC);
    }
    // A loss no BC from 0.004 up explains.
    const float at_least = predict_measurement(s.MV, MinBC, s.ZR, s.SH, 50.0f, GA, DeltaV, in.air);
    const std::vector<Shot> slow = {shot(50.0f, Q::Velocity, 0.9f * at_least)};
    EXPECT_EQ(fit_shots(slow, in, {false, {GA}})[0].outcome, FitOutcome::BelowRange);

    // Refused laws come after every fitted one, even with a smaller rms.
    const std::vector<Shot> pellet = model_shots(in, GA2, 0.0195f, {{20, Q::Velocity}, {40, Q::Velocity}});
    const std::vector<LawFit> mixed = fit_shots(pellet, in, {false, {G7, GA2}});
    EXPECT_EQ(mixed[0].law, GA2);
}

TEST(CheckShots, NamesTheFirstShotThatCannotBeFlown) {
    using K = ShotProblemKind;
    CalcState s = first_run_state();
    const ShotFitInputs in = shot_fit_inputs(s);
    ASSERT_GT(in.MaxRange, 200.0f);
    EXPECT_EQ(check_shots({}, in, false)->kind, K::NoShot);
    EXPECT_EQ(check_shots({shot(40, Q::Velocity, 600)}, in, true)->kind, K::TooFewToFitMv);
    EXPECT_FALSE(check_shots({shot(40, Q::Velocity, 600), shot(50, Q::Poi, 1.0f)}, in, true));

    const auto kind = [&](Shot bad) -> std::optional<K> {
        const auto problem = check_shots({shot(40, Q::Velocity, 600), bad}, in, false);
        if (!problem) return std::nullopt;
        EXPECT_EQ(problem->shot, 1);
        return problem->kind;
    };
    EXPECT_EQ(kind(shot(in.MaxRange + 1.0f, Q::Time, 1.0f)), K::RangeBeyondLimit);
    EXPECT_EQ(kind(shot(in.MaxRange, Q::Time, 1.0f)), std::nullopt);
    EXPECT_EQ(kind(shot(0.0f, Q::Poi, -1.0f)), K::RangeNotPositive);
    EXPECT_EQ(kind(shot(NAN, Q::Poi, -1.0f)), K::RangeNotPositive);
    EXPECT_EQ(kind(shot(40.0f, Q::Velocity, 0.0f)), K::ValueNotPositive);
    EXPECT_EQ(kind(shot(40.0f, Q::Time, -0.2f)), K::ValueNotPositive);
    EXPECT_EQ(kind(shot(40.0f, Q::Poi, NAN)), K::ValueNotANumber);
    EXPECT_EQ(kind(shot(20.0f, Q::Poi, 0.4f)), std::nullopt) << "above the aim between the zeros";
    EXPECT_EQ(kind(Shot{40.0f, Q::Drop, -3.0f, 0.0f}), K::UncertaintyNotPositive);
    EXPECT_EQ(kind(Shot{40.0f, Q::Drop, -3.0f, 0.2f}), std::nullopt);
}

TEST(ShotUncertainty, DefaultsAndNames) {
    EXPECT_FLOAT_EQ(default_uncertainty(Q::Velocity, 600.0f), 3.0f);
    EXPECT_FLOAT_EQ(default_uncertainty(Q::Time, 0.2f), 0.0005f);
    EXPECT_FLOAT_EQ(default_uncertainty(Q::Poi, -2.0f), 0.1f);
    EXPECT_FLOAT_EQ(uncertainty_of(Shot{40, Q::Drop, -3.0f, 0.25f}), 0.25f);
    for (int q = 0; q < ShotQuantityCount; ++q)
        EXPECT_EQ(shot_quantity_named(shot_quantity_name(static_cast<Q>(q))), static_cast<Q>(q));
    EXPECT_FALSE(shot_quantity_named("speed"));
}

}  // namespace
}  // namespace velora
