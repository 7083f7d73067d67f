#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/sampling.h"
#include "engine/units.h"
#include "output/plot_layout.h"
#include "tests/output/output_fixture.h"
#include "tests/output/synthetic_trajectory.h"

namespace velora {
namespace {

// The plot canvas of the window: 390 × 528 pixels.
constexpr float W = 390.0f;
constexpr float H = 528.0f;

PlotAxes axes_of(const CalcState& s, const CalcResults& r) {
    return compute_plot_axes(s, r.trajectory, plot_factors(s, r.factors), W, H);
}

std::vector<std::string> texts(const std::vector<AxisLabel>& labels) {
    std::vector<std::string> out;
    for (const auto& l : labels) out.push_back(l.text);
    return out;
}

// A flight of 400 yards whose point of impact runs straight from −1.65" at the muzzle to −5.7"
// at 60 yards, with an apex of 0.3".
std::unique_ptr<CalcResults> poi_flight(float at_60 = -5.7f, float apex = 0.3f) {
    testing::Samples f;
    f.poi = [at_60](int i) { return -1.65f + (at_60 + 1.65f) * static_cast<float>(i) / 60.0f; };
    return testing::synthetic_results(400, f, apex);
}

CalcState poi_state(int small_length_unit) {
    CalcState s = testing::first_run_state();
    s.TR = 50.0f;  // range axis to 60 yd
    s.statePOI = small_length_unit;
    return s;
}

void expect_usable(const PlotAxes& a) {
    EXPECT_GE(a.xMax, 1);
    EXPECT_GT(a.yTop, a.yMin);
    EXPECT_GT(a.yStep, 0.0f);
    EXPECT_TRUE(std::isfinite(a.xScale) && a.xScale > 0);
    EXPECT_TRUE(std::isfinite(a.yScale) && a.yScale > 0);
}

TEST(NiceStep, FollowsOneTwoFive) {
    EXPECT_EQ(next_nice_step(-3.0f), 1.0f);
    EXPECT_EQ(next_nice_step(0.0f), 1.0f);
    EXPECT_EQ(next_nice_step(1.0f), 2.0f);
    EXPECT_EQ(next_nice_step(2.0f), 5.0f);
    EXPECT_EQ(next_nice_step(5.0f), 10.0f);
    EXPECT_EQ(next_nice_step(50000.0f), 100000.0f);
    EXPECT_EQ(next_nice_step(100000.0f), 200000.0f);
    EXPECT_EQ(next_nice_step(200000.0f), 200000.0f);
    EXPECT_EQ(next_nice_step(3.0f), 200000.0f);  // not a member
    EXPECT_EQ(next_nice_step(0.5f), 200000.0f);
}

TEST(RangeAxis, YardsAndFeet) {
    CalcState s = testing::first_run_state();
    s.TR = 50.0f;
    const auto r = testing::results_for(s);
    PlotAxes a = axes_of(s, *r);  // 55 → step 10 → 60
    EXPECT_EQ(a.xMax, 60);
    EXPECT_EQ(a.xStep, 10);
    EXPECT_FLOAT_EQ(a.xScale, (W - 130.0f) / 60.0f);
    // 60 < 60 + 1: the end carries its label.
    EXPECT_EQ(texts(plot_range_labels(a)), (std::vector<std::string>{"0", "10", "20", "30", "40", "50", "60"}));

    s.stateTR = Foot;  // 50 × 1.1 × 3 = 165 → step 20 → 180
    a = axes_of(s, *r);
    EXPECT_EQ(a.xMax, 180);
    EXPECT_EQ(a.xStep, 20);
    EXPECT_EQ(plot_range_labels(a).back().text, "180");
    EXPECT_FLOAT_EQ(plot_range_labels(a)[1].position, 20.0f * a.xScale + 65.0f);

    s.stateTR = Metre;  // 50 × 1.1 × 0.9144 = 50.29 → 50, a multiple of its step 5
    a = axes_of(s, *r);
    EXPECT_EQ(a.xMax, 50);
    EXPECT_EQ(a.xStep, 5);
}

TEST(RangeAxis, AFlightThatEndsEarlyShortensTheAxis) {
    CalcState s = testing::first_run_state();
    s.TR = 300.0f;  // 330 → step 50 → 350
    testing::Samples f;
    f.poi = [](int i) { return -0.1f * static_cast<float>(i); };
    const auto r = testing::synthetic_results(77, f);
    const PlotAxes a = axes_of(s, *r);
    EXPECT_EQ(a.xMax, 77);
    EXPECT_EQ(a.xStep, 50);
    EXPECT_EQ(texts(plot_range_labels(a)), (std::vector<std::string>{"0", "50"}));
    const PlotGrid g = plot_grid(a);
    ASSERT_EQ(g.major_columns.size(), 2u);  // 0 and 50
    ASSERT_EQ(g.minor_columns.size(), 2u);  // 25 and 75
    EXPECT_FLOAT_EQ(g.minor_columns[1], 75.0f * a.xScale + 65.0f);

    // The curve stops two units before the last sample.
    const PlotLayout p = layout_plot(s, *r, W, H, "785.0");
    EXPECT_EQ(p.curve.size(), 76u);  // x = 0 … 75
}

TEST(PoiAxis, InchesRunFromMinus6To1) {
    const CalcState s = poi_state(Inch);
    const PlotAxes a = axes_of(s, *poi_flight());
    EXPECT_EQ(a.yTop, 1.0f);
    EXPECT_EQ(a.yMin, -6.0f);
    EXPECT_EQ(a.yStep, 1.0f);
    EXPECT_EQ(texts(plot_value_labels(a)), (std::vector<std::string>{"-6", "-5", "-4", "-3", "-2", "-1", "0", "1"}));
    const PlotGrid g = plot_grid(a);
    EXPECT_EQ(g.major_rows.size(), 7u);  // −6 … 0: the top is the frame
    EXPECT_EQ(g.minor_rows.size(), 7u);  // −5.5 … 0.5
    EXPECT_FLOAT_EQ(g.minor_rows.back(), (1.0f - 0.5f) * a.yScale + 65.0f);
}

TEST(PoiAxis, MillimetresRunFromMinus160To20) {
    // Apex 7.6 mm, −41.9 mm at the muzzle, −145 mm at the end: top 8, s 10, low −150, and
    // 158 ÷ 10 > 15 widens the step to 20, which moves the bottom to −160.
    const CalcState s = poi_state(Mm);
    const PlotAxes a = axes_of(s, *poi_flight());
    EXPECT_EQ(a.yStep, 20.0f);
    EXPECT_EQ(a.yTop, 20.0f);
    EXPECT_EQ(a.yMin, -160.0f);
    EXPECT_FLOAT_EQ(a.yScale, (H - 130.0f) / 180.0f);
}

TEST(PoiAxis, ASmallSpanHalvesTheStep) {
    const CalcState s = poi_state(Inch);
    const PlotAxes a = axes_of(s, *poi_flight(-3.2f));  // −4 … 1
    EXPECT_EQ(a.yTop, 1.0f);
    EXPECT_EQ(a.yMin, -4.0f);
    EXPECT_EQ(a.yStep, 0.5f);
    EXPECT_EQ(texts(plot_value_labels(a)), (std::vector<std::string>{"-4.0", "-3.5", "-3.0", "-2.5", "-2.0", "-1.5",
                                                                     "-1.0", "-0.5", "0.0", "0.5", "1.0"}));
}

TEST(PoiAxis, AnApexWellBelowZeroStillGivesAStep) {
    const CalcState s = poi_state(Inch);
    const PlotAxes a = axes_of(s, *poi_flight(-5.7f, -1.5f));
    EXPECT_EQ(a.yStep, 1.0f);
    EXPECT_EQ(a.yTop, 1.0f);
    EXPECT_EQ(a.yMin, -6.0f);
    expect_usable(a);
}

TEST(PoiAxis, TheFirstRunFlight) {
    CalcState s = poi_state(Inch);
    const auto r = testing::results_for(s);  // apex 0.25", −5.2" at 60 yd
    PlotAxes a = axes_of(s, *r);
    EXPECT_EQ(a.yTop, 1.0f);
    EXPECT_EQ(a.yMin, -6.0f);
    s.statePOI = Mm;  // 6.4 mm → top 7, step 10; −133 → −140
    a = axes_of(s, *r);
    EXPECT_EQ(a.yTop, 10.0f);
    EXPECT_EQ(a.yMin, -140.0f);
    EXPECT_EQ(a.yStep, 10.0f);
}

TEST(VelocityAxis, FeetPerSecondAndMach) {
    CalcState s = testing::first_run_state();
    s.stateRB = DeltaV;
    s.TR = 50.0f;
    s.MV = 790.0f;
    const auto r = testing::results_for(s);
    PlotAxes a = axes_of(s, *r);
    EXPECT_EQ(a.yMin, 0.0f);
    EXPECT_EQ(a.yTop, 1000.0f);
    EXPECT_EQ(a.yStep, 100.0f);
    EXPECT_EQ(plot_value_labels(a).size(), 11u);

    s.stateMV = Mach;  // about Mach 0.7
    a = axes_of(s, *r);
    EXPECT_EQ(a.yTop, 1.0f);
    EXPECT_FLOAT_EQ(a.yStep, 0.1f);
    const auto labels = texts(plot_value_labels(a));
    ASSERT_EQ(labels.size(), 11u);
    EXPECT_EQ(labels.front(), "0.00");
    EXPECT_EQ(labels[3], "0.30");
    EXPECT_EQ(labels.back(), "1.00");
}

TEST(TimeAxis, MillisecondsTo160) {
    CalcState s = testing::first_run_state();
    s.stateRB = DeltaT;
    s.stateET = 1;
    s.TR = 50.0f;
    testing::Samples f;
    f.time = [](int i) { return 0.160f * static_cast<float>(i) / 60.0f; };  // 160 ms at 60 yd
    const PlotAxes a = axes_of(s, *testing::synthetic_results(400, f));
    EXPECT_EQ(a.yTop, 200.0f);
    EXPECT_EQ(a.yStep, 20.0f);
    EXPECT_EQ(texts(plot_value_labels(a)).back(), "200");

    s.stateET = 0;  // 0.16 s: strictly above 0.1
    EXPECT_FLOAT_EQ(axes_of(s, *testing::synthetic_results(400, f)).yTop, 0.2f);
}

TEST(TimeAxis, ThresholdsAreStrict) {
    CalcState s = testing::first_run_state();
    s.stateRB = DeltaT;
    s.stateET = 1;
    s.TR = 50.0f;
    testing::Samples f;
    f.time = [](int) { return 0.5f; };  // exactly 500 ms everywhere: not above 500
    PlotAxes a = axes_of(s, *testing::synthetic_results(400, f));
    EXPECT_EQ(a.yTop, 500.0f);
    EXPECT_EQ(a.yStep, 50.0f);
    f.time = [](int) { return 30.0f; };  // 30000 ms: the top row
    a = axes_of(s, *testing::synthetic_results(400, f));
    EXPECT_EQ(a.yTop, 50000.0f);
    EXPECT_EQ(a.yStep, 5000.0f);
}

TEST(DropAxis, EndsAtZero) {
    CalcState s = testing::first_run_state();
    s.stateRB = DeltaD;
    s.TR = 50.0f;
    const auto r = testing::results_for(s);  // −12.8" at 60 yd
    PlotAxes a = axes_of(s, *r);
    EXPECT_EQ(a.yTop, 0.0f);
    EXPECT_EQ(a.yMin, -13.0f);
    EXPECT_EQ(a.yStep, 1.0f);
    s.stateDROP = Mm;  // −324 mm → −325: step 50 → −350
    a = axes_of(s, *r);
    EXPECT_EQ(a.yStep, 50.0f);
    EXPECT_EQ(a.yMin, -350.0f);
}

TEST(Axes, AlwaysHaveAPositiveSpan) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto empty = testing::synthetic_results(0, {});
    testing::Samples wild;
    wild.poi = [](int) { return 5.0e9f; };
    wild.time = [](int) { return -1.0f; };
    wild.velocity = [](int) { return std::numeric_limits<float>::infinity(); };
    wild.drop = [](int) { return 3.0e9f; };
    const auto odd = testing::synthetic_results(10, wild, -4.0e9f);
    for (int method = -1; method <= 4; ++method) {
        for (float tr : {0.0f, -10.0f, 40.0f, nan, 1.0e12f}) {
            for (const CalcResults* r : {empty.get(), odd.get()}) {
                CalcState s = testing::first_run_state();
                s.stateRB = method;
                s.TR = tr;
                SCOPED_TRACE(::testing::Message() << "method " << method << " TR " << tr);
                expect_usable(axes_of(s, *r));
            }
        }
    }
    // Unit selections outside their lists before any valid one: factors of 1.
    CalcState s = testing::first_run_state();
    s.stateTR = 7;
    s.statePOI = -1;
    expect_usable(compute_plot_axes(s, empty->trajectory, plot_factors(s, DisplayFactors{}), W, H));
}

TEST(PlotTexts, TitlesSubtitlesAndLabels) {
    CalcState s = testing::first_run_state();  // DeltaPOI in mm, yards, GA2
    PlotTexts t = plot_texts(s, "785.0");
    EXPECT_EQ(t.title, "Point of Impact (mm) v. Range (Yard)");
    EXPECT_EQ(t.subtitle, "(BC[GA2] = 0.0195)");
    EXPECT_EQ(t.range_label, "Range (Yard)");
    EXPECT_EQ(t.axis_label, "Point of Impact (mm)");

    s.stateRB = DeltaT;
    s.stateET = 1;
    s.stateMV = 1;
    s.stateTR = Metre;
    t = plot_texts(s, "239.3");
    EXPECT_EQ(t.title, "Time (mSec) v. Range (Metre)");
    EXPECT_EQ(t.subtitle, "(MV = 239.3 m/s, BC[GA2] = 0.0195)");

    s.stateRB = DeltaV;
    s.stateMV = 2;
    s.CURVE = SLG0;
    s.BC = 0.04567f;
    t = plot_texts(s, "0.693");
    EXPECT_EQ(t.axis_label, "Velocity (Mach)");
    EXPECT_EQ(t.subtitle, "(BC[SLG] = 0.0457)");
    s.CURVE = SLG1;
    EXPECT_EQ(plot_texts(s, "").subtitle, "(BC[SLG] = 0.0457)");

    s.stateRB = DeltaD;
    s.stateDROP = 1;
    s.stateTR = Foot;
    s.CURVE = G1;
    t = plot_texts(s, "");
    EXPECT_EQ(t.title, "Drop from LoD (cm) v. Range (Foot)");
    EXPECT_EQ(t.subtitle, "(BC[G1] = 0.0457)");

    EXPECT_EQ(drag_law_code(GL), "GL");
    EXPECT_EQ(drag_law_code(RA4), "RA4");
    EXPECT_EQ(drag_law_code(WC0), "WC0");
}

TEST(ThickLine, StepsLikeALineOfPixelsWithTheStartTwice) {
    using P = PixelPoint;
    EXPECT_EQ(thick_line_dots(10, 20, 13, 20, 2), (std::vector<P>{{10, 20}, {10, 20}, {11, 20}, {12, 20}, {13, 20}}));
    EXPECT_EQ(thick_line_dots(10, 20, 10, 17, 2), (std::vector<P>{{10, 20}, {10, 20}, {10, 19}, {10, 18}, {10, 17}}));
    EXPECT_EQ(thick_line_dots(0, 0, 4, -2, 2), (std::vector<P>{{0, 0}, {0, 0}, {1, 0}, {2, -1}, {3, -1}, {4, -2}}));
    EXPECT_EQ(thick_line_dots(5.4f, 5.6f, 5.2f, 5.9f, 2), (std::vector<P>{{5, 6}, {5, 6}}));
    EXPECT_EQ(thick_line_radius(2), 1);
    // Both ends are reached whatever the direction.
    const auto dots = thick_line_dots(100, 50, 37, 81, 2);
    EXPECT_EQ(dots.size(), 65u);
    EXPECT_EQ(dots.back(), (P{37, 81}));
}

TEST(PlotLayout, CurveSightLineAndTarget) {
    CalcState s = testing::first_run_state();
    s.TR = 50.0f;
    s.statePOI = Inch;
    const auto r = testing::results_for(s);
    PlotLayout p = layout_plot(s, *r, W, H);
    const PlotAxes& a = p.axes;

    ASSERT_TRUE(p.sight_row.has_value());
    EXPECT_FLOAT_EQ(*p.sight_row, 1.0f * a.yScale + 65.0f);
    // One segment per yard from 0 to the end of the axis; the first is a dot at the muzzle.
    ASSERT_EQ(p.curve.size(), 61u);
    EXPECT_EQ(p.curve[0].x1, 65.0f);
    EXPECT_EQ(p.curve[0].x2, 65.0f);
    EXPECT_EQ(p.curve[0].y2, std::nearbyint(plot_row(a, -1.65f)));
    EXPECT_FLOAT_EQ(p.curve[60].x1, 60.0f * a.xScale + 65.0f);
    EXPECT_EQ(p.curve[60].x2, std::nearbyint(59.0f * a.xScale + 65.0f));

    ASSERT_TRUE(p.target.has_value());
    EXPECT_FLOAT_EQ(p.target->tx, 50.0f * a.xScale + 65.0f);
    EXPECT_FLOAT_EQ(p.target->ty, plot_row(a, static_cast<float>(poi_at(r->trajectory, 50.0))));
    EXPECT_EQ(p.target->centre.x, static_cast<int>(std::nearbyint(p.target->tx)));
    EXPECT_EQ(p.texts.subtitle, "(BC[GA2] = 0.0195)");

    s.ShowTarget = 0;
    s.stateRB = DeltaV;
    p = layout_plot(s, *r, W, H);
    EXPECT_FALSE(p.target.has_value());
    EXPECT_FALSE(p.sight_row.has_value());
}

}  // namespace
}  // namespace velora
