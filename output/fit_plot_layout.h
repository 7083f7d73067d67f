// The pictures of a string's fit, worked out without drawing: the measurements against range with
// each shot's fitted flight and the residuals beneath, and the shots' own BCs against their muzzle
// velocities with the trend line. Values are in the window's units; the drawing code
// (output/fit_plot_draw.h) only maps them onto its area and paints them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "solver/fit_texts.h"
#include "solver/string_fit.h"

namespace velora {

// An axis from `low` to `high` with ticks every `step` (1, 2 or 5 times a power of ten), labelled
// with `decimals` decimals.
struct FitPlotAxis {
    double low = 0, high = 1, step = 1;
    int decimals = 0;
    std::string caption;  // "Range (Yard)"
    std::vector<double> ticks;
    std::vector<std::string> labels;  // one a tick
};

// An axis that holds every value from `low` to `high` with about `ticks` steps, its ends on ticks.
// A span of nothing (or values that are not numbers) gets one step either side.
FitPlotAxis fit_plot_axis(double low, double high, int ticks, const std::string& caption);

// A marker: a dot for a shot the series took, a ring for one set aside; with `low` < `high`, a bar
// from `low` to `high` (the shot's own BC interval).
struct FitPlotPoint {
    double x = 0, y = 0;
    bool aside = false;
    double low = 0, high = 0;
    int shot = 0;
};

enum class FitLineStyle : int {
    Thin = 0,  // a shot's own fitted flight
    Bold,      // the series' flight from the mean muzzle velocity; the trend line
    Dashed,    // the series BC; the zero of the residuals
};

struct FitPlotLine {
    std::vector<std::pair<double, double>> points;
    FitLineStyle style = FitLineStyle::Thin;
};

struct FitPlotPanel {
    FitPlotAxis x, y;
    std::vector<FitPlotLine> lines;
    std::vector<FitPlotPoint> points;
    double share = 1;  // of the height, among the picture's panels
};

struct FitPlot {
    std::string title;                 // "Velocity (Ft/s) against range under G1"
    std::string description;           // one or two sentences for screen readers: what is drawn and what it shows
    std::vector<FitPlotPanel> panels;  // top to bottom
    bool empty() const { return panels.empty(); }
};

// The measurements of the quantity most of the shots measured against their range, each shot in
// the series with its flight under `law` and the series BC from the muzzle velocity the fit flew
// it with (thin), the flight from the mean of those velocities (bold), and the residuals beneath
// in the quantity's unit. Empty when the law was not fitted or nothing was measured.
FitPlot measurement_plot(const StringFit& f, const std::vector<FitShot>& shots, int law, const ShotFitInputs& in,
                         const ShotUnits& u);

// The shots' own BCs under `law` (with their intervals) against the muzzle velocity each was
// flown with, the trend line where there is one and the series BC dashed. Empty when the law was
// not fitted or no shot has a BC of its own.
FitPlot bc_mv_plot(const StringFit& f, const std::vector<FitShot>& shots, int law, const ShotUnits& u);

}  // namespace velora
