// The range report with the Fit window's last fit: "Save Report…" of the Utility menu and the
// Fit window's own button write the same document. With an imported string fitted shot by shot
// the report carries that fit (the verdict, the ranking, the string's shots used and set aside,
// the spread and trend of the shots' BCs); with typed shots alone, their fit together.
#pragma once

#include <optional>

#include "engine/projectile.h"
#include "output/report.h"

class QHBoxLayout;

namespace velora {

struct App;

// The Fit window's last fit as the report shows it; nothing when the window has none (it was never
// opened, nothing was fitted, or the shots changed since).
std::optional<ReportFit> fit_for_report(const App& app);

// What the program knows of the projectile: the weight the imported string's device was set to.
Projectile projectile_for_report(const App& app);

// Asks for the title and notes, then the file, and writes the report with the fit in use.
void save_report_with_fit(App& app);

// The Fit window's "Save Report…" button, before its Use and Close.
void add_fit_report_buttons(App& app, QHBoxLayout* buttons);

}  // namespace velora
