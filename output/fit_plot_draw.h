// Painting the pictures of a string's fit (output/fit_plot_layout.h) with QPainter onto any paint
// device: the Fit window's views, an image, a printed or exported report.
#pragma once

#include "output/fit_plot_layout.h"

class QPainter;
class QRectF;

namespace velora {

// Paints `plot` over `area` of the painter's device, in the light look or the dark one: the title
// across the top, then each panel with its grid, ticks, labels and captions, its lines clipped to
// it and its points on top (a dot for a shot in the series, a ring for one set aside, a bar for an
// interval). The painter's state is left as it was. A plot with nothing in it paints a note saying
// so.
void draw_fit_plot(QPainter& painter, const QRectF& area, const FitPlot& plot, bool dark = false);

}  // namespace velora
