// The preferences window: three options (the update check at start-up, the logo at start and
// exit, the tooltips) and "OK". Built once, hidden, at start-up and shown as a modal dialog over
// the main window from the menu.
#pragma once

#include "state/calc_state.h"

class QCheckBox;
class QDialog;
class QLabel;
class QPushButton;
class QWidget;

namespace velora {

inline constexpr const char* PreferencesTitle = "Preferences";
inline constexpr int PreferencesWidth = 200;  // inner size
inline constexpr int PreferencesHeight = 215;

struct PreferencesWindow {
    QDialog* dialog = nullptr;  // a child of the main window, which owns it
    QCheckBox* update_box = nullptr;
    QCheckBox* logo_box = nullptr;
    QCheckBox* tooltip_box = nullptr;
    QLabel* captions[3][2] = {};  // the two caption lines of each box, top to bottom
    QPushButton* ok = nullptr;
};

// Where the window opens: WinX[1]/WinY[1], or centred on a `desktop_width` × `desktop_height`
// desktop when both are still -1 (a first run); the centred place is written back into the state.
void place_preferences_window(CalcState& s, int desktop_width, int desktop_height);

// Builds the window hidden over `main` at WinX[1]/WinY[1] (centred on the primary screen on a
// first run).
void build_preferences_window(PreferencesWindow& p, QWidget* main, CalcState& s);

// Copies the window's position into WinX[1]/WinY[1].
void read_preferences_position(const PreferencesWindow& p, CalcState& s);

}  // namespace velora
