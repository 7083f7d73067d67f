#include "app/key_groups.h"

#include <array>
#include <iterator>

#include "app/control_ids.h"

namespace velora {

namespace {

// The unit lists in the order of their fields.
constexpr std::size_t UnitListCount = [] {
    std::size_t n = 0;
    for (const FieldControls& c : ControlsOfFields) n += c.unit_list != NoControl;
    return n;
}();
constexpr std::array<int, UnitListCount> UnitOrder = [] {
    std::array<int, UnitListCount> order{};
    std::size_t i = 0;
    for (const FieldControls& c : ControlsOfFields)
        if (c.unit_list != NoControl) order[i++] = c.unit_list;
    return order;
}();
constexpr std::array<int, 3> SwitchOrder = {ClickZero, ClickBC, ClickDensity};

constexpr KeyGroup GroupOrder[] = {KeyGroup::Fields,   KeyGroup::SetUp,       KeyGroup::Units,      KeyGroup::DragLaw,
                                   KeyGroup::Switches, KeyGroup::PanelButton, KeyGroup::OutputPages};

template <std::size_t N>
int index_in(const std::array<int, N>& order, int id) {
    for (std::size_t i = 0; i < N; ++i)
        if (order[i] == id) return static_cast<int>(i);
    return -1;
}

// The unit list of a field, or the muzzle velocity's for a field without one.
int unit_list_of_field(int field) {
    const int list = controls_of_field(field).unit_list;
    return list != NoControl ? list : UnitMV;
}

int entry_of(const CalcState& s, KeyGroup g, int field) {
    switch (g) {
        case KeyGroup::Fields: return field;
        case KeyGroup::SetUp: return MethodButtonPOI + (s.stateRB >= 0 && s.stateRB <= 3 ? s.stateRB : 0);
        case KeyGroup::Units: return unit_list_of_field(field);
        case KeyGroup::DragLaw: return DragLawList;
        case KeyGroup::Switches: return ClickZero;
        case KeyGroup::PanelButton: return PanelButton;
        case KeyGroup::OutputPages: return OutputPanel;
        case KeyGroup::None: break;
    }
    return NoControl;
}

bool reachable(const CalcState& s, KeyGroup g) { return g != KeyGroup::OutputPages || s.mode == 1; }

}  // namespace

KeyGroup key_group_of(int id) {
    if (is_input_field(id)) return KeyGroup::Fields;
    if (id >= MethodButtonPOI && id <= MethodButtonD) return KeyGroup::SetUp;
    if (index_in(UnitOrder, id) >= 0) return KeyGroup::Units;
    if (id == DragLawList) return KeyGroup::DragLaw;
    if (index_in(SwitchOrder, id) >= 0) return KeyGroup::Switches;
    if (id == PanelButton) return KeyGroup::PanelButton;
    if (id == OutputPanel) return KeyGroup::OutputPages;
    return KeyGroup::None;
}

int next_group_control(const CalcState& s, int focused, bool forward, int field) {
    if (!is_input_field(field)) field = is_input_field(s.mpag) ? s.mpag : FieldMV;
    constexpr int n = static_cast<int>(std::size(GroupOrder));
    const KeyGroup current = key_group_of(focused);
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (GroupOrder[i] == current) at = i;
    // From no group: forward lands on the first group, back on the last one that can be reached.
    if (at < 0) at = forward ? n - 1 : 0;
    for (int step = 1; step <= n; ++step) {
        const int i = ((at + (forward ? step : -step)) % n + n) % n;
        if (reachable(s, GroupOrder[i])) return entry_of(s, GroupOrder[i], field);
    }
    return field;
}

int next_in_group(int focused, bool forward) {
    auto step = [forward](const auto& order, int i) {
        const int n = static_cast<int>(std::size(order));
        return order[((i + (forward ? 1 : -1)) % n + n) % n];
    };
    if (const int i = index_in(UnitOrder, focused); i >= 0) return step(UnitOrder, i);
    if (const int i = index_in(SwitchOrder, focused); i >= 0) return step(SwitchOrder, i);
    return NoControl;
}

char menu_bar_mnemonic(int item_id) {
    switch (item_id) {
        case UtilityMenuTitle: return 'U';
        case HelpMenuTitle: return 'H';
        // Utility
        case MenuTablePanel: return 'T';
        case MenuPlotPanel: return 'P';
        case MenuConfidence: return 'C';
        case MenuTogglePanel: return 'g';
        case MenuFitShots: return 'F';
        case MenuSaveReport: return 'R';
        case MenuPreferences: return 'e';  // the R is the report's
        case MenuQuit: return 'Q';
        // Help
        case MenuHelpTopics: return 'H';
        case MenuWebsite: return 'W';
        case MenuCheckUpdates: return 'u';
        case MenuAbout: return 'A';
        default: return 0;
    }
}

}  // namespace velora
