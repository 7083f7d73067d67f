// Turns what happens in the main window (keys, clicks, choices in lists, menu items, the close
// box) into calculator events for the dispatcher.
#pragma once

#include "app/app.h"

class QKeyEvent;

namespace velora {

// The shortcut number of a key press (Return 1, Escape and Ctrl+Q 2, F1 and Ctrl+H 3, F2 and
// Ctrl+A 4, Tab 15, Shift+Tab 16), or 0 for any other key.
int shortcut_number(const QKeyEvent& key);

// The keys that reach what Tab does not (F10, the Menu key and Shift+F10, Ctrl+Tab and
// Ctrl+Shift+Tab, F6 and Shift+F6, Left/Right inside a group, Space on a switch). Tab, Shift+Tab,
// Return and the shortcuts above are not among them.
enum class KeyCommand {
    None,
    OpenMenuBar,      // F10
    ContextMenu,      // the Menu key, Shift+F10
    NextPage,         // Ctrl+Tab
    PreviousPage,     // Ctrl+Shift+Tab
    NextGroup,        // F6
    PreviousGroup,    // Shift+F6
    NextInGroup,      // Right
    PreviousInGroup,  // Left
    Press,            // Space
};
KeyCommand key_command(const QKeyEvent& key);

// Connects every control, menu item and key of the window to the dispatcher (kept in app.events).
void connect_events(App& app);

}  // namespace velora
