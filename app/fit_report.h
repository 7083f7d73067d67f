// The range report and the print-size pictures of the Fit window: "Save Report…" of the Utility
// menu and the Fit window's own button write the same document, with the window's last fit. With
// an imported string fitted shot by shot the report carries that fit (the verdict, the ranking,
// the string's shots used and set aside, the spread and trend of the shots' BCs); with typed shots
// alone, their fit together. The window's pictures of the fit are saved as the main plot is, drawn
// again at a chosen scale as PNG or as SVG.
#pragma once

#include <optional>

#include "output/fit_plot_layout.h"
#include "output/plot_export.h"
#include "output/report.h"

class QHBoxLayout;

namespace velora {

struct App;

// The names the save dialog proposes for the two pictures.
inline constexpr const char* FitMeasurementsPlotName = "Fit_Measurements_Plot.png";
inline constexpr const char* FitBcMvPlotName = "Fit_BC_MV_Plot.png";

// The Fit window's last fit as the report shows it; nothing when the window has none (it was never
// opened, nothing was fitted, or the shots changed since).
std::optional<ReportFit> fit_for_report(const App& app);

// Asks for the title and notes, then the file, and writes the report with the fit in use and the
// Fit window's projectile and energy limit.
void save_report_with_fit(App& app);

// A picture of the fit as a chart `width` × `height` that draws itself at any size, in the light
// look whatever the window's.
ChartDrawing fit_plot_drawing(const FitPlot& plot, double width, double height);

// The save dialog of a picture: in LastFolder, proposing its name.
SaveFileRequest fit_plot_request(const CalcState& s, bool measurements);

// "Save Image at Print Size…" of the Fit window: the picture in sight (the measurements', unless
// the BCs' tab is chosen) at the size it has on the screen, scaled as the user chooses; a message
// when nothing was fitted yet.
void save_fit_plot_print_size(App& app);

// The Fit window's "Save Report…" and "Save Image at Print Size…" buttons, before its Use and
// Close, and the pictures' own menu with the latter.
void add_fit_report_buttons(App& app, QHBoxLayout* buttons);

}  // namespace velora
