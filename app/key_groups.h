// Keyboard reach beyond the input fields: the group key (F6, Shift+F6 back) moves between the
// groups of controls that Tab does not visit, and Left/Right move inside the groups of several
// lists or switches. The mnemonics of the menu bar's items. Pure functions of control numbers
// and the state; the window only moves the focus where they say.
#pragma once

#include "state/calc_state.h"

namespace velora {

// The groups in the order the group key visits them.
enum class KeyGroup : int { None, Fields, SetUp, Units, DragLaw, Switches, PanelButton, OutputPages };

// The group of a control (None for one no key visits).
KeyGroup key_group_of(int control_id);

// The control the group key moves the focus to from `focused`: the next group forward or the
// previous one back. `field` is the input field the user was last in (0 for none, then mpag): the
// fields group is entered there and the unit lists at its unit list. The set-up is entered at its
// selected button, the output pages only while the panel is shown. From no group at all, forward
// enters the fields and back the last group.
int next_group_control(const CalcState& s, int focused, bool forward, int field = 0);

// Left/Right inside the unit lists (in reading order) and the switches (zero, BC entry, density
// unit), wrapping at either end; 0 for a control outside those two groups.
int next_in_group(int focused, bool forward);

// The letter that chooses a menu-bar title or item from the keyboard (with Alt on the menu bar,
// alone inside an open menu), or 0 for none. No two entries of one menu share a letter.
char menu_bar_mnemonic(int item_id);
inline constexpr int UtilityMenuTitle = -1;  // the titles, which have no control number
inline constexpr int HelpMenuTitle = -2;

}  // namespace velora
