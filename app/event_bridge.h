// Turns what happens in the main window (keys, clicks, choices in lists, menu items, the close
// box) into calculator events for the dispatcher.
#pragma once

#include "app/app.h"

class QKeyEvent;

namespace velora {

// The shortcut number of a key press (Return 1, Escape and Ctrl+Q 2, F1 and Ctrl+H 3, F2 and
// Ctrl+A 4, Tab 15, Shift+Tab 16), or 0 for any other key.
int shortcut_number(const QKeyEvent& key);

// Connects every control, menu item and key of the window to the dispatcher (kept in app.events).
void connect_events(App& app);

}  // namespace velora
