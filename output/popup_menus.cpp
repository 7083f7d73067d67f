#include "output/popup_menus.h"

namespace velora {

namespace {

PopupMenuItem title(const char* text) { return {PopupMenuItem::Title, text, NoCommand, false, {}, 0}; }
PopupMenuItem separator() { return {PopupMenuItem::Separator, "", NoCommand, false, {}, 0}; }
PopupMenuItem command(std::string text, int number, bool checked = false) {
    return {PopupMenuItem::Command, std::move(text), number, checked, {}, command_mnemonic(number)};
}

struct StepEntry {
    int command;
    float step;
    const char* text;
};
constexpr StepEntry StepEntries[] = {
    {TableStep1Command, 1.0f, "1"},
    {TableStep5Command, 5.0f, "5"},
    {TableStep10Command, 10.0f, "10"},
    {TableStep25Command, 25.0f, "25"},
};

}  // namespace

char command_mnemonic(int command) {
    switch (command) {
        case TableStep1Command: return '1';
        case TableStep5Command: return '5';
        case TableStep10Command: return '0';  // "1" has the 1
        case TableStep25Command: return '2';
        case TableGapsCommand: return 'G';
        case PrintTableCommand: return 'P';
        case SaveTableCsvCommand: return 'S';
        case TargetMarkerCommand: return 'M';
        case PrintImageCommand: return 'P';
        case SaveImageCommand: return 'S';
        case SaveTableSpreadsheetCommand: return 'V';
        case SaveImagePrintSizeCommand: return 'I';
        default: return 0;
    }
}

std::string with_mnemonic(std::string_view text, char letter) {
    std::string out;
    out.reserve(text.size() + 2);
    bool marked = false;
    for (char c : text) {
        if (c == '&') {
            out += "&&";
            continue;
        }
        if (!marked && letter != 0 && c == letter) {
            out += '&';
            marked = true;
        }
        out += c;
    }
    return out;
}

std::string without_mnemonic(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

char mnemonic_of(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        const char c = text[i + 1];
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return 0;
}

float table_step_of_command(int number) {
    for (const StepEntry& e : StepEntries)
        if (e.command == number) return e.step;
    return 0.0f;
}

int table_step_command(float table_step) {
    for (const StepEntry& e : StepEntries)
        if (e.step == table_step) return e.command;
    return NoCommand;
}

std::vector<PopupMenuItem> table_menu_items(const CalcState& s, MenuStage stage) {
    PopupMenuItem steps{PopupMenuItem::Submenu, "Table Step ...", NoCommand, false, {}, 'T'};
    steps.items.push_back(title("Step Size:"));
    steps.items.push_back(separator());
    const int ticked = table_step_command(s.TableStep);
    for (const StepEntry& e : StepEntries) steps.items.push_back(command(e.text, e.command, e.command == ticked));

    return {
        title(stage == MenuStage::Initial ? "Table Popup Menu:" : "Table Option Menu:"),
        separator(),
        std::move(steps),
        separator(),
        command(s.Gaps == 1 ? "Hide Table Gaps" : "Show Table Gaps", TableGapsCommand),
        separator(),
        command("Print Table", PrintTableCommand),
        command("Save Table as .CSV", SaveTableCsvCommand),
        command("Save Table as Spreadsheet CSV…", SaveTableSpreadsheetCommand),
    };
}

std::vector<PopupMenuItem> plot_menu_items(const CalcState& s, MenuStage stage) {
    // The window builder asks for a marker of exactly 1; every rebuilt menu for any marker at all.
    const bool marker_on = stage == MenuStage::Initial ? s.ShowTarget == 1 : s.ShowTarget != 0;
    return {
        title(stage == MenuStage::Initial ? "Plot Popup Menu:" : "Plot Option Menu:"),
        separator(),
        command(marker_on ? "Hide Target Marker" : "Show Target Marker", TargetMarkerCommand),
        separator(),
        command("Print Image", PrintImageCommand),
        command("Save Image", SaveImageCommand),
        command("Save Image at Print Size…", SaveImagePrintSizeCommand),
    };
}

}  // namespace velora
