// The "Fit from Shots…" window: an editable list of shots (range, quantity, value and an optional
// uncertainty, in the main window's units), "Fit", the ten drag laws ranked with their BC,
// interval and rms, and "Use", which enters the chosen law and BC in the main window as if the
// user had chosen and typed them. The shots are kept in "Velora.shots.csv" beside the
// preferences, rewritten after every change.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "services/kept_file.h"
#include "solver/shot_fit.h"
#include "solver/shot_string.h"

class QCheckBox;
class QDialog;
class QLabel;
class QObject;
class QPushButton;
class QTableWidget;
class QTreeWidget;

namespace velora {

struct App;
struct FitProjectile;
struct FitResultsView;
struct FitTablePart;

inline constexpr const char* FitWindowTitle = "Fit from Shots";

// The columns of the shots list.
enum ShotColumn : int {
    ColumnRange = 0,
    ColumnQuantity = 1,
    ColumnValue = 2,
    ColumnUncertainty = 3,
    ColumnResidual = 4
};

// One line of the shots list as typed: each of range, value and uncertainty is either a value
// (internal units), nothing (left empty) or a text that could not be read, with the reason.
struct ShotEntry {
    std::optional<float> value;
    std::string unread;  // the typed text that is no value; empty when there is none
    std::string why;
};

struct ShotRow {
    ShotQuantity quantity = ShotQuantity::Velocity;
    ShotEntry range, value, uncertainty;
};

struct FitWindow {
    QDialog* dialog = nullptr;  // a child of the main window, which owns it
    QTableWidget* shots = nullptr;
    QTableWidget* laws = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QCheckBox* fit_mv = nullptr;
    QPushButton* fit = nullptr;
    QPushButton* use = nullptr;
    QPushButton* close = nullptr;
    QLabel* status = nullptr;
    QObject* watcher = nullptr;  // brings the units up to date when the window becomes active

    std::vector<ShotRow> rows;     // one a line of the list; the last one is always empty
    std::vector<LawFit> fits;      // the last fit, best first; empty after any change of the shots
    std::vector<int> fitted_rows;  // the list line of each shot of that fit
    bool fitted_mv = false;
    // With an imported string: the mean of its shots' muzzle velocities, which Use enters too.
    std::optional<float> string_mv;
    // Per shot of the string: the muzzle velocity the last fit flew it with and where it came from
    // ("fitted, 1239.3 Ft/s"); empty where it was not fitted.
    std::vector<std::string> string_mv_notes;
    unsigned changes = 0;      // counts the changes of the shots and the string: a fit of others is stale
    bool save_failed = false;  // the last save of the shots file failed (and was told)
    KeptFile shots_file;       // as loaded: not written when it could not be read

    // The imported shot string (app/fit_import.h), kept in "Velora.string.json".
    QPushButton* import = nullptr;
    QPushButton* use_mean = nullptr;
    QPushButton* forget = nullptr;
    QTreeWidget* string_view = nullptr;
    QLabel* string_summary = nullptr;
    std::optional<ShotString> string;
    bool string_save_failed = false;
    KeptFile string_file;

    // The projectile's fields and file (app/fit_projectile.h).
    std::shared_ptr<FitProjectile> projectile;

    // The results of a string's fit shot by shot, with the verdict (app/fit_results_view.h).
    std::shared_ptr<FitResultsView> results;

    // The drag table ranked beside the laws (app/fit_table.h).
    std::shared_ptr<FitTablePart> table;

    QPushButton* save_report = nullptr;  // the range report with this fit (app/fit_report.h)
};

// A cell of the shots list that is being edited takes its text now, as Tab would (the run is
// ending); nothing when no cell is open.
void commit_open_cell(App& app);

// "Fit from Shots…": builds the window on first use (reading the shots file), brings its units up
// to date and shows it beside the main window.
void show_fit_window(App& app);

// Where the window opens: beside the main window's frame `main` (to its right, else to its left)
// within the screen's free area, so that it covers none of the fields the fit depends on; where
// neither side has room, against the area's right edge, over the main window's outputs rather
// than its inputs. The top-left corner of a window of `size`.
struct WindowSpot {
    int x = 0, y = 0;
};
WindowSpot fit_window_spot(int main_x, int main_y, int main_width, int width, int height, int area_x, int area_y,
                           int area_width, int area_height);

// The height the window opens with: `wanted`, or less where the screen's free area is lower, so
// that its buttons at the bottom stay in sight; never below what its contents need (`least`).
// `frame` is what the window manager adds above and below.
int fit_window_height(int wanted, int least, int frame, int area_height);

// Replaces the file beside the preferences with `text`. A failure is told once in a message, while
// `failed` stays set, and stays in the status line while it lasts; `what` names the content ("The
// shots"). A file that could not be read when it was loaded is left as it is; one that another
// program changed since it was read is replaced only when the user says so, else it is read again
// through `reload` once the current event is handled.
void save_beside_preferences(App& app, KeptFile& file, const std::string& text, bool& failed, const std::string& what,
                             const std::function<void()>& reload);

// A file kept beside the preferences that could not be read, told once (message and standard
// error): `what` ("The shots") could not be read from the file, which this run leaves as it is.
void tell_unreadable(App& app, const KeptFile& file, const std::string& what);

// Rows pasted into the list of typed shots: one shot a line, its range, quantity (velocity, time,
// poi, drop, or the list's caption), value and optional uncertainty, separated by tabs, semicolons
// or commas, in the main window's units or with unit suffixes. False, and nothing added, unless
// every line reads.
bool paste_typed_rows(App& app, const std::string& text);

// The ranked laws shown again after the fit was forgotten.
void refresh_fit_results(App& app);

// The shots of the complete lines (a range and a value, nothing unread) and their lines.
std::vector<Shot> complete_shots(const FitWindow& f, std::vector<int>* lines = nullptr);

}  // namespace velora
