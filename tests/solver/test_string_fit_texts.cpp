// The texts the Fit window shows for a string's fit, on records made by hand: where each shot's
// muzzle velocity came from, what set it aside, its own BC under the chosen law, and the verdict,
// spread and trend above the list, in the window's units.
#include <gtest/gtest.h>

#include "engine/drag.h"
#include "solver/string_fit_texts.h"

namespace velora {
namespace {

FitShot shot_named(const std::string& name, MvKind kind, int index) {
    FitShot s;
    s.name = name;
    s.string_index = index;
    s.mv = 1200.0f;
    s.mv_kind = kind;
    return s;
}

ShotFit own_fit(float bc, double rms) {
    ShotFit s;
    s.BC = bc;
    s.BC_low = bc - 0.001f;
    s.BC_high = bc + 0.001f;
    s.rms = rms;
    return s;
}

// Three shots under G1 and RA4: the first measured, the second fitted from its radar track, the
// third could not be flown and was set aside for its rms.
struct Fixture {
    std::vector<FitShot> shots{shot_named("shot 0001", MvKind::Measured, 0),
                               shot_named("shot 0002", MvKind::Extrapolated, 1),
                               shot_named("shot 0003", MvKind::Extrapolated, 2)};
    StringFit fit;

    Fixture() {
        fit.plan = {ShotPlan{MvSource::Own, 1200.0f}, ShotPlan{MvSource::Fitted, 1210.0f},
                    ShotPlan{MvSource::Fitted, 1190.0f}};
        fit.in_series = {true, true, false};
        for (int law : {G1, RA4}) {
            StringLawFit l;
            l.series.law = law;
            l.series.BC = law == G1 ? 0.1000f : 0.0500f;
            l.mv = {1200.0f, 1212.5f, 1190.0f};
            l.shots = {own_fit(law == G1 ? 0.1010f : 0.0510f, 0.84), own_fit(0.0990f, 1.2), ShotFit{false}};
            l.spread = BcSpread{2, law == G1 ? 0.1000 : 0.0505, law == G1 ? 0.0014 : 0.0007, 0.0990, 0.1010};
            l.trend.valid = law == G1;
            l.trend.mean_mv = 1205.0;
            l.trend.at_mean = 0.1;
            l.trend.slope = 2e-5;
            l.trend.slope_low = 1e-5;
            l.trend.slope_high = 3e-5;
            fit.laws.push_back(l);
        }
        fit.outliers = {Outlier{2, G1, OutlierFigure::Rms, 9.5, 1.1, 1.5, 5.6}};
        fit.messages = {FitMessage{FitMessageKind::TooFewToFitMv, {0}, 3}};
        fit.verdict.inseparable = {G1, RA4};
        fit.verdict.scale = 2.31;
    }
};

TEST(StringFitTexts, WhereEachMuzzleVelocityCameFrom) {
    EXPECT_EQ(mv_origin_text(MvSource::Own, MvKind::Measured), "measured");
    EXPECT_EQ(mv_origin_text(MvSource::Own, MvKind::Extrapolated), "the radar's");
    EXPECT_EQ(mv_origin_text(MvSource::Own, MvKind::Unknown), "recorded");
    EXPECT_EQ(mv_origin_text(MvSource::Fitted, MvKind::Extrapolated), "fitted");
    EXPECT_EQ(mv_origin_text(MvSource::StringMean, MvKind::Unknown), "the string's mean");
    EXPECT_EQ(mv_origin_text(MvSource::Window, MvKind::Unknown), "the main window's");
}

TEST(StringFitTexts, AMarkNamesTheFigureThatSetTheShotAsideOrTheReadersReason) {
    const Outlier by_bc{3, G7, OutlierFigure::Bc, 0.08763, 0.0724, 0.0041, 3.74};
    EXPECT_EQ(shot_mark_text(&by_bc, {}), "set aside: G7 BC 0.0876, 3.7 × the scatter from the line");
    const Outlier by_rms{3, G1, OutlierFigure::Rms, 9.5, 1.1, 1.5, 5.6};
    EXPECT_EQ(shot_mark_text(&by_rms, {}), "set aside: G1 rms 9.50, 5.6 × the scatter above the median");
    const Outlier at_limit{3, RA4, OutlierFigure::AtLimit, 1.2, 0, 0, 0};
    EXPECT_EQ(shot_mark_text(&at_limit, {}), "set aside: its RA4 BC runs out of the range");

    Marks lost;
    lost.add(MarkKind::LostTrack, "lost track: the device wrote 0");
    EXPECT_EQ(shot_mark_text(nullptr, lost), "set aside: lost track: the device wrote 0");
    lost.set_used(true);
    EXPECT_EQ(shot_mark_text(nullptr, lost), "taken back in despite: lost track: the device wrote 0");
    EXPECT_EQ(shot_mark_text(nullptr, Marks{}), "");
}

TEST(StringFitTexts, EachShotUnderTheChosenLawInTheWindowsUnits) {
    const Fixture x;
    ShotUnits metric;
    metric.velocity = MPerS;
    metric.range = Metre;
    const ShotResultTexts first = shot_result_texts(x.fit, x.shots, 0, x.fit.laws[1], metric);
    EXPECT_EQ(first.mv, "365.8");  // 1200 ft/s
    EXPECT_EQ(first.origin, "measured");
    EXPECT_EQ(first.bc, "0.0510");
    EXPECT_EQ(first.interval, "0.0500 – 0.0520");
    EXPECT_EQ(first.rms, "0.84");

    // Its own velocity fitted: the one the series flew it with.
    const ShotResultTexts second = shot_result_texts(x.fit, x.shots, 1, x.fit.laws[0], ShotUnits{});
    EXPECT_EQ(second.mv, "1212.5");
    EXPECT_EQ(second.origin, "fitted");
    EXPECT_EQ(second.bc, "0.0990");

    const ShotResultTexts third = shot_result_texts(x.fit, x.shots, 2, x.fit.laws[0], ShotUnits{});
    EXPECT_EQ(third.bc, "not flown");
    EXPECT_TRUE(third.interval.empty());
    EXPECT_TRUE(third.rms.empty());
    // Beyond the fit's shots: nothing, not a crash.
    EXPECT_TRUE(shot_result_texts(x.fit, x.shots, 7, x.fit.laws[0], ShotUnits{}).mv.empty());
}

TEST(StringFitTexts, TheVerdictFirstThenTheNotesAndTheChosenLawsSpreadAndTrend) {
    const Fixture x;
    const FitSummaryTexts g1 = fit_summary_texts(x.fit, x.shots, G1, {"SR0038"}, ShotUnits{});
    EXPECT_EQ(g1.verdict.rfind("Cannot tell these laws apart: G1 and RA4 (weighted sum of squares within 4 × 2.31", 0),
              0u)
        << g1.verdict;
    ASSERT_EQ(g1.notes.size(), 2u);
    EXPECT_EQ(g1.notes[0].rfind("Shot 0001 has fewer than 3 measurements", 0), 0u) << g1.notes[0];
    EXPECT_EQ(g1.notes[1].rfind("shot 0003 set aside: its rms 9.50 under G1", 0), 0u) << g1.notes[1];
    EXPECT_EQ(g1.law, "Under G1:");
    EXPECT_EQ(g1.spread, "The shots' own BCs (2): mean 0.1000, SD 0.0014, 0.0990 to 0.1010.");
    EXPECT_EQ(g1.trend,
              "BC against muzzle velocity: +0.0020 per 100 Ft/s (+0.0010 to +0.0030), 0.1000 at 1205.0 Ft/s.");
    EXPECT_TRUE(g1.shared.empty());

    // Another law chosen: its own spread, and a trend it could not work out.
    ShotUnits metric;
    metric.velocity = MPerS;
    const FitSummaryTexts ra4 = fit_summary_texts(x.fit, x.shots, RA4, {}, metric);
    EXPECT_EQ(ra4.verdict, g1.verdict);
    EXPECT_EQ(ra4.law, "Under RA4:");
    EXPECT_NE(ra4.spread.find("mean 0.0505, SD 0.0007"), std::string::npos) << ra4.spread;
    EXPECT_EQ(ra4.trend, "BC against muzzle velocity: needs three shots or more with different velocities.");

    // A law that was not fitted has no spread to show; a refused fit says so.
    EXPECT_TRUE(fit_summary_texts(x.fit, x.shots, G7, {}, ShotUnits{}).law.empty());
    StringFit refused;
    refused.refused = true;
    EXPECT_EQ(fit_summary_texts(refused, {}, G1, {}, ShotUnits{}).verdict, "Nothing was fitted.");
}

}  // namespace
}  // namespace velora
