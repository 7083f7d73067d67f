// The recalculation pass that every accepted change runs, and the change of drag law.
//
// The pass brings the calculator state and its results up to date and returns what the window
// must show; it touches no window itself.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "state/calc_state.h"
#include "solver/calc_results.h"
#include "solver/confidence.h"
#include "solver/display_texts.h"
#include "solver/fields.h"

namespace velora {

// One input field as the pass leaves it.
struct FieldDisplay {
    FieldId field;
    std::string text;
    std::optional<std::string> range_hint;  // nothing: the field keeps the tooltip it has
};

// Everything the window rewrites after a pass.
struct WindowTexts {
    std::array<FieldDisplay, 14> fields;  // fields 5..18 in order
    ZeroDisplay zero;                     // caption, value and tooltip of the zero field
    std::string bc;                       // 4 decimals, for the BC field or the BC result text
    bool bc_as_result = false;            // stateBC_VAL 1: the result text is shown, the field hidden
    std::string drag_law_description;     // the line under the drag-law list
    PanelToggle panel_toggle;
};

WindowTexts window_texts(const CalcState& s, const CalcResults& r, bool panel_shown);

struct RecalcOutcome {
    // A solve that left 0.004..1.2: the text of the message to show (title ImprobableBcTitle);
    // the BC that stood before was kept.
    std::optional<std::string> message;
    bool bc_predicted = false;                 // ChangeKind 1 ran: both BC controls turn green
    std::optional<ConfidencePage> confidence;  // only while the output panel is shown
    WindowTexts texts;
};

// The pass, by s.ChangeKind: 0 redisplays only, 1 keeps the BC and predicts the measurements,
// 2 solves the BC from the active method's measurement. Before anything else the DeltaPOI target
// is raised to 1.25 × the far zero and TR is reloaded from the active slot. Every pass renews the
// range limits. With the panel shown the confidence limits are computed as well (the range table
// and plot are drawn by the window from `r`).
RecalcOutcome recalculate(CalcState& s, CalcResults& r, bool panel_shown);

struct DragLawChange {
    // The converted BC left 0.004..1.2: the message (naming the new law); the old law and BC
    // were restored.
    std::optional<std::string> message;
    int list_position = 0;  // where the drag-law list must stand afterwards
    RecalcOutcome recalc;   // the prediction pass that follows either way
};

// A new position of the drag-law list: the BC is carried over to the new law so that the
// velocity at TR stays as the last trajectory had it, or, when that BC is improbable, the old law
// and BC stay. s.stateBC follows the list position. Then a pass with ChangeKind 1.
DragLawChange change_drag_law(CalcState& s, CalcResults& r, int list_position, bool panel_shown);

}  // namespace velora
