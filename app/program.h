// The program from start to end: the start-up in its fixed order, the event loop and the
// shut-down, which always saves the preferences however the program ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/app.h"
#include "services/file_replace.h"

namespace velora {

// Writes the embedded help document to `path` unless a file of exactly its size is already
// there (which counts as done). On a failure whatever stood at `path` stays.
WriteOutcome write_help_document(const std::string& path);

// Everything before the event loop: the built-in state, the desktop folder, the storage folders,
// the claim on the preferences folder (a later start with the same folder only asks the running
// program to show its window and returns with app.ended and app.later_start set), the preferences, the splash, the help
// document, the window (built invisible, placed, brought up to date by a first prediction, given its tooltips and
// shown), the preferences window (built hidden), the update check when enabled (against `app.web`) and the events
// connected. The dialogs are those already in `app` when set, else the real ones. When the user chose to close for a
// download during the check, it returns at once with app.closed_for_download set.
void start_program(App& app);

// Everything after the event loop: the preferences saved, the window hidden, the temporary image
// deleted, the splash shown once more when enabled (not when a signal ends the program).
void end_program(App& app);

// After the event loop: end_program, unless the user closed the program for a download, which
// ends it at once without the rest of the shut-down, or another run has the preferences folder.
void finish_program(App& app);

// After each change handled by the window: the preferences are saved once no change came for a
// moment (1.5 s), when they differ from what was saved last.
void save_preferences_soon(App& app);

// A later start with the same preferences folder asked for the window: shown in front.
void bring_window_to_front(App& app);

// Saves the preferences from the state and the window as they are now. A failure is told; a file
// that could not be read at the start is not written, and one that another program changed since
// is replaced only when the user says so.
void save_preferences_now(App& app);

// A file of the program's own that could not be written, or a document that could not be shown:
// a line on standard error, and the message while the window is up.
void tell_failure(App& app, const std::string& title, const std::string& text);

// Once a signal or the end of the session has asked the program to end, nothing more is asked:
// each of `inner`'s questions is answered at once with the answer that changes nothing (No,
// Cancel, OK, no file, no printer) and nothing is opened.
Dialogs quiet_once_interrupted(App& app, Dialogs inner);

// Ends the program as soon as can be, from wherever it is (a message box, a file or printer
// dialog, the preferences window, a connection test, a download): the preferences are saved at
// once, every open dialog is closed, transfers are cancelled and every wait returns, and the
// event loop ends; the shut-down after it skips the logo.
void end_on_request(App& app);

// SIGTERM, SIGINT and SIGHUP from now on end the program through end_on_request, however often
// they come and whatever it does, and a shut-down still running two seconds after the save ends
// at once; one that arrives during the start-up ends it at its next step (the logo goes at once).
// Called first thing, before the toolkit starts.
void install_signal_handlers();

// The whole run in a QApplication that exists already: start, loop, end. Ends the loop also on
// SIGTERM, SIGINT or SIGHUP and at the end of the desktop session, with the preferences saved.
// `web` is where the update check and the web links go.
int run_program(const WebAddresses& web);
int run_program();
// The same with `prepare` called on the run before it starts (tests set their seams there).
int run_program(const WebAddresses& web, const std::function<void(App&)>& prepare);

}  // namespace velora
