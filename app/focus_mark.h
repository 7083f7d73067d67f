// Where the keyboard focus is, made visible in the program's windows in both looks: a ring two
// pixels wide around the control that has the focus, in a colour that stands out at least 3.5 : 1
// from the window's background and from the control's own inside. The ring lies just outside the
// control, in the gap of two pixels or more that the fixed layout leaves around every control.
#pragma once

#include <QColor>
#include <QRect>

class QWidget;

namespace velora {

// From now on, while `window` is the active window, the control of it that has the keyboard focus
// carries the ring. A control that took the focus from a mouse click carries it only when it is
// typed into (a field, a cell being edited), until a key is pressed in it or moves the focus on.
void mark_focus_in(QWidget* window);

// Where the ring of `control` runs, in the coordinates of its window: around the control itself;
// around a check box or option button without a text of its own together with the captions that
// name it; around the text of the caption under a switch (a caption that is clicked); around the
// current tab of a tab strip.
QRect focus_mark_rect(const QWidget* control);

// The ring's colour for `control` on its background.
QColor focus_mark_colour(const QWidget* control);

}  // namespace velora
