// The plot of a fitted drag curve, worked out without drawing: the drag coefficient against the
// Mach number over the span the curve holds, its band as a filled polygon, and beside it the ten
// laws (and any published tables) each scaled by the form factor fitted to the same shots. The
// drawing code only paints what this gives.
//
// Coordinates are pixels from the top-left corner of a canvas of width × height.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "output/plot_layout.h"
#include "solver/curve_fit.h"
#include "solver/shot_fit.h"

namespace velora {

struct CurvePlotPoint {
    double x = 0, y = 0;
};

struct CurvePlotTick {
    double value = 0;
    double at = 0;  // the pixel column (Mach) or row (Cd)
    std::string label;
};

struct CurvePlotSeries {
    std::string name;  // for the legend: "fitted curve", "G7 × 1.444"
    Rgb colour{0, 0, 0};
    double thickness = 1;
    std::vector<CurvePlotPoint> points;
};

struct CurvePlot {
    double width = 0, height = 0;
    double left = 0, top = 0, right = 0, bottom = 0;              // the chart's frame
    double mach_low = 0, mach_high = 1, cd_low = 0, cd_high = 1;  // what the frame shows
    std::vector<CurvePlotTick> x_ticks, y_ticks;
    std::string title;
    std::string x_title = "Mach number";
    std::string y_title = "Drag coefficient";
    std::vector<CurvePlotPoint> band;  // the band's upper edge rising in Mach, then its lower edge back
    CurvePlotSeries curve;
    std::vector<CurvePlotSeries> others;  // the laws, then the tables, each × its form factor
};

inline constexpr Rgb CurvePlotBandColour{200, 215, 240};
inline constexpr Rgb CurvePlotCurveColour{0, 40, 140};

// The plot of `fit` (which must not be refused) on a canvas of `width` × `height` pixels; `tables`
// are the curves of fit.tables, in their order.
CurvePlot curve_plot(const CurveFit& fit, const std::vector<ComparedCurve>& tables, const std::string& title,
                     double width, double height);

// The plot of a drag table over its Mach span with the laws of a fit beside it, each of `fits`
// (the table's own fit among them, law DragTableLaw) times its form factor: the sectional density
// over its BC, or without one the table's BC over the law's, the table then drawn as it is. Before
// a fit (no fits) the table alone.
CurvePlot table_curve_plot(const std::string& name, const DragCurve& table, double first_mach, double last_mach,
                           const std::vector<LawFit>& fits, std::optional<double> sectional_density,
                           const std::string& title, double width, double height);

// Ticks from `low` to `high` at the step of 1, 2 or 5 × 10ⁿ that gives about `count` of them.
std::vector<double> nice_ticks(double low, double high, int count);

}  // namespace velora
