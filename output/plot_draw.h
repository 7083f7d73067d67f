// Painting the plot with QPainter onto any paint device: the window's canvas image, an image for
// the PNG export or for a test.
#pragma once

#include <QFont>

#include "output/plot_layout.h"
#include "solver/calc_results.h"
#include "state/calc_state.h"

class QPaintDevice;
class QPainter;

namespace velora {

// The plot's font: "Arial", 10 points, bold (any sans-serif face where it is missing).
QFont plot_font();

// Paints `layout` over the whole device (whose size should be the layout's W × H). False, with the
// device left as it was, when it cannot be painted on.
bool draw_plot(QPaintDevice& device, const PlotLayout& layout);

// Paints `layout` with `painter`, whose transform maps the layout's units onto its device, as
// smooth lines and text at the device's own resolution: the chart of draw_plot with the same
// texts, positions and colours, scaled to any size without a pixel stretched (the print-size
// images, the SVG and the report). The smooth curve (add_smooth_curve) is drawn where the layout
// has one, the curve's segments otherwise; the measured points on top.
void paint_plot_scaled(QPainter& painter, const PlotLayout& layout);

// The measured points: a filled dot for one the fit used, a ring for one set aside.
inline constexpr Rgb PlotMarkColour{0, 70, 170};
inline constexpr Rgb PlotMarkAsideColour{110, 110, 110};

// Lays the chart of the state's method out for the device's size and paints it.
bool draw_plot(QPaintDevice& device, const CalcState& s, const CalcResults& r);

// A line of dots of radius thickness ÷ 2 (see thick_line_dots), as the curve and the line of
// sight are drawn; only dots inside the painter's clip rectangle `clip` are painted.
void thick_line(QPainter& painter, float x1, float y1, float x2, float y2, Rgb colour, float thickness);

// The crosshair of the target: circles of radius 5 and 6 and two arms of 10 pixels, in black.
void draw_target_marker(QPainter& painter, int cx, int cy);

}  // namespace velora
