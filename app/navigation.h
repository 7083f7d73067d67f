// Keyboard navigation over the input fields and the fields each measuring set-up accepts.
//
// Pure functions of the calculator state; the window only moves the focus where they say.
#pragma once

#include "state/calc_state.h"

namespace velora {

// The last field that Tab reaches: 16 while the output panel is hidden or shows the Table or Plot
// page; on the Confidence page 17 (the muzzle tolerance), or 18 with two chronographs, whose
// target tolerance is the only other field there that takes input.
int last_field(const CalcState& s);

// The field that Tab (KeyTab), Shift+Tab (KeyBacktab) or Return (KeyReturn) moves to from the
// control `focused`, skipping the fields the set-up does not use and the BC field while the BC is
// shown as a result. A field up to 16 becomes s.mpag, the field that gets the focus back when the
// panel changes. From a control that is not an input field (or from none), Tab leads to field 5
// and Shift+Tab to the last field.
int next_field(CalcState& s, int focused, int key);

// Whether the input field takes input under the set-up `method`. Muzzle velocity, target range,
// BC and the air are always open; zero range and sight height only for the POI set-up, and of the
// four measurements only the set-up's own. The tolerance fields are the Confidence page's
// business and are not answered here (false).
bool method_enables_field(int method, int field);

}  // namespace velora
