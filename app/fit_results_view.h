// The Fit window's results of a string's fit: the verdict line, the messages and the shots set
// aside, the spread of the shots' own BCs and their trend against the muzzle velocity under the
// law chosen in the list of laws, and a list with one line a shot: its muzzle velocity and where
// it came from, its own BC, interval and rms, and its mark, with a check box that sets the shot
// aside or takes it back in and fits again; and beside it the pictures (app/fit_plots.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/fit_plots.h"
#include "solver/string_fit.h"

class QLabel;
class QTableWidget;
class QTabWidget;
class QVBoxLayout;
class QWidget;

namespace velora {

struct App;

// The columns of the list of shots' results.
enum ShotResultColumn : int {
    ResultShot = 0,  // with its check box: in the fit or set aside
    ResultMv,
    ResultOrigin,
    ResultBc,
    ResultInterval,
    ResultRms,
    ResultMark,
    ResultColumnCount
};

struct FitResultsView {
    QLabel* verdict = nullptr;
    QLabel* notes = nullptr;  // the messages and the shots set aside
    QLabel* spread = nullptr;
    QLabel* trend = nullptr;
    QTabWidget* tabs = nullptr;
    QTableWidget* shots = nullptr;
    FitPlotViews plots;  // the tabs beside the list

    // The last fit of a string and what it was given; nothing once it is stale.
    std::optional<StringFit> fit;
    std::vector<FitShot> fitted;
    std::vector<std::string> groups;
    ShotFitInputs in;
};

// The results part of the window, under `layout`.
void build_fit_results(App& app, QVBoxLayout* layout);

// The widget Tab reaches after the list of laws.
QWidget* fit_results_focus(App& app);

// Keeps the fit of a string that was just made, and shows it.
void keep_fit_results(App& app, StringFit fit, std::vector<FitShot> shots, std::vector<std::string> groups,
                      const ShotFitInputs& in);

// Shows the kept fit under the law chosen in the list of laws, in the main window's units of the
// moment; forgets it once the window's fit is stale (the list of laws empty) or was not a string's.
void show_fit_results(App& app);
void forget_fit_results(App& app);

}  // namespace velora
