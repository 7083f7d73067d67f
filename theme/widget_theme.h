// The dark theme on Qt widgets: each widget's kind is told from its class, its colours come from
// the colour rules, and they are applied through its palette (and, for the tab strip, a style
// sheet), under a style that honours palettes on every platform.
#pragma once

#include <optional>

#include "theme/colour_rules.h"

class QWidget;

namespace velora {

// The kind of a widget, told from its class.
ControlKind control_kind_of(const QWidget* w);

// The system colours of the running style.
SystemColours system_colours();

// Themes every control of `window` with the colours asked for (a colour, DefaultColour or
// AutomaticColour): the window's own background becomes `back` when it is a colour, controls
// inside containers inherit the background of their container, and the kinds that keep the
// system look (buttons, pictures) are passed over.
void set_window_theme(QWidget* window, Colour back, Colour front);

// Themes one control; a container passes the colours on to what it holds. With
// AutomaticColour the background is that of its parent.
void set_control_theme(QWidget* control, Colour back, Colour front);

// The effective colours a widget was given, or nothing when it was never themed.
std::optional<ControlColours> theme_colours_of(const QWidget* w);

// The colour the tab strip of a themed panel shows for its selected and its other tabs.
struct TabColours {
    Colour selected;
    Colour other;
    Colour text;
};
std::optional<TabColours> tab_colours_of(const QWidget* panel);

}  // namespace velora
