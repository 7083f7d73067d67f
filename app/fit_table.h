// The Fit window's drag table: "Drag Table…" loads a projectile's own drag curve (.drg, CSV or
// JSON, as velora-cli reads it) and "No Table" removes it. While one is loaded, Fit ranks it beside
// the ten laws with its form factor fitted (solver/table_fit.h), its row named by the table's name,
// and a line under the laws says that a table is in use and when a flight left its Mach span. The
// "Drag Curve" tab draws the table and the laws, each times its fitted form factor. The table's
// path is kept in "Velora.projectile"; one that cannot be read at the start is told once.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/drag_curve.h"
#include "engine/trajectory.h"
#include "output/curve_plot.h"
#include "services/readers/drag_table.h"
#include "solver/shot_fit.h"

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class QWidget;

namespace velora {

struct App;

// The part of the window that holds the table.
struct FitTablePart {
    QPushButton* load = nullptr;
    QPushButton* remove = nullptr;
    QLabel* note = nullptr;
    QWidget* curve_view = nullptr;
    std::string path;  // of the table in use, else ""
    std::optional<DragTableFile> file;
    std::shared_ptr<const TabulatedDragCurve> curve;
    std::optional<bool> beyond;  // of the fit shown: its flights left the table's span

    // The string's own drag curve, fitted from its tracks while the string stays as it was.
    QPushButton* fit_curve = nullptr;
    QPushButton* save_curve = nullptr;
    QLabel* curve_note = nullptr;
    std::optional<CurveFit> fitted;
    std::shared_ptr<const TabulatedDragCurve> fitted_beside;  // the table it was compared with
    std::string fitted_beside_name, fitted_source;
    Projectile fitted_projectile;
    unsigned fitted_changes = 0;
};

// What the file dialog of Drag Table… offers.
inline constexpr const char* DragTableFilter = "Drag tables (*.drg *.csv *.json *.DRG *.CSV *.JSON);;All files (*)";

// What the file dialog of Save Drag Curve… offers.
inline constexpr const char* DragCurveFilter = "JSON drag table (*.json);;CSV drag table (*.csv)";

// The buttons beside Fit (into `buttons`) and the line on the table in use (under `layout`).
void build_table_part(App& app, QHBoxLayout* buttons, QVBoxLayout* layout);

// The "Drag Curve" tab among the results' tabs.
void add_drag_curve_tab(App& app, QTabWidget* tabs);

// The table kept in the projectile's file, loaded when the window is built.
void load_kept_table(App& app);

// "Fit Drag Curve": the imported string's own drag curve fitted from its tracks beside the window
// (solver/curve_fit.h), with the projectile's sectional density; drawn with its band and span in the
// Drag Curve tab, its held-out rms beside the best law's under the laws. A string the fit refuses
// is told with the fit's reason. "Save Drag Curve…" writes it as a CSV or JSON drag table.
void fit_string_drag_curve(App& app);
void save_drag_curve(App& app);

// Loads the table of `path` in place of any other; a table that cannot be read is told in one line
// and the window keeps the table it had. "" removes the table.
void use_drag_table(App& app, const std::string& path);

// The table in use and its name, or none.
std::shared_ptr<const TabulatedDragCurve> window_table(const App& app);
std::string window_table_name(const App& app);

// The fits of the typed shots (and a string's measurements) with the table's fit ranked among them,
// and whether its flights left the table's span. Runs beside the window.
struct WindowFits {
    std::vector<LawFit> fits;
    bool beyond_table = false;
};
WindowFits with_table_fit(std::vector<LawFit> fits, const std::vector<Shot>& shots, const ShotFitInputs& in,
                          FlightInputs flown, const std::shared_ptr<const TabulatedDragCurve>& table);

// The fit just shown: whether its flights left the table's span. The line and the tab follow the
// window's fits whenever they change.
void table_fitted(App& app, bool beyond);
void show_table(App& app);

// The plot the "Drag Curve" tab shows at its size (for its tests).
CurvePlot shown_drag_curve(App& app);

}  // namespace velora
