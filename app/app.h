// Everything one run of the program holds: the calculator state (owned by whoever starts the
// run), what the calculation derived from it, the main window, the splash, the dialogs and the
// private temporary folder.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/background.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/preferences_window.h"
#include "app/single_instance.h"
#include "app/splash.h"
#include "services/kept_file.h"
#include "services/system_theme.h"
#include "services/update_check.h"
#include "solver/calc_results.h"
#include "state/calc_state.h"

class QObject;

namespace velora {

struct FitWindow;

// Where the update check and the web links go: the built-in addresses in the real program, a
// server on 127.0.0.1 in tests. An empty address reaches nothing (no connection).
struct WebAddresses {
    std::string site;                  // the maker's home page
    std::string version_file;          // the one-line version file
    std::string probe;                 // the page whose status 200 shows a working connection
    int time_limit_ms = ProbeLimitMs;  // the longest the probe, and then the version file, may take
    Clock clock{};                     // the clock of that limit; the steady clock when empty
};

// How long the logo stays up at the start and at the end (tests shorten it).
struct LogoTimes {
    int start_milliseconds = 2000;
    int end_milliseconds = 1000;
};

// Rounds of event handling, a millisecond each, that let the window settle before the first
// calculation at start-up (tests take fewer).
inline constexpr int SettlingRounds = 101;

struct App {
    explicit App(CalcState& s) : state(s) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    CalcState& state;
    CalcResults results;
    // The dark look of menus, tooltips, message boxes and dialogs while it is in use; it outlives
    // the windows and gives the application its own look back.
    std::shared_ptr<void> application_look;
    MainWindow window;
    Splash splash;
    LogoTimes logo_times;
    int settling_rounds = SettlingRounds;
    Dialogs dialogs;
    PreferencesWindow preferences;
    WebAddresses web;
    RegistryReader theme_setting = read_registry_value;  // where the desktop's light/dark choice is read
    std::string temporary_folder;                        // private folder of the temporary plot image
    KeptFile preferences_file;                           // as loaded: not written when it could not be read
    InstanceLock instance;                               // this run's claim on the preferences folder
    bool later_start = false;                            // another run has the folder: this one only asked it
    LaterCall save_soon;                                 // the preferences saved a moment after a change
    std::string preferences_saved_text;                  // the file as this run last read or wrote it
    std::string preferences_own_text;                    // this run's preferences at that moment

    bool dispatching = false;               // events reach the dispatcher (only inside the event loop)
    bool ended = false;                     // the dispatcher asked to end the program
    bool closed_for_download = false;       // ended at once for a download: no shut-down sequence
    bool interrupted = false;               // a signal or the session ends the program: nothing more is asked
    bool checking = false;                  // an update check is under way
    std::function<void()> end_loop;         // ends the event loop
    std::unique_ptr<QObject> events;        // turns the window's events into calculator events
    std::shared_ptr<FitWindow> fit_window;  // the "Fit from Shots…" window, once it was opened

    // Work beside the window (app/background.h): what runs, and the seams tests take: their own
    // timers for the calls made a moment later, how long the window waits for work that ends at
    // once, and a latch at the work's steps.
    std::shared_ptr<Background> background;
    LaterSeam later;
    std::chrono::milliseconds work_grace = WorkGrace;
    WorkStepHook work_step;
};

}  // namespace velora
