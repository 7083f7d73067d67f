// The texts the calculator shows for its values: every field in its unit with its decimals, the
// range hint of every field, the zero field, the improbable-BC message and the fixed captions
// the recalculation pass sets. Pure functions; the window only puts the texts where they belong.
#pragma once

#include <optional>
#include <string>

#include "solver/calc_results.h"
#include "solver/fields.h"
#include "state/calc_state.h"

namespace velora {

// The value of a field as the recalculation pass writes it: converted into the field's unit and
// formatted with that unit's decimals. The zero field shows the near or far zero (zero_display);
// the target-range field the active method's slot; the tolerances carry a "%".
std::string field_text(const CalcState& s, const CalcResults& r, FieldId field);

// The range hint of a field in its current unit. Nothing for the fields without one (BC and the
// two tolerances keep the tooltips they were given once). Whether it is attached at all is the
// window's tooltip switch.
std::optional<std::string> field_range_hint(const CalcState& s, const CalcResults& r, FieldId field);

// The text of the temperature field as the recalculation pass writes it (the Mach hint of the
// muzzle velocity quotes it).
std::string temperature_text(const CalcState& s);

// The zero field: caption ("Far Zero" / "Near Zero"), the zero shown and its tooltip.
struct ZeroDisplay {
    std::string caption;
    std::string text;
    std::string tooltip;
};
ZeroDisplay zero_display(const CalcState& s, const CalcResults& r);

// The message shown when a solve or a drag-law change ends outside 0.004..1.2; `drag_law` is the
// law the BC was sought for.
inline constexpr const char* ImprobableBcTitle = "Input Error ... ";
std::string improbable_bc_message(int drag_law, bool too_low);

std::string bc_text(float bc);              // 4 decimals
std::string tolerance_text(float percent);  // 1 decimal and "%"

// The fixed tooltip of the BC input field: "Ballistic Coefficient (0.0040 to 1.2000)".
std::string bc_field_tooltip();

// The method's heading on the Confidence page ("Two Chronographs (∆V)"); empty for another value.
const char* method_heading(int method);

// What the window says beside a field whose text was not taken because of its unit (`reason`, as
// commit_field gives it): "Not taken: 'kg' is not a unit of range (yd, m, ft). The field keeps its
// value."
std::string refused_entry_text(FieldId field, const std::string& reason);

// The panel toggle button.
struct PanelToggle {
    const char* text;
    const char* tooltip;
};
PanelToggle panel_toggle(bool panel_shown);

}  // namespace velora
