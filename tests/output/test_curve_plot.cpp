// The plot of a fitted drag curve: a G1 string's curve lies on G1 times its form factor, the band
// encloses the curve, ticks and texts stay inside the canvas, and the painting shows the band and
// the curve in their colours; PNG and SVG are written.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <variant>

#include "engine/drag_curve.h"
#include "output/curve_plot.h"
#include "output/curve_plot_draw.h"
#include "solver/table_fit.h"
#include "tests/fixtures/independent_flight.h"

namespace velora {
namespace {

// Shots of an independent flight under G1 with the sectional density as BC: form factor 1.
CurveFit g1_fit() {
    const testing::IndependentAir air;
    std::mt19937 rng(11);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> ranges;
    for (double r = 5.0; r <= 70.0; r += 1.0) ranges.push_back(r);
    std::vector<FitShot> shots;
    for (int k = 0; k < 10; ++k) {
        const auto f = testing::independent_flight(1150.0 + 12.0 * k, 0.12, G1, air, ranges);
        FitShot s;
        s.name = "shot " + std::to_string(k + 1);
        for (std::size_t j = 0; j < f.velocity.size(); ++j)
            s.measurements.push_back(Shot{static_cast<float>(ranges[j]), ShotQuantity::Velocity,
                                          static_cast<float>(f.velocity[j] + normal(rng)), 1.0f});
        shots.push_back(s);
    }
    const AirState a{static_cast<float>(air.TMP), static_cast<float>(air.PRES), static_cast<float>(air.HUMID)};
    return fit_drag_curve(shots, curve_fit_inputs(a, 0.12));
}

TEST(CurvePlot, TheCurveLiesOnTheTrueLawAndEverythingStaysOnTheCanvas) {
    const CurveFit fit = g1_fit();
    ASSERT_FALSE(fit.refused());
    const CurvePlot p = curve_plot(fit, {}, "Drag curve", 900, 560);
    ASSERT_EQ(p.others.size(), 10u);
    EXPECT_EQ(p.band.size(), 2 * p.curve.points.size());
    EXPECT_DOUBLE_EQ(p.curve.points.front().x, p.left);
    EXPECT_DOUBLE_EQ(p.curve.points.back().x, p.right);
    for (const CurvePlotPoint& q : p.band) {
        EXPECT_GE(q.y, p.top - 1e-9);
        EXPECT_LE(q.y, p.bottom + 1e-9);
    }
    // The band encloses the curve: its upper edge above (a smaller row), its lower edge below.
    const std::size_t n = p.curve.points.size();
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_LE(p.band[i].y, p.curve.points[i].y);
        EXPECT_GE(p.band[2 * n - 1 - i].y, p.curve.points[i].y);
    }
    // G1 times its fitted form factor lies on the fitted curve, within a few pixels.
    const auto g1 = std::find_if(p.others.begin(), p.others.end(),
                                 [](const CurvePlotSeries& s) { return s.name.rfind("G1 × ", 0) == 0; });
    ASSERT_NE(g1, p.others.end());
    for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(g1->points[i].y, p.curve.points[i].y, 0.03 * (p.bottom - p.top));
    ASSERT_GE(p.x_ticks.size(), 3u);
    ASSERT_GE(p.y_ticks.size(), 3u);
    for (const CurvePlotTick& t : p.x_ticks) {
        EXPECT_GE(t.at, p.left - 1e-9);
        EXPECT_LE(t.at, p.right + 1e-9);
    }
    for (const CurvePlotTick& t : p.y_ticks) {
        EXPECT_GE(t.at, p.top - 1e-9);
        EXPECT_LE(t.at, p.bottom + 1e-9);
    }
}

// A table made of G1's own points, with the fits of a table and of two laws.
TEST(CurvePlot, ATableIsDrawnOverItsSpanWithTheLawsTimesTheirFormFactors) {
    auto made = make_drag_curve(drag_law_points(G1));
    ASSERT_TRUE(std::holds_alternative<TabulatedDragCurve>(made));
    const TabulatedDragCurve& table = std::get<TabulatedDragCurve>(made);
    const auto fitted = [](int law, float bc) {
        LawFit f;
        f.law = law;
        f.BC = bc;
        return f;
    };
    LawFit at_limit = fitted(GA, 1.2f);
    at_limit.outcome = FitOutcome::AboveRange;
    const std::vector<LawFit> fits = {fitted(DragTableLaw, 0.05f), fitted(G1, 0.05f), fitted(G7, 0.10f), at_limit};

    // Before a fit the table alone, over its own span, without a band.
    const CurvePlot alone =
        table_curve_plot("own", table.curve(), table.first_mach(), table.last_mach(), {}, std::nullopt, "t", 800, 500);
    EXPECT_TRUE(alone.others.empty());
    EXPECT_TRUE(alone.band.empty());
    EXPECT_EQ(alone.curve.name, "own × 1.000");
    EXPECT_DOUBLE_EQ(alone.mach_low, table.first_mach());
    EXPECT_DOUBLE_EQ(alone.mach_high, table.last_mach());

    // Without a sectional density the laws are scaled against the table: G1 on it, G7 at half.
    const CurvePlot against = table_curve_plot("own", table.curve(), table.first_mach(), table.last_mach(), fits,
                                               std::nullopt, "t", 800, 500);
    ASSERT_EQ(against.others.size(), 2u) << "a law whose BC ran out is not drawn";
    EXPECT_EQ(against.others[0].name, "G1 × 1.000");
    EXPECT_EQ(against.others[1].name, "G7 × 0.500");
    for (std::size_t i = 0; i < against.curve.points.size(); ++i)
        EXPECT_NEAR(against.others[0].points[i].y, against.curve.points[i].y, 1e-6);

    // With one every curve is times its own: the table at SD / BC = 2, so G1 stays on it.
    const CurvePlot absolute =
        table_curve_plot("own", table.curve(), table.first_mach(), table.last_mach(), fits, 0.1, "t", 800, 500);
    EXPECT_EQ(absolute.curve.name, "own × 2.000");
    EXPECT_EQ(absolute.others[0].name, "G1 × 2.000");
    EXPECT_EQ(absolute.others[1].name, "G7 × 1.000");
    for (std::size_t i = 0; i < absolute.curve.points.size(); ++i) {
        EXPECT_NEAR(absolute.others[0].points[i].y, absolute.curve.points[i].y, 1e-6);
        EXPECT_GE(absolute.curve.points[i].y, absolute.top - 1e-9);
        EXPECT_LE(absolute.curve.points[i].y, absolute.bottom + 1e-9);
    }
}

TEST(CurvePlot, NiceTicksFallOnRoundSteps) {
    const auto expect = [](const std::vector<double>& got, const std::vector<double>& want) {
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-12);
    };
    expect(nice_ticks(0.895, 1.083, 6), {0.9, 0.95, 1.0, 1.05});
    expect(nice_ticks(0.21, 0.64, 6), {0.3, 0.4, 0.5, 0.6});
    expect(nice_ticks(-0.3, 0.3, 3), {-0.2, 0.0, 0.2});
    EXPECT_TRUE(nice_ticks(1.0, 1.0, 6).empty());
}

bool has_colour(const QImage& image, Rgb c, const QRect& within) {
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (image.pixel(x, y) == qRgb(c.r, c.g, c.b)) return true;
    return false;
}

TEST(CurvePlot, PaintsTheBandAndTheCurveAndWritesPngAndSvg) {
    const CurveFit fit = g1_fit();
    ASSERT_FALSE(fit.refused());
    const CurvePlot p = curve_plot(fit, {}, "Drag curve", 900, 560);
    QImage image(900, 560, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    paint_curve_plot(painter, p);
    painter.end();
    const QRect frame(static_cast<int>(p.left) + 2, static_cast<int>(p.top) + 2, static_cast<int>(p.right - p.left) - 4,
                      static_cast<int>(p.bottom - p.top) - 4);
    EXPECT_TRUE(has_colour(image, CurvePlotBandColour, frame));
    EXPECT_TRUE(has_colour(image, CurvePlotCurveColour, frame));
    // Nothing left unpainted.
    EXPECT_FALSE(has_colour(image, {0, 0, 0}, QRect(0, 0, 900, 30)) && image.pixel(0, 0) == qRgb(0, 0, 0));

    // The dark look: a dark ground, the band and the curve in their light colours, no white left.
    image.fill(Qt::white);
    painter.begin(&image);
    paint_curve_plot(painter, p, true);
    painter.end();
    EXPECT_LT(qGray(image.pixel(0, 0)), 60);
    EXPECT_FALSE(has_colour(image, CurvePlotBandColour, frame));
    EXPECT_FALSE(has_colour(image, CurvePlotCurveColour, frame));
    EXPECT_FALSE(has_colour(image, {255, 255, 255}, QRect(0, 0, 900, 560)));

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "velora-curve-plot-test";
    std::filesystem::create_directories(folder);
    const std::string png = (folder / "curve.png").string(), svg = (folder / "curve.SVG").string();
    ASSERT_EQ(save_curve_plot(png, p), "");
    QImage back;
    ASSERT_TRUE(back.load(QString::fromStdString(png), "PNG"));
    EXPECT_EQ(back.size(), QSize(900, 560));
    ASSERT_EQ(save_curve_plot(svg, p), "");
    std::ifstream in(svg);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("<svg"), std::string::npos);
    EXPECT_NE(save_curve_plot((folder / "missing" / "c.png").string(), p), "");
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace velora
