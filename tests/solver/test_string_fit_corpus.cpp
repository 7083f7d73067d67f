// The fit of shot strings on the real LabRadar series of ../shared/data/real/: each shot flown
// from its own muzzle velocity agrees with the window's solver shot by shot, and two series of the
// same load on one day that do not share a BC are told apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "engine/drag.h"
#include "services/readers/readers.h"
#include "solver/bc_solver.h"
#include "solver/string_fit.h"
#include "solver/string_fit_texts.h"
#include "tests/fixtures/first_run.h"
#include "tests/services/reader_corpus.h"

namespace velora {
namespace {

ShotString series(const char* name) {
    const StringRead r = read_string_path((test::real_data() / "labradar-22lr-topgenorth" / name).string());
    EXPECT_TRUE(r.ok()) << r.error.text();
    return r.ok() ? *r.string : ShotString{};
}

// The BC the window's velocity solver gives for one shot from its muzzle velocity and its
// velocity at the farthest gate, in the same air.
float solved_bc(const FitShot& shot, int law, const ShotFitInputs& in) {
    const Shot& far = shot.measurements.back();
    SolveInputs s;
    s.MV = *shot.mv;
    s.ZR = in.ZR;
    s.SH = in.SH;
    s.TR = far.range;
    s.measured = far.value;
    s.method = method_of(ShotQuantity::Velocity);
    s.law = drag_law_curve(law);
    s.air = in.air;
    return solve(s);
}

TEST(StringFitCorpus, SeriesBcAgreesWithTheShotsSolvedOneByOne) {
    REQUIRE_REAL_DATA();
    const ShotString s = series("SR0038");
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    const std::vector<FitShot> shots = string_fit_shots(s, false);
    ASSERT_GE(shots.size(), 25u);
    StringFitOptions own;
    own.mv = MvChoice::None;
    own.laws = {G1, RA4};
    const StringFit f = fit_string(shots, in, own);
    ASSERT_FALSE(f.refused);
    for (const ShotPlan& p : f.plan) EXPECT_EQ(p.source, MvSource::Own);
    for (int law : {G1, RA4}) {
        double sum = 0;
        int count = 0;
        for (std::size_t i = 0; i < shots.size(); ++i) {
            // The shots whose 50 m gate is in use.
            if (!f.in_series[i] || std::fabs(shots[i].measurements.back().range - 50.0f / 0.9144f) > 0.01f) continue;
            const float bc = solved_bc(shots[i], law, in);
            ASSERT_FALSE(is_bc_sentinel(bc)) << shots[i].name;
            sum += bc;
            ++count;
        }
        const double mean = sum / count;
        const StringLawFit* fit = f.law(law);
        ASSERT_NE(fit, nullptr);
        std::printf("%s: series %.4f [%.4f, %.4f], shots one by one %.4f over %d shots\n",
                    std::string(DragLaws[law].name).c_str(), fit->series.BC, fit->series.BC_low, fit->series.BC_high,
                    mean, count);
        // Within 3 %: a law that does not fit bends the BC from the gates between.
        EXPECT_NEAR(fit->series.BC, mean, 0.03 * mean) << DragLaws[law].name;
        // The mean of the shots' own BCs from all their gates lies with the series.
        EXPECT_NEAR(fit->spread.mean, fit->series.BC, 0.01 * mean) << DragLaws[law].name;
        EXPECT_GT(fit->spread.sd, 0.0);
    }
}

TEST(StringFitCorpus, RadarTracksFitEachShotsVelocityAndSetAsideJunk) {
    REQUIRE_REAL_DATA();
    const ShotString s = series("SR0038");
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    const std::vector<FitShot> shots = string_fit_shots(s, true);
    const StringFit f = fit_string(shots, in);
    ASSERT_FALSE(f.refused);
    for (const ShotPlan& p : f.plan) EXPECT_EQ(p.source, MvSource::Fitted);
    // Every shot set aside is named with the figure that set it aside, and kept in the plan.
    EXPECT_EQ(f.plan.size(), shots.size());
    for (const Outlier& o : f.outliers) {
        EXPECT_FALSE(f.in_series[o.shot]);
        EXPECT_GT(o.deviations, OutlierLimit);
    }
    EXPECT_LE(f.outliers.size(), 4u);
    // Put back by the user, a shot stays in.
    ASSERT_FALSE(f.outliers.empty());
    std::vector<FitShot> back = shots;
    back[f.outliers.front().shot].may_be_outlier = false;
    const StringFit g = fit_string(back, in);
    EXPECT_TRUE(g.in_series[f.outliers.front().shot]);
    // The velocities the fit finds lie near the device's extrapolation.
    const StringLawFit& best = f.laws.front();
    for (std::size_t i = 0; i < shots.size(); ++i) {
        if (!f.in_series[i]) continue;
        EXPECT_NEAR(best.mv[i], *shots[i].mv, 25.0f) << shots[i].name;
    }
}

// SR0038's tracks: some 2,000 samples whose residuals run together along each track. Counted as
// independent they would part the laws, which fit them all within a hair of each other; counted
// for what they are worth, the verdict cannot tell those laws apart and says why. Its gates, five a
// shot, are counted as they are.
TEST(StringFitCorpus, ATracksVerdictCountsItsSamplesForWhatTheyAreWorth) {
    REQUIRE_REAL_DATA();
    const ShotString s = series("SR0038");
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    const StringFit f = fit_string(string_fit_shots(s, true), in);
    ASSERT_FALSE(f.refused);
    const Verdict& v = f.verdict;
    std::printf("SR0038 tracks: %d samples count as %.0f (x %.2f); %zu laws inseparable\n", v.samples, v.effective,
                v.correlation, v.inseparable.size());
    EXPECT_GT(v.samples, 1500);
    EXPECT_GT(v.correlation, 3.0);
    EXPECT_GE(v.inseparable.size(), 2u);
    // Every law within a hundredth of the best rms stays with it.
    for (const StringLawFit& l : f.laws) {
        if (l.series.rms > f.laws.front().series.rms + 0.01) continue;
        EXPECT_TRUE(std::find(v.inseparable.begin(), v.inseparable.end(), l.series.law) != v.inseparable.end())
            << DragLaws[l.series.law].name;
    }
    const std::string text = verdict_text(f, shot_units(testing::first_run_state()));
    EXPECT_EQ(text.rfind("Cannot tell these laws apart", 0), 0u) << text;
    EXPECT_NE(text.find("by their lag-1 autocorrelation the " + std::to_string(v.samples) + " measurements count as " +
                        std::to_string(static_cast<int>(std::lround(v.effective))) + " independent ones"),
              std::string::npos)
        << text;

    const StringFit gates = fit_string(string_fit_shots(s, false), in);
    EXPECT_EQ(gates.verdict.correlation, 1.0);
    EXPECT_EQ(gates.verdict.effective, gates.verdict.samples);
    EXPECT_EQ(verdict_text(gates, ShotUnits{}).find("autocorrelation"), std::string::npos);
}

TEST(StringFitCorpus, TwoSeriesOfOneLoadThatDoNotShareABcAreToldApart) {
    REQUIRE_REAL_DATA();
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    std::vector<FitShot> both = string_fit_shots(series("SR0038"), false, 0);
    const std::vector<FitShot> other = string_fit_shots(series("SR0041"), false, 1);
    both.insert(both.end(), other.begin(), other.end());
    StringFitOptions o;
    o.laws = {G1};
    o.groups = {"SR0038", "SR0041"};
    const StringFit f = fit_string(both, in, o);
    ASSERT_FALSE(f.refused);
    const SharedBc& shared = f.laws.front().shared;
    ASSERT_TRUE(shared.tested);
    EXPECT_FALSE(shared.shared());
    ASSERT_EQ(shared.groups.size(), 2u);
    std::printf("G1 at %.0f ft/s: SR0038 %.4f ± %.4f, SR0041 %.4f ± %.4f, %.1f standard errors apart\n", shared.at_mv,
                shared.groups[0].bc, shared.groups[0].se, shared.groups[1].bc, shared.groups[1].se, shared.separation);
    EXPECT_LT(shared.groups[0].bc, shared.groups[1].bc);
    EXPECT_TRUE(std::any_of(f.messages.begin(), f.messages.end(),
                            [](const FitMessage& m) { return m.kind == FitMessageKind::NotShared; }));
    // Either alone is one string.
    const StringFit alone = fit_string(other, in, o);
    EXPECT_FALSE(alone.laws.front().shared.tested);
}

}  // namespace
}  // namespace velora
