// The two popup menus of the output panel, as plain records: the window builds its menus from
// them and dispatches a chosen item by its command number.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "state/calc_state.h"

namespace velora {

// Command numbers of the menu items (the numbers the dispatcher knows them by).
enum OutputCommand : int {
    NoCommand = 0,
    TableMenuCommand = 102,
    TableStep1Command = 103,
    TableStep5Command = 104,
    TableStep10Command = 105,
    TableStep25Command = 106,
    TableGapsCommand = 107,
    PrintTableCommand = 108,
    SaveTableCsvCommand = 109,
    PlotMenuCommand = 110,
    TargetMarkerCommand = 111,
    PrintImageCommand = 112,
    SaveImageCommand = 113,
    // Added beside the table's and the plot's own exports.
    SaveTableSpreadsheetCommand = 140,
    SaveImagePrintSizeCommand = 141,
};

struct PopupMenuItem {
    enum Kind { Title, Separator, Command, Submenu };
    Kind kind = Command;
    std::string text;
    int command = NoCommand;  // for Command items
    bool checked = false;
    std::vector<PopupMenuItem> items;  // for Submenu items
    char mnemonic = 0;                 // the letter of `text` that chooses the item from the keyboard; 0 for none
};

// The letter that chooses a command of the popup menus (the step submenu's is 'T').
char command_mnemonic(int command);

// A menu text with its mnemonic marked for the toolkit: "&" before the first `letter` of `text`
// (the exact letter, so "Print &Table" can be told from "&Toggle"), every "&" of the text itself
// doubled so that it shows as written. Without the letter in the text (or with 0) only the
// doubling is done. The menu shows the text unchanged; the letter is underlined while Alt is held.
std::string with_mnemonic(std::string_view text, char letter);

// The text a menu shows for a toolkit text: the mnemonic mark dropped, "&&" read as "&".
std::string without_mnemonic(std::string_view text);

// The mnemonic letter of a toolkit text (lower case), or 0.
char mnemonic_of(std::string_view text);

// Built once with the window, before the first table or plot, and rebuilt with every table and
// plot: the two differ only in the title item.
enum class MenuStage { Initial, Rebuilt };

// "Table Option Menu:" (rebuilt) or "Table Popup Menu:" (initial); the step submenu with the
// entry equal to TableStep ticked; "Hide Table Gaps" / "Show Table Gaps"; print and CSV export.
std::vector<PopupMenuItem> table_menu_items(const CalcState& s, MenuStage stage = MenuStage::Rebuilt);

// "Plot Option Menu:" (rebuilt) or "Plot Popup Menu:" (initial); "Hide Target Marker" /
// "Show Target Marker"; print and save.
std::vector<PopupMenuItem> plot_menu_items(const CalcState& s, MenuStage stage = MenuStage::Rebuilt);

// The table step a step command sets (1, 5, 10, 25), or 0 for another command.
float table_step_of_command(int command);

// Which step command carries the tick for a table step: only an exact 1, 5, 10 or 25 has one.
int table_step_command(float table_step);

}  // namespace velora
