// The pictures of a string's fit, worked out without drawing: axes that hold every value on round
// ticks, each shot's points, flight and residuals in the window's units, the shots set aside as
// rings, and the shots' own BCs against their muzzle velocities with the trend line.
#include <gtest/gtest.h>

#include "engine/drag.h"
#include "engine/units.h"
#include "output/fit_plot_layout.h"
#include "solver/string_fit_texts.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

TEST(FitPlotAxis, RoundTicksThatHoldEveryValue) {
    const FitPlotAxis range = fit_plot_axis(0.0, 67.3, 8, "Range (Yard)");
    EXPECT_DOUBLE_EQ(range.step, 10.0);
    EXPECT_DOUBLE_EQ(range.low, 0.0);
    EXPECT_DOUBLE_EQ(range.high, 70.0);
    EXPECT_EQ(range.labels.front(), "0");
    EXPECT_EQ(range.labels.back(), "70");
    EXPECT_EQ(range.ticks.size(), 8u);
    EXPECT_EQ(range.caption, "Range (Yard)");

    const FitPlotAxis bc = fit_plot_axis(0.0881, 0.1032, 6, "BC (G1)");
    EXPECT_NEAR(bc.step, 0.005, 1e-12);
    EXPECT_NEAR(bc.low, 0.085, 1e-12);
    EXPECT_NEAR(bc.high, 0.105, 1e-12);
    EXPECT_EQ(bc.decimals, 3);
    EXPECT_EQ(bc.labels.front(), "0.085");

    // Across zero: the zero line is "0", never "-0".
    const FitPlotAxis residual = fit_plot_axis(-3.2, 2.1, 4, "Residual");
    EXPECT_DOUBLE_EQ(residual.step, 2.0);
    EXPECT_DOUBLE_EQ(residual.low, -4.0);
    EXPECT_DOUBLE_EQ(residual.high, 4.0);
    EXPECT_EQ(residual.labels[2], "0");
    const FitPlotAxis tiny = fit_plot_axis(-0.30000001, 0.1, 4, "x");
    for (const std::string& l : tiny.labels) EXPECT_NE(l, "-0.0");

    // One value, or none that is a number: still a span.
    const FitPlotAxis one = fit_plot_axis(5.0, 5.0, 4, "x");
    EXPECT_LT(one.low, 5.0);
    EXPECT_GT(one.high, 5.0);
    const FitPlotAxis nothing = fit_plot_axis(std::nan(""), 1.0, 4, "x");
    EXPECT_LT(nothing.low, nothing.high);
    EXPECT_FALSE(nothing.ticks.empty());
}

// Six shots measured at 10 to 60 yd, each flown under G1 with BC 0.1 from its own muzzle velocity
// (1100 to 1200 ft/s) with a little scatter, and a seventh that does not belong.
struct Made {
    ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    std::vector<FitShot> shots;
    StringFit fit;

    Made() {
        const std::vector<float> ranges{10, 20, 30, 40, 50, 60};
        for (int k = 0; k < 7; ++k) {
            FitShot s;
            s.name = "shot " + std::to_string(k + 1);
            s.string_index = k;
            s.mv = 1100.0f + 16.0f * static_cast<float>(k);
            s.mv_kind = MvKind::Measured;
            const float bc = k == 6 ? 0.16f : 0.1f;
            const std::vector<float> v = flown_values(*s.mv, bc, G1, ShotQuantity::Velocity, ranges, in);
            for (std::size_t j = 0; j < ranges.size(); ++j)
                s.measurements.push_back(Shot{ranges[j], ShotQuantity::Velocity,
                                              v[j] + ((j + static_cast<std::size_t>(k)) % 3 == 0 ? 1.0f : -0.5f),
                                              1.0f});
            shots.push_back(s);
        }
        StringFitOptions o;
        o.laws = {G1, G7};
        o.mv = MvChoice::None;
        fit = fit_string(shots, in, o);
    }
};

TEST(FitPlotLayout, MeasurementsWithEachShotsFlightAndTheResidualsBeneath) {
    const Made m;
    ASSERT_FALSE(m.fit.refused);
    ASSERT_FALSE(m.fit.in_series[6]) << "the seventh shot stands apart";
    ShotUnits metric;
    metric.velocity = MPerS;
    metric.range = Metre;
    const FitPlot p = measurement_plot(m.fit, m.shots, G1, m.in, metric);
    ASSERT_EQ(p.panels.size(), 2u);
    const FitPlotPanel& top = p.panels[0];
    const FitPlotPanel& bottom = p.panels[1];
    EXPECT_GT(top.share, bottom.share);
    EXPECT_EQ(top.y.caption, shot_quantity_caption(ShotQuantity::Velocity, metric));
    EXPECT_EQ(top.x.caption, "Range (" + std::string(unit_caption(Quantity::Range, Metre)) + ")");
    ASSERT_EQ(top.points.size(), 42u);
    int rings = 0;
    for (const FitPlotPoint& pt : top.points) {
        rings += pt.aside ? 1 : 0;
        EXPECT_EQ(pt.aside, pt.shot == 6);
        EXPECT_GE(pt.y, top.y.low);
        EXPECT_LE(pt.y, top.y.high);
        EXPECT_GE(pt.x, top.x.low);
        EXPECT_LE(pt.x, top.x.high);
    }
    EXPECT_EQ(rings, 6);
    // The first point in metres and m/s.
    EXPECT_NEAR(top.points[0].x, 10.0 * 0.9144, 1e-3);
    EXPECT_NEAR(top.points[0].y, m.shots[0].measurements[0].value * 0.3048, 1e-3);

    // Six thin flights, one a shot of the series, from its muzzle velocity out to 60 yd; the bold one last.
    const StringLawFit* g1 = m.fit.law(G1);
    ASSERT_EQ(top.lines.size(), 7u);
    for (std::size_t k = 0; k < 6; ++k) {
        const FitPlotLine& line = top.lines[k];
        EXPECT_EQ(line.style, FitLineStyle::Thin);
        ASSERT_FALSE(line.points.empty());
        EXPECT_NEAR(line.points.front().first, 0.0, 1e-9);
        EXPECT_NEAR(line.points.front().second, g1->mv[k] * 0.3048, 0.05);
        EXPECT_NEAR(line.points.back().first, 60.0 * 0.9144, 1e-3);
    }
    EXPECT_EQ(top.lines.back().style, FitLineStyle::Bold);

    // The residuals of the series' shots in m/s, about a zero line.
    ASSERT_EQ(bottom.points.size(), 36u);
    EXPECT_NEAR(bottom.points[1].y, g1->residuals[0][1] * 0.3048, 1e-6);
    EXPECT_EQ(bottom.y.caption, "Residual (" + std::string(unit_caption(Quantity::Velocity, MPerS)) + ")");
    ASSERT_EQ(bottom.lines.size(), 1u);
    EXPECT_EQ(bottom.lines[0].style, FitLineStyle::Dashed);
    EXPECT_DOUBLE_EQ(bottom.lines[0].points[0].second, 0.0);
    EXPECT_NE(p.title.find("under G1"), std::string::npos);
    EXPECT_NE(p.description.find("36 measurements of 6 shots"), std::string::npos) << p.description;
    EXPECT_NE(p.description.find("6 of shots set aside drawn as rings"), std::string::npos) << p.description;

    // A law that was not fitted draws nothing.
    EXPECT_TRUE(measurement_plot(m.fit, m.shots, RA4, m.in, metric).empty());
}

TEST(FitPlotLayout, EachShotsBcAgainstItsMuzzleVelocityWithTheTrend) {
    const Made m;
    const FitPlot p = bc_mv_plot(m.fit, m.shots, G1, ShotUnits{});
    ASSERT_EQ(p.panels.size(), 1u);
    const FitPlotPanel& panel = p.panels[0];
    const StringLawFit* g1 = m.fit.law(G1);
    ASSERT_EQ(panel.points.size(), 7u);
    for (const FitPlotPoint& pt : panel.points) {
        const ShotFit& own = g1->shots[static_cast<std::size_t>(pt.shot)];
        EXPECT_FLOAT_EQ(static_cast<float>(pt.y), own.BC);
        EXPECT_FLOAT_EQ(static_cast<float>(pt.x), g1->mv[static_cast<std::size_t>(pt.shot)]);
        EXPECT_LT(pt.low, pt.high);
        EXPECT_EQ(pt.aside, pt.shot == 6);
        EXPECT_GE(pt.low, panel.y.low);
        EXPECT_LE(pt.high, panel.y.high);
    }
    ASSERT_TRUE(g1->trend.valid);
    ASSERT_EQ(panel.lines.size(), 2u);
    // The trend across the series' velocities, 1100 to 1180 ft/s; the series BC dashed across.
    const FitPlotLine& trend = panel.lines[0];
    EXPECT_EQ(trend.style, FitLineStyle::Bold);
    EXPECT_NEAR(trend.points.front().first, g1->mv[0], 1e-3);
    EXPECT_NEAR(trend.points.back().first, g1->mv[5], 1e-3);
    EXPECT_NEAR(trend.points.back().second, g1->trend.at(g1->mv[5]), 1e-9);
    EXPECT_EQ(panel.lines[1].style, FitLineStyle::Dashed);
    EXPECT_FLOAT_EQ(static_cast<float>(panel.lines[1].points[0].second), g1->series.BC);
    EXPECT_EQ(panel.x.caption, "Muzzle Velocity (Ft/s)");
    EXPECT_EQ(panel.y.caption, "BC (G1)");
    EXPECT_NE(p.description.find(trend_text(g1->trend, ShotUnits{})), std::string::npos) << p.description;
    EXPECT_NE(p.description.find("1 set aside drawn as rings"), std::string::npos) << p.description;
    EXPECT_TRUE(bc_mv_plot(m.fit, m.shots, RA4, ShotUnits{}).empty());
}

}  // namespace
}  // namespace velora
