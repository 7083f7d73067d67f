// The Fit window's pictures of a string's fit, as tabs beside the shots' results: the measurements
// against range with each shot's fitted flight and the residuals beneath, and the shots' own BCs
// against their muzzle velocities with the trend line. Each is a widget that paints its plot with
// draw_fit_plot (output/fit_plot_draw.h), named and described for screen readers.
#pragma once

#include <vector>

#include "output/fit_plot_layout.h"

class QTabWidget;
class QWidget;

namespace velora {

struct FitPlotViews {
    QWidget* measurements = nullptr;
    QWidget* bc_mv = nullptr;
};

// Adds the two tabs to `tabs`.
FitPlotViews build_fit_plots(QTabWidget* tabs);

// Shows `fit` under `law` in the look asked for; a null fit empties them.
void show_fit_plots(const FitPlotViews& views, const StringFit* fit, const std::vector<FitShot>& shots, int law,
                    const ShotFitInputs& in, const ShotUnits& u, bool dark);

// The plot a view shows (for its tests and for whoever saves it).
const FitPlot& shown_fit_plot(const QWidget* view);

}  // namespace velora
