// The Fit window's imported shot string: Import… (Ctrl+O), files or a folder dropped on the window,
// rows pasted with Ctrl+V, the string shown shot by shot with a check box for each shot and each of
// its measurements and track samples, the spread of its muzzle velocities with their mean offered
// to the main window, and the string kept beside the preferences in "Velora.string.json".
#pragma once

#include <string>
#include <vector>

#include "services/readers/readers.h"
#include "solver/shot_fit.h"

class QVBoxLayout;

namespace velora {

struct App;

inline constexpr const char* StringFileName = "Velora.string.json";

// What the file dialog of Import… offers, by device.
inline constexpr const char* ImportFilter =
    "All shot strings (*.csv *.CSV *.fit *.FIT *.xlsx *.xls *.zip *.json *.txt);;"
    "LabRadar report or track (*.csv *.CSV *.zip);;Garmin Xero (*.csv *.fit *.FIT *.xlsx *.xls);;MagnetoSpeed (*.csv "
    "*.CSV *.txt);;Velora string (*.csv *.json);;All files (*)";

// The import part of the window (its buttons, the string's view and summary), under `layout`.
void build_string_part(App& app, QVBoxLayout* layout);

// The string kept beside the preferences, read when the window is built. A file that cannot be
// read is kept as "Velora.string.json.bad" and told.
void load_string(App& app);

// Refreshes the string's view and summary in the main window's units of the moment.
void show_string(App& app);

// The string's marks changed by a fit (the shots it set aside): kept and shown, the fit not
// made stale.
void string_marked_by_fit(App& app);

// Import… and what it leads to: a path chosen or dropped, several files dropped, text pasted (a
// string with its header, or else rows for the list of typed shots). A refusal is told in a
// message and the window's string stays as it was.
void import_dialog(App& app);
void import_path(App& app, const std::string& path);
void import_dropped(App& app, const std::vector<std::string>& paths);
void paste_rows(App& app, const std::string& text);

// The string's measurements in use, added to the shots of a fit, and the muzzle velocity it is
// flown with (the mean of the string's shots in use): the note for the status line, or empty when
// the string adds nothing. `names` gets a name for each shot added.
std::string add_string_shots(const App& app, std::vector<Shot>& shots, std::vector<std::string>& names, float& mv);

}  // namespace velora
