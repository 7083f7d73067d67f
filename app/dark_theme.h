// The dark look of the program's windows, used while the desktop asks for dark applications.
#pragma once

class QWidget;

namespace velora {

struct MainWindow;

// The main window on (58, 58, 58) with automatic text, then the captions and values that keep
// their own colours: the zero caption and the density line orange, the results red, magenta,
// green and light grey, the BC result green, the tolerance fields white.
void theme_main_window(MainWindow& w);

// The tolerance controls of the Confidence page, each time it is drawn: the fields on
// (48, 48, 48) with white text, their captions white; the target chronograph's caption and "±"
// white with two chronographs and grey otherwise.
void theme_tolerance_controls(MainWindow& w, bool target_chronograph_used);

// The preferences window on (58, 58, 58) with automatic text.
void theme_preferences_window(QWidget* window);

// The "Fit from Shots…" window the same way.
void theme_fit_window(QWidget* window);

}  // namespace velora
