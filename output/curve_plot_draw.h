// Painting the plot of a fitted drag curve with QPainter, and writing it as PNG or SVG.
#pragma once

#include <string>

#include "output/curve_plot.h"

class QPainter;

namespace velora {

// Paints `plot` with `painter` onto a device of the plot's size: the ground, the band filled, the
// grid, the laws and tables thin, the fitted curve on top, the ticks, the titles and the legend.
// `dark` paints it as the dark look's windows are: a dark ground, light ink, the curve light blue.
void paint_curve_plot(QPainter& painter, const CurvePlot& plot, bool dark = false);

// Writes the plot to `path`: SVG for a name ending in .svg, else PNG. The reason of a failure, or "".
std::string save_curve_plot(const std::string& path, const CurvePlot& plot);

}  // namespace velora
