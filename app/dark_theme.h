// The dark look of the program's windows, used while the desktop asks for dark applications.
#pragma once

#include <memory>

class QPalette;
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

// The palette of the program's other windows in the dark look: (58, 58, 58) behind white text,
// fields (48, 48, 48), buttons (68, 68, 68), tooltips (72, 72, 72), the system's highlight.
QPalette dark_application_palette();

// Everything else the program opens in the dark look too: menus, tooltips, message boxes and
// About, the file and print dialogs, under the Fusion style with the dark palette. Releasing the
// handle gives the application its previous style and palettes back.
std::shared_ptr<void> use_dark_application_look();

}  // namespace velora
