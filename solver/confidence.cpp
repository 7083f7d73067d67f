#include "solver/confidence.h"

#include "engine/drag.h"
#include "solver/bc_solver.h"
#include "solver/display_texts.h"
#include "solver/fields.h"

namespace velora {

namespace {

// The values the perturbed solves may touch, kept to be put back exactly.
struct SavedInputs {
    float MV, ZR, slot, SH, TV, POI, ET, BC, DROP;
};

SavedInputs save_inputs(const CalcState& s) {
    return {s.MV, s.ZR, s.TRArray[active_slot(s)], s.SH, s.TV, s.POI, s.ET, s.BC, s.DROP};
}

void restore_inputs(CalcState& s, const SavedInputs& saved) {
    s.MV = saved.MV;
    s.ZR = saved.ZR;
    s.TRArray[active_slot(s)] = saved.slot;
    s.TR = saved.slot;
    s.SH = saved.SH;
    s.TV = saved.TV;
    s.POI = saved.POI;
    s.ET = saved.ET;
    s.BC = saved.BC;
    s.DROP = saved.DROP;
}

std::string limit_text(const std::optional<float>& limit) { return limit ? bc_text(*limit) : UnknownLimit; }

}  // namespace

ConfidencePage confidence_limits(CalcState& s, Trajectory& tr) {
    ConfidencePage page = confidence_page(s);
    compute_trajectory(flight_inputs(s), tr);
    return page;
}

ConfidencePage confidence_page(CalcState& s) {
    const SavedInputs saved = save_inputs(s);
    const float bc = saved.BC;
    float hi_bc = bc;
    float lo_bc = bc;

    if (s.stateRB == DeltaV) {
        if (s.MV_TOL + s.TV_TOL != 0.0f) {
            // The smallest velocity loss gives the upper limit, the largest the lower one.
            s.MV = saved.MV * (100.0f - s.MV_TOL) / 100.0f;
            s.TV = saved.TV * (100.0f + s.TV_TOL) / 100.0f;
            hi_bc = solve_bc(s);
            s.MV = saved.MV * (100.0f + s.MV_TOL) / 100.0f;
            s.TV = saved.TV * (100.0f - s.TV_TOL) / 100.0f;
            lo_bc = solve_bc(s);
        }
    } else if (s.MV_TOL != 0.0f) {
        // A slower pellet that still reaches the same measurement must lose less.
        s.MV = saved.MV * (100.0f - s.MV_TOL) / 100.0f;
        hi_bc = solve_bc(s);
        s.MV = saved.MV * (100.0f + s.MV_TOL) / 100.0f;
        lo_bc = solve_bc(s);
    }
    restore_inputs(s, saved);

    ConfidencePage page;
    page.heading = method_heading(s.stateRB);
    page.drag_law_heading = "With Reference to Drag Law " + drag_law_name(drag_law_at_list_position(s.stateBC));
    page.bc = bc_text(bc);
    if (hi_bc > 0.0f) page.maximum_bc = hi_bc < bc ? bc * 1.01f : hi_bc;
    if (lo_bc > 0.0f) page.minimum_bc = lo_bc > bc ? bc / 1.01f : lo_bc;
    if (page.maximum_bc && page.minimum_bc) page.mean_bc = (*page.maximum_bc + *page.minimum_bc) / 2.0f;
    page.maximum = limit_text(page.maximum_bc);
    page.mean = limit_text(page.mean_bc);
    page.minimum = limit_text(page.minimum_bc);
    page.target_tolerance_enabled = s.stateRB == DeltaV;
    page.muzzle_tolerance = tolerance_text(s.MV_TOL);
    page.target_tolerance = tolerance_text(s.TV_TOL);
    return page;
}

}  // namespace velora
