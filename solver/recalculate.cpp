#include "solver/recalculate.h"

#include "engine/drag.h"
#include "engine/sampling.h"
#include "solver/bc_solver.h"
#include "solver/input_limits.h"

namespace velora {

namespace {

// The DeltaPOI target must lie at least a quarter beyond the far zero. True when it was raised.
bool raise_poi_target(CalcState& s, const CalcResults& r) {
    const float lowest = FarZeroTargetFactor * r.trajectory.FarZero;
    if (s.TRArray[0] < lowest) {
        s.TRArray[0] = lowest;
        return true;
    }
    return false;
}

void reload_target(CalcState& s) { s.TR = s.TRArray[active_slot(s)]; }

void fly(const CalcState& s, CalcResults& r) { compute_trajectory(flight_inputs(s), r.trajectory); }

// The four measurements as the model of the BC that stands gives them at the target.
void refill_measurements(CalcState& s, const Trajectory& tr) {
    s.TV = static_cast<float>(velocity_at(tr, s.TR));
    s.POI = static_cast<float>(poi_at(tr, s.TR));
    s.ET = static_cast<float>(time_at(tr, s.TR));
    s.DROP = drop_at(tr, s.TR);
}

}  // namespace

WindowTexts window_texts(const CalcState& s, const CalcResults& r, bool panel_shown) {
    WindowTexts t;
    for (int id = FirstFieldId; id <= LastFieldId; ++id) {
        const auto field = static_cast<FieldId>(id);
        t.fields[id - FirstFieldId] = {field, field_text(s, r, field), field_range_hint(s, r, field)};
    }
    t.zero = zero_display(s, r);
    t.bc = bc_text(s.BC);
    t.bc_as_result = s.stateBC_VAL == 1;
    t.drag_law_description = drag_law_description(s.CURVE);
    t.panel_toggle = panel_toggle(panel_shown);
    return t;
}

RecalcOutcome recalculate(CalcState& s, CalcResults& r, bool panel_shown) {
    RecalcOutcome out;
    set_display_factors(r.factors, s);
    raise_poi_target(s, r);
    reload_target(s);

    const bool flown = s.ChangeKind == 1 || s.ChangeKind == 2;
    if (s.ChangeKind == 1) {
        // The BC stands: fly it and predict what each method would measure.
        // A far zero that moved with the new path may push the DeltaPOI target out again; the
        // path itself does not depend on the target, so it need not be flown once more.
        fly(s, r);
        if (raise_poi_target(s, r)) reload_target(s);
        refill_measurements(s, r.trajectory);
        out.bc_predicted = true;
    } else if (s.ChangeKind == 2) {
        // A measurement changed: solve, keeping the BC that stood should the solve fail. The solve
        // flies its own model, so the path is flown once, for the BC that stands afterwards.
        const float kept = s.BC;
        const float solved = solve_bc(s);
        if (is_bc_sentinel(solved)) {
            out.message = improbable_bc_message(s.CURVE, solved == BcTooLow);
            s.BC = kept;
        } else {
            s.BC = solved;
        }
        fly(s, r);
        refill_measurements(s, r.trajectory);
    }

    r.MaxZeroRange = max_target_range(s);
    r.MaxTargetRange = 2.0f * r.MaxZeroRange;

    // After a prediction or a solve the path was just flown from exactly the inputs the limits
    // restore; a redisplay flies it for them.
    if (panel_shown) out.confidence = flown ? confidence_page(s) : confidence_limits(s, r.trajectory);
    out.texts = window_texts(s, r, panel_shown);
    return out;
}

DragLawChange change_drag_law(CalcState& s, CalcResults& r, int list_position, bool panel_shown) {
    DragLawChange out;
    const int old_law = s.CURVE;
    const float old_bc = s.BC;
    s.CURVE = drag_law_at_list_position(list_position);
    // The velocity at the target comes from the trajectory of the old law and BC.
    const float bc = convert_bc_to_drag_law(s, r.trajectory, s.CURVE);
    if (is_bc_sentinel(bc)) {
        out.message = improbable_bc_message(s.CURVE, bc == BcTooLow);
        s.CURVE = old_law;
        s.BC = old_bc;
        out.list_position = list_position_of_drag_law(old_law);
    } else {
        s.BC = bc;
        out.list_position = list_position;
    }
    s.stateBC = out.list_position;
    s.ChangeKind = 1;
    out.recalc = recalculate(s, r, panel_shown);
    return out;
}

}  // namespace velora
