#include "output/plot_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/units.h"
#include "solver/display_texts.h"

namespace velora {

namespace {

constexpr float NiceSteps[] = {1,    2,    5,    10,    20,    50,    100,    200,   500,
                               1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000};
constexpr float LargestNiceStep = 200000.0f;

// Wide enough for any chart, small enough that differences of two stay inside an int.
constexpr float MostAxisValue = 1.0e8f;
// No list of labels or grid lines is longer than this (a usable axis has at most a few dozen).
constexpr int MostAxisMarks = 1000;
// The smooth curve takes ten points per display range unit, and never more than this many.
constexpr float SmoothSteps = 10.0f;
constexpr int MostSmoothPoints = 4000;

// Truncation toward zero into an int, with unusable values (NaN, far out of range) held in bounds.
int trunc_int(float v) {
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(v, -MostAxisValue, MostAxisValue));
}

// The nearest whole pixel (halves to even), held inside what a canvas can mean.
int pixel(float v) {
    if (std::isnan(v)) return -1'000'000;
    return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e6f, 1.0e6f)));
}

// Remainder of the integer division with the sign of the dividend.
bool multiple_of(int value, int step) { return step == 0 || value % step == 0; }

int method_of(const CalcState& s) { return s.stateRB >= DeltaPOI && s.stateRB <= DeltaD ? s.stateRB : DeltaPOI; }

int x_step_for(int x_max) {
    if (x_max <= 10) return 1;
    if (x_max <= 20) return 2;
    if (x_max <= 50) return 5;
    if (x_max <= 100) return 10;
    if (x_max <= 200) return 20;
    if (x_max <= 500) return 50;
    if (x_max < 1000) return 100;
    if (x_max < 2000) return 200;
    if (x_max < 5000) return 500;
    return 1000;
}

struct ValueScale {
    float threshold;  // the row applies when the value is strictly greater
    float top, step;
};

// The fixed scales of the velocity and time axes; the last row holds for everything smaller.
constexpr ValueScale VelocityScales[] = {{4000, 5000, 500}, {3000, 4000, 400},   {2000, 3000, 500}, {1000, 2000, 250},
                                         {500, 1000, 100},  {200, 500, 50},      {100, 200, 20},    {50, 100, 10},
                                         {20, 50, 5},       {10, 20, 2},         {5, 10, 1},        {2, 5, 0.5f},
                                         {1, 2, 0.25f},     {-INFINITY, 1, 0.1f}};
constexpr ValueScale TimeScales[] = {
    {20000, 50000, 5000}, {10000, 20000, 2000}, {5000, 10000, 1000}, {4000, 5000, 500},   {3000, 4000, 400},
    {2000, 3000, 500},    {1000, 2000, 250},    {500, 1000, 100},    {200, 500, 50},      {100, 200, 20},
    {50, 100, 10},        {20, 50, 5},          {10, 20, 2},         {5, 10, 1},          {2, 5, 0.5f},
    {1, 2, 0.25f},        {0.5f, 1, 0.1f},      {0.2f, 0.5f, 0.05f}, {0.1f, 0.2f, 0.05f}, {-INFINITY, 0.1f, 0.01f}};

template <std::size_t N>
void pick_scale(const ValueScale (&scales)[N], float v, PlotAxes& a) {
    for (const ValueScale& row : scales) {
        if (v > row.threshold || &row == &scales[N - 1]) {
            a.yMin = 0;
            a.yTop = row.top;
            a.yStep = row.step;
            return;
        }
    }
}

// The point-of-impact axis: the only one that reaches above zero, to a whole step above the apex.
void poi_axis(const Trajectory& tr, const DisplayFactors& f, PlotAxes& a) {
    const int top = trunc_int(tr.ApexPOI * f.poi) + 1;
    // The step starts at 1: an apex at or below −1 would otherwise leave it at 0.
    int s = 1;
    while (s < top && s < LargestNiceStep) s = static_cast<int>(std::lround(next_nice_step(static_cast<float>(s))));
    float y_step = static_cast<float>(s);

    int low = std::min(trunc_int(plot_value(tr, f, CurvePOI, static_cast<float>(a.xMax))) - 1,
                       trunc_int(plot_value(tr, f, CurvePOI, 0.0f)) - 1);
    while (!multiple_of(low, s)) --low;
    while (static_cast<float>(top - low) / y_step > 15.0f && y_step < LargestNiceStep) y_step = next_nice_step(y_step);
    const int whole_step = static_cast<int>(y_step);
    while (!multiple_of(-low, whole_step)) --low;

    a.yTop = y_step;
    a.yMin = static_cast<float>(low);
    a.yStep = y_step;
    if (a.yTop - a.yMin < 6.0f) a.yStep = y_step / 2.0f;  // the axis keeps its top; the grid doubles
}

// The drop axis ends at zero.
void drop_axis(const Trajectory& tr, const DisplayFactors& f, PlotAxes& a) {
    a.yTop = 0;
    a.yMin = static_cast<float>(std::min(trunc_int(plot_value(tr, f, CurveDrop, static_cast<float>(a.xMax))) - 1,
                                         trunc_int(plot_value(tr, f, CurveDrop, 0.0f)) - 1));
    a.yStep = 1;
    while ((a.yTop - a.yMin) / a.yStep > 15.0f && a.yStep < LargestNiceStep) a.yStep = next_nice_step(a.yStep);
    while (!multiple_of(trunc_int(a.yMin), trunc_int(a.yStep))) a.yMin -= 1.0f;
}

std::string value_label_text(float v, float step) {
    const int decimals = step >= 1.0f ? 0 : step >= 0.5f ? 1 : 2;
    std::string text = format_fixed(v, decimals);
    // A sum of steps that lands a hair below zero is still the zero line.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

const char* quantity_unit(const CalcState& s, int method) {
    switch (method) {
        case DeltaT: return unit_caption(Quantity::Time, s.stateET);
        case DeltaV: return unit_caption(Quantity::Velocity, s.stateMV);
        case DeltaD: return unit_caption(Quantity::SmallLength, s.stateDROP);
        default: return unit_caption(Quantity::SmallLength, s.statePOI);
    }
}

const char* quantity_name(int method) {
    switch (method) {
        case DeltaT: return "Time";
        case DeltaV: return "Velocity";
        case DeltaD: return "Drop from LoD";
        default: return "Point of Impact";
    }
}

}  // namespace

float next_nice_step(float v) {
    if (v <= 0.0f) return 1.0f;
    for (std::size_t i = 0; i + 1 < std::size(NiceSteps); ++i)
        if (v == NiceSteps[i]) return NiceSteps[i + 1];
    return LargestNiceStep;
}

DisplayFactors plot_factors(const CalcState& s, DisplayFactors f) {
    set_display_factors(f, s);
    for (float* factor : {&f.range, &f.velocity, &f.poi, &f.drop, &f.time})
        if (!(*factor > 0.0f) || !std::isfinite(*factor)) *factor = 1.0f;
    return f;
}

PlotAxes compute_plot_axes(const CalcState& s, const Trajectory& tr, const DisplayFactors& f, float W, float H) {
    PlotAxes a;
    a.W = W;
    a.H = H;

    // Range axis: 10 % beyond the target, ended at a multiple of its step, or where the flight ends.
    a.xMax = std::max(trunc_int(s.TR * 1.1f * f.range), 1);
    a.xStep = x_step_for(a.xMax);
    while (a.xMax % a.xStep != 0) ++a.xMax;
    const float flight_end = static_cast<float>(tr.LastSample) * f.range;
    if (flight_end < static_cast<float>(a.xMax)) a.xMax = std::max(pixel(flight_end), 1);

    switch (method_of(s)) {
        case DeltaT: pick_scale(TimeScales, plot_value(tr, f, CurveTime, static_cast<float>(a.xMax)), a); break;
        case DeltaV: pick_scale(VelocityScales, plot_value(tr, f, CurveVelocity, 0.0f), a); break;
        case DeltaD: drop_axis(tr, f, a); break;
        default: poi_axis(tr, f, a); break;
    }
    if (!(a.yStep > 0.0f) || !std::isfinite(a.yStep)) a.yStep = 1.0f;
    if (!(a.yTop > a.yMin)) a.yMin = a.yTop - a.yStep;

    a.xScale = (W - 2.0f * PlotMargin) / static_cast<float>(a.xMax - a.xMin);
    a.yScale = (H - 2.0f * PlotMargin) / (a.yTop - a.yMin);
    return a;
}

float plot_column(const PlotAxes& a, float x) { return x * a.xScale + PlotMargin; }
float plot_row(const PlotAxes& a, float v) { return (a.yTop - v) * a.yScale + PlotMargin; }

std::string drag_law_code(int law) { return drag_law_name(law).substr(0, 3); }

PlotTexts plot_texts(const CalcState& s, const std::string& mv_text) {
    const int method = method_of(s);
    const std::string unit = quantity_unit(s, method);
    const std::string range_unit = unit_caption(Quantity::Range, s.stateTR);
    const std::string bc = "BC[" + drag_law_code(s.CURVE) + "] = " + format_fixed(s.BC, 4) + ")";

    PlotTexts t;
    t.axis_label = std::string(quantity_name(method)) + " (" + unit + ")";
    t.title = t.axis_label + " v. Range (" + range_unit + ")";
    if (method == DeltaT)
        t.subtitle = "(MV = " + mv_text + " " + unit_caption(Quantity::Velocity, s.stateMV) + ", " + bc;
    else
        t.subtitle = "(" + bc;
    t.range_label = "Range (" + range_unit + ")";
    return t;
}

std::vector<AxisLabel> plot_range_labels(const PlotAxes& a) {
    std::vector<AxisLabel> labels;
    const float step = static_cast<float>(a.xStep);
    for (float x = a.xMin; x < static_cast<float>(a.xMax) + step / 10.0f && labels.size() < MostAxisMarks; x += step)
        labels.push_back({plot_column(a, x), format_fixed(x, 0)});
    return labels;
}

std::vector<AxisLabel> plot_value_labels(const PlotAxes& a) {
    std::vector<AxisLabel> labels;
    for (float v = a.yMin; v < a.yTop + a.yStep / 4.0f && labels.size() < MostAxisMarks; v += a.yStep)
        labels.push_back({(a.yTop - v) * a.yScale + 54.0f, value_label_text(v, a.yStep)});
    return labels;
}

PlotGrid plot_grid(const PlotAxes& a) {
    PlotGrid g;
    const auto rows = [&a](float first, std::vector<float>& out) {
        for (float v = first; v < a.yTop && out.size() < MostAxisMarks; v += a.yStep) out.push_back(plot_row(a, v));
    };
    const auto columns = [&a](float first, std::vector<float>& out) {
        const float step = static_cast<float>(a.xStep);
        for (float x = first; x < static_cast<float>(a.xMax) && out.size() < MostAxisMarks; x += step)
            out.push_back(plot_column(a, x));
    };
    rows(a.yMin, g.major_rows);
    rows(a.yMin + a.yStep / 2.0f, g.minor_rows);
    columns(a.xMin, g.major_columns);
    columns(a.xMin + static_cast<float>(a.xStep) / 2.0f, g.minor_columns);
    return g;
}

int thick_line_radius(float thickness) { return pixel(thickness / 2.0f); }

std::vector<PixelPoint> thick_line_dots(float x1, float y1, float x2, float y2, float thickness) {
    (void)thickness;  // the radius of every dot; the path does not depend on it
    const int dx = pixel(x2 - x1);
    const int dy = pixel(y2 - y1);
    const int sx = (dx > 0) - (dx < 0);
    const int sy = (dy > 0) - (dy < 0);
    const int n = std::max(std::abs(dx), std::abs(dy));
    int x = pixel(x1);
    int y = pixel(y1);
    int ex = 0, ey = 0;
    std::vector<PixelPoint> dots;
    dots.reserve(static_cast<std::size_t>(n) + 2);
    for (int i = 0; i <= n + 1; ++i) {
        dots.push_back({x, y});
        ex += std::abs(dx);
        ey += std::abs(dy);
        if (ex > n) {
            ex -= n;
            x += sx;
        }
        if (ey > n) {
            ey -= n;
            y += sy;
        }
    }
    return dots;
}

PlotLayout layout_plot(const CalcState& s, const CalcResults& r, float W, float H, const std::string& mv_text) {
    const Trajectory& tr = r.trajectory;
    const DisplayFactors f = plot_factors(s, r.factors);
    const int method = method_of(s);

    PlotLayout p;
    p.axes = compute_plot_axes(s, tr, f, W, H);
    const PlotAxes& a = p.axes;
    p.texts = plot_texts(s, mv_text);
    p.range_labels = plot_range_labels(a);
    p.value_labels = plot_value_labels(a);
    p.grid = plot_grid(a);
    if (method == DeltaPOI) p.sight_row = a.yTop * a.yScale + PlotMargin;

    // The curve, one display range unit at a time, until the axis or the flight ends.
    float prev_x = PlotMargin;
    float prev_y = static_cast<float>(pixel(plot_row(a, plot_value(tr, f, method, 0.0f))));
    const float flight_end = static_cast<float>(tr.LastSample) * f.range - 2.0f;
    for (int i = 0;; ++i) {
        const float x = static_cast<float>(i);
        if (x > static_cast<float>(a.xMax) || x > flight_end) break;
        const float nx = plot_column(a, x);
        const float ny = plot_row(a, plot_value(tr, f, method, x));
        p.curve.push_back({nx, ny, prev_x, prev_y});
        prev_x = static_cast<float>(pixel(nx));
        prev_y = static_cast<float>(pixel(ny));
    }

    if (s.ShowTarget != 0) {
        const float target = s.TR * f.range;
        const float tx = plot_column(a, target);
        const float ty = plot_row(a, plot_value(tr, f, method, target));
        p.target = TargetMark{{pixel(tx), pixel(ty)}, tx, ty};
    }
    return p;
}

void add_smooth_curve(PlotLayout& p, const CalcState& s, const CalcResults& r) {
    const Trajectory& tr = r.trajectory;
    const DisplayFactors f = plot_factors(s, r.factors);
    const PlotAxes& a = p.axes;
    const float end = std::min(static_cast<float>(a.xMax), static_cast<float>(tr.LastSample) * f.range - 2.0f);
    p.smooth_curve.clear();
    if (!(end >= 0.0f)) return;
    const float step = std::max(1.0f / SmoothSteps, end / static_cast<float>(MostSmoothPoints));
    for (int i = 0;; ++i) {
        const float x = std::min(static_cast<float>(i) * step, end);
        p.smooth_curve.push_back({plot_column(a, x), plot_row(a, plot_value(tr, f, method_of(s), x))});
        if (x >= end) break;
    }
}

float plot_quantity_factor(const DisplayFactors& f, int method) {
    switch (method) {
        case DeltaT: return f.time;
        case DeltaV: return f.velocity;
        case DeltaD: return f.drop;
        default: return f.poi;
    }
}

std::optional<PlotPoint> plot_point(const PlotLayout& layout, const DisplayFactors& f, int method, float range_yd,
                                    float value) {
    const float x = plot_column(layout.axes, range_yd * f.range);
    const float y = plot_row(layout.axes, value * plot_quantity_factor(f, method));
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    return PlotPoint{x, y};
}

PlotLayout layout_plot(const CalcState& s, const CalcResults& r, float W, float H) {
    return layout_plot(s, r, W, H, field_text(s, r, FieldId::MV));
}

}  // namespace velora
