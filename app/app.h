// Everything one run of the program holds: the calculator state (owned by whoever starts the
// run), what the calculation derived from it, the main window, the splash, the dialogs and the
// private temporary folder.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/calc_state.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/splash.h"
#include "solver/calc_results.h"

class QObject;

namespace velora {

struct App {
    explicit App(CalcState& s) : state(s) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    CalcState& state;
    CalcResults results;
    MainWindow window;
    Splash splash;
    Dialogs dialogs;
    std::string temporary_folder;  // private folder of the temporary plot image

    bool dispatching = false;        // events reach the dispatcher (only inside the event loop)
    bool ended = false;              // the dispatcher asked to end the program
    std::function<void()> end_loop;  // ends the event loop
    std::unique_ptr<QObject> events; // turns the window's events into calculator events
};

}  // namespace velora
