// The dispatcher: every event of the main window, carried out in one place.
#pragma once

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

// Hands an event to the dispatcher while the event loop runs; when the dispatcher answers 0 the
// loop is ended, otherwise the table's selections are cleared.
void deliver_event(App& app, const Event& event);

}  // namespace velora
