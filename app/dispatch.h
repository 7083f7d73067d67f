// The dispatcher: every event of the main window, carried out in one place.
#pragma once

#include <optional>
#include <string>

#include "app/app.h"

namespace velora {

enum class EventKind { Menu, Control, Close };
// MenuKey: the Menu key or Shift+F10 over the table or the plot, which opens its menu as a right
// click does but leaves the keyboard focus where it is.
enum class ControlAction { LeftClick, RightClick, DoubleClick, Change, MenuKey };

struct Event {
    EventKind kind = EventKind::Menu;
    int number = 0;  // a menu item, a shortcut number or a control
    ControlAction action = ControlAction::Change;
    int x = 0, y = 0;  // screen position of a click
};

// Carries out one event: commits the focused field and moves the focus (Return, Tab,
// Shift+Tab), runs a menu command or reacts to a control. Returns 1 to go on and 0 to end the
// program (Escape, Ctrl+Q, "Quit", the close box).
int dispatch_event(App& app, const Event& event);

// Enters what a fit found as the user would: with `mv_text`, that typed into the muzzle-velocity
// field and committed; then the drag-law list moved to `law` (the drag-law change, its BC
// conversion and its message); then `bc_text` typed into the BC field and committed; each step
// with its recalculation. False when the drag-law change was refused (the BC is then left alone).
bool enter_fitted_values(App& app, int law, const std::string& bc_text, const std::optional<std::string>& mv_text);

// `mv_text` typed into the muzzle velocity field and committed, as the user would.
void enter_muzzle_velocity(App& app, const std::string& mv_text);

// Hands an event to the dispatcher while the event loop runs; when the dispatcher answers 0 the
// loop is ended, otherwise the table's selections are cleared.
void deliver_event(App& app, const Event& event);

}  // namespace velora
