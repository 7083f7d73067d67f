// The program from start to end: the start-up in its fixed order, the event loop and the
// shut-down, which always saves the preferences however the program ends.
#pragma once

#include <cstdint>
#include <string>

#include "app/app.h"

namespace velora {

// Writes the embedded help document to `path` unless a file of exactly its size is already
// there. Returns true when it wrote the file.
bool write_help_document(const std::string& path);

// Everything before the event loop: the built-in state, the desktop folder, the storage folders,
// the preferences, the splash, the help document, the window (built invisible, placed, brought up
// to date by a first prediction, given its tooltips and shown), the preferences window (built
// hidden), the update check when enabled (against `app.web`) and the events connected. The
// dialogs are those already in `app` when set, else the real ones. When the user chose to close
// for a download during the check, it returns at once with app.closed_for_download set.
void start_program(App& app);

// Everything after the event loop: the preferences saved, the window hidden, the temporary image
// deleted, the splash shown once more when enabled.
void end_program(App& app);

// After the event loop: end_program, unless the user closed the program for a download, which
// ends it at once without the rest of the shut-down.
void finish_program(App& app);

// Saves the preferences from the state and the window as they are now.
void save_preferences_now(App& app);

// The whole run in a QApplication that exists already: start, loop, end. Ends the loop also on
// SIGTERM, SIGINT or SIGHUP and at the end of the desktop session, with the preferences saved.
int run_program();

}  // namespace velora
