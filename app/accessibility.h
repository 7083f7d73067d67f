// The window as a screen reader and a keyboard meet it: accessible names and descriptions on
// every control, captions tied to their controls, the switches that the keyboard can reach, the
// fields' edit menu, and the mnemonic underlines shown only while Alt is held.
#pragma once

#include "app/app.h"

class QLineEdit;
class QMenu;
class QPoint;
class QWidget;

namespace velora {

// Before the first control of the main window is made: the lists' and the switches' interfaces
// for readers.
void prepare_accessibility();

// Once, when the main window is built: the captions become the buddies of their controls, the
// three switches (zero, BC entry, density unit) take the keyboard focus, every control that has
// the focus carries the focus mark (app/focus_mark.h), and the menus
// underline their mnemonics only while Alt is held or a menu is worked from the keyboard.
void set_up_accessibility(MainWindow& w);

// The names and descriptions of every control for the state and the texts shown now. Run after
// every recalculation and after each display that changes without one (zero, density, tolerances).
void apply_accessible_texts(App& app);

// The names and descriptions of the preferences window, its captions tied to the boxes.
void set_up_preferences_accessibility(PreferencesWindow& p);

// Opens the edit menu of a field at `global_position`. It is the toolkit's own, except that no
// entry names a shortcut that does something else in this window ("Select All" is not Ctrl+A,
// which opens About).
QMenu* open_field_menu(QLineEdit& field, const QPoint& global_position);

// Puts the watch of the keyboard and the mouse that the underlines follow in front of the other
// event filters of the application, so that it also sees what they take.
void watch_input_for_mnemonic_cues();

// Whether a menu bar or menu underlines its mnemonics at this moment.
bool mnemonic_cues_shown(const QWidget* menu);

}  // namespace velora
