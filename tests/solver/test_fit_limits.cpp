// What keeps a fit finite and bounded: no infinite value typed into the Fit window's units, no
// shot weighed by a zero or subnormal uncertainty, no more shots than a fit takes, and a fit that
// beside the window can be followed and stopped between its steps.
#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cmath>

#include "engine/units.h"
#include "solver/fit_texts.h"
#include "solver/shot_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using testing::first_run_state;
using Q = ShotQuantity;

TEST(FitLimits, AValueThatOverflowsItsUnitIsRefusedNeverInfinite) {
    CalcState s = first_run_state();
    s.stateTV = MPerS;
    const ShotUnits u = shot_units(s);
    // 1e39 reads as the largest float; in m/s it would be infinite ft/s.
    for (const char* typed : {"1e39", "3.4e38", "1e39m/s", "-1e39 m/s"}) {
        const UnitValue v = read_shot_value(typed, Q::Velocity, u);
        EXPECT_FALSE(v.ok()) << typed << " read as " << v.value;
        EXPECT_EQ(v.value, 0.0f) << typed;
    }
    EXPECT_FALSE(read_shot_uncertainty("1e39%", Q::Velocity, 1e38f, u).ok());
    // Large but finite values stay values: the fit's checks deal with them.
    EXPECT_TRUE(read_shot_value("1e30", Q::Velocity, u).ok());
    EXPECT_TRUE(read_shot_value("-1e39mm", Q::Poi, u).ok()) << "millimetres make it smaller";
}

TEST(FitLimits, ZeroSubnormalAndVanishingDefaultUncertaintiesAreRefused) {
    const ShotFitInputs in = shot_fit_inputs(first_run_state());
    const auto kind = [&](Shot bad) -> std::optional<ShotProblemKind> {
        const auto problem = check_shots({Shot{40, Q::Velocity, 600, std::nullopt}, bad}, in, false);
        if (!problem) return std::nullopt;
        EXPECT_EQ(problem->shot, 1);
        return problem->kind;
    };
    using K = ShotProblemKind;
    EXPECT_EQ(kind(Shot{40, Q::Poi, -3.0f, 0.0f}), K::UncertaintyNotPositive);
    EXPECT_EQ(kind(Shot{40, Q::Poi, -3.0f, FLT_TRUE_MIN}), K::UncertaintyNotPositive) << "subnormal";
    EXPECT_EQ(kind(Shot{40, Q::Poi, -3.0f, FLT_MIN / 2}), K::UncertaintyNotPositive) << "subnormal";
    EXPECT_EQ(kind(Shot{40, Q::Poi, -3.0f, INFINITY}), K::UncertaintyNotPositive);
    EXPECT_EQ(kind(Shot{40, Q::Poi, -3.0f, FLT_MIN}), std::nullopt) << "the smallest normal float";
    // 0.5 % of 1e-45 ft/s is 0: the default weighs no better.
    EXPECT_EQ(kind(Shot{40, Q::Velocity, 1e-45f, std::nullopt}), K::UncertaintyNotPositive);
    EXPECT_EQ(kind(Shot{40, Q::Velocity, 1e-30f, std::nullopt}), std::nullopt);
    EXPECT_NE(shot_problem_text({1, K::UncertaintyNotPositive}, "Shot 2", in, shot_units(first_run_state()))
                  .find("Shot 2: its uncertainty"),
              std::string::npos);
}

TEST(FitLimits, MoreShotsThanAFitTakesAreRefusedAsAWhole) {
    const ShotFitInputs in = shot_fit_inputs(first_run_state());
    std::vector<Shot> shots(MostFitShots, Shot{40, Q::Velocity, 600, std::nullopt});
    EXPECT_FALSE(check_shots(shots, in, true));
    shots.push_back(shots.front());
    const auto problem = check_shots(shots, in, true);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->kind, ShotProblemKind::TooManyShots);
    EXPECT_EQ(problem->shot, -1);
    EXPECT_EQ(shot_problem_text(*problem, "", in, shot_units(first_run_state())),
              "A fit takes at most " + std::to_string(MostFitShots) + " shots.");
}

// A fit beside the window: its progress only rises and ends at 1, and a stop asked at any step
// ends it there, without a result.
TEST(FitLimits, AFitIsFollowedAndStoppedBetweenItsSteps) {
    const ShotFitInputs in = shot_fit_inputs(first_run_state());
    const std::vector<Shot> shots = {Shot{20, Q::Velocity, 700, std::nullopt}, Shot{40, Q::Velocity, 640, std::nullopt},
                                     Shot{60, Q::Velocity, 585, std::nullopt}};
    std::vector<double> shares;
    FitControl follow;
    follow.progress = [&shares](double done) { shares.push_back(done); };
    const std::vector<LawFit> whole = fit_shots(shots, in, {true, {}}, follow);
    ASSERT_EQ(whole.size(), 10u);
    ASSERT_GT(shares.size(), 10u);
    for (std::size_t i = 1; i < shares.size(); ++i) EXPECT_GE(shares[i], shares[i - 1]);
    EXPECT_EQ(shares.back(), 1.0);
    EXPECT_EQ(whole.front().law, fit_shots(shots, in, {true, {}}).front().law) << "following changes nothing";

    for (const std::size_t stop_at : {std::size_t{0}, std::size_t{1}, shares.size() / 2}) {
        std::size_t asked = 0;
        FitControl stop;
        stop.cancelled = [&asked, stop_at] { return asked++ >= stop_at; };
        EXPECT_TRUE(fit_shots(shots, in, {true, {}}, stop).empty()) << stop_at;
        EXPECT_EQ(asked, stop_at + 1) << "nothing more is flown once it is asked to stop";
    }
}

}  // namespace
}  // namespace velora
