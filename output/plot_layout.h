// Everything the plot draws, worked out without drawing: the axes of the active method's
// quantity against range, the texts, the label positions, the grid, the curve and the target.
// The drawing code only measures the texts and paints what this gives.
//
// Canvas coordinates are pixels from the top-left corner. A point (x, v) of the chart lies at
// column x × xScale + 65 and row (yTop − v) × yScale + 65; the margin of 65 pixels on every side
// holds the texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/sampling.h"
#include "solver/calc_results.h"
#include "state/calc_state.h"

namespace velora {

inline constexpr int PlotMargin = 65;

struct Rgb {
    std::uint8_t r, g, b;
};
inline constexpr Rgb PlotBackground{255, 255, 255};
inline constexpr Rgb PlotInk{0, 0, 0};  // frame, texts, target marker
inline constexpr Rgb PlotMajorGrid{128, 128, 128};
inline constexpr Rgb PlotMinorGrid{208, 208, 208};
inline constexpr Rgb PlotCurveColour{255, 0, 0};
inline constexpr Rgb PlotSightColour{0, 128, 0};
inline constexpr float PlotLineThickness = 2.0f;

// The member after `v` in 1, 2, 5, 10, 20, 50, … 100000, 200000: 1 for any v ≤ 0, the next
// member for a member below 200000, and 200000 for anything else.
float next_nice_step(float v);

struct PlotAxes {
    float W = 0, H = 0;  // canvas, pixels
    float xMin = 0;      // range axis, display range units
    int xMax = 1;
    int xStep = 1;
    float yMin = 0;  // value axis, display units of the quantity
    float yTop = 1;
    float yStep = 1;
    float xScale = 0;  // pixels per range unit
    float yScale = 0;  // pixels per unit of the quantity
};

// The display factors the plot works with: the state's selections applied to `f`, and any factor
// that is still not a positive number (a selection outside its list before any valid one) read
// as 1.
DisplayFactors plot_factors(const CalcState& s, DisplayFactors f);

// The axes for the state's method (stateRB; a number outside 0..3 plots as DeltaPOI), target
// range and trajectory, on a canvas of W × H pixels. Both spans are always positive: the range
// axis ends at 1 or more, the value axis has yTop > yMin and yStep > 0.
PlotAxes compute_plot_axes(const CalcState& s, const Trajectory& tr, const DisplayFactors& f, float W, float H);

float plot_column(const PlotAxes& a, float x);  // x × xScale + 65
float plot_row(const PlotAxes& a, float v);     // (yTop − v) × yScale + 65

// The code of a drag law in the subtitle: the first three characters of its short name ("GA2",
// "G1"; "SLG" for both slug laws).
std::string drag_law_code(int law);

struct PlotTexts {
    std::string title;        // "Point of Impact (Inch) v. Range (Yard)"
    std::string subtitle;     // "(BC[GA2] = 0.0195)"; for DeltaT with the muzzle velocity first
    std::string range_label;  // "Range (Yard)"
    std::string axis_label;   // "Point of Impact (Inch)", drawn turned on both sides
};

// `mv_text` is the text the muzzle-velocity field shows.
PlotTexts plot_texts(const CalcState& s, const std::string& mv_text);

struct AxisLabel {
    float position;  // range labels: the column their centre stands on; value labels: their top row
    std::string text;
};

// 0, xStep, 2 xStep, … up to the end of the axis (a shortened axis may end between two).
std::vector<AxisLabel> plot_range_labels(const PlotAxes& a);
// yMin, yMin + yStep, … up to yTop: whole numbers for a step of 1 or more, 1 decimal from 0.5,
// else 2 decimals. Each is drawn ending at column 63 and again starting at column W − 63.
std::vector<AxisLabel> plot_value_labels(const PlotAxes& a);

struct PlotGrid {
    std::vector<float> major_rows, minor_rows;        // horizontal lines from column 65 to W − 66
    std::vector<float> major_columns, minor_columns;  // vertical lines from row 65 to H − 66
};
PlotGrid plot_grid(const PlotAxes& a);

struct PixelPoint {
    int x, y;
    bool operator==(const PixelPoint&) const = default;
};

// The centres of the filled circles of radius thick_line_radius(thickness) that draw a thick
// line from (x1, y1) to (x2, y2): max(|dx|, |dy|) + 2 of them, stepping like a line of pixels.
std::vector<PixelPoint> thick_line_dots(float x1, float y1, float x2, float y2, float thickness);
int thick_line_radius(float thickness);

struct LineSegment {
    float x1, y1, x2, y2;
};

struct TargetMark {
    PixelPoint centre;  // the crosshair: circles of radius 5 and 6, arms of 10 pixels
    float tx, ty;       // the target point, where the three ticks point
};

struct PlotPoint {
    float x, y;
};

// A measured point on the chart: where it stands, and whether the fit used it.
struct PlotMark {
    PlotPoint at;
    bool used = true;
};

struct PlotLayout {
    PlotAxes axes;
    PlotTexts texts;
    std::vector<AxisLabel> range_labels;
    std::vector<AxisLabel> value_labels;
    PlotGrid grid;
    std::optional<float> sight_row;  // DeltaPOI: the row of the value 0 (the line of sight)
    std::vector<LineSegment> curve;  // thick red lines, the first a dot at the muzzle
    // The same curve unrounded, for drawing at any scale (see add_smooth_curve).
    std::vector<PlotPoint> smooth_curve;
    std::vector<PlotMark> marks;       // measured points drawn on the chart (the report's)
    std::optional<TargetMark> target;  // when ShowTarget is on
};

// The whole chart for a canvas of W × H pixels. `mv_text` as for plot_texts.
PlotLayout layout_plot(const CalcState& s, const CalcResults& r, float W, float H, const std::string& mv_text);

// Fills layout.smooth_curve, which the print-size images and the report draw as one smooth line:
// the curve's points unrounded, ten per display range unit (at most 4001), to the same end.
void add_smooth_curve(PlotLayout& layout, const CalcState& s, const CalcResults& r);

// A measurement (range in yd, value in the internal unit of the chart's quantity: ft/s, s, in)
// where the chart of `layout` draws it; nothing for a value that is not a number.
std::optional<PlotPoint> plot_point(const PlotLayout& layout, const DisplayFactors& f, int method, float range_yd,
                                    float value);

// The quantity a MeasurementMethod plots, as a chart's display factor: velocity, time, POI, drop.
float plot_quantity_factor(const DisplayFactors& f, int method);

// As above with the muzzle-velocity text the recalculation pass gives the field.
PlotLayout layout_plot(const CalcState& s, const CalcResults& r, float W, float H);

}  // namespace velora
