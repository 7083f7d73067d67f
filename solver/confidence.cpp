#include "solver/confidence.h"

#include "engine/drag.h"
#include "solver/bc_solver.h"
#include "solver/display_texts.h"
#include "solver/fields.h"

namespace velora {

namespace {

std::string limit_text(const std::optional<float>& limit) { return limit ? bc_text(*limit) : UnknownLimit; }

}  // namespace

ConfidencePage confidence_limits(CalcState& s, Trajectory& tr) {
    ConfidencePage page = confidence_page(s);
    compute_trajectory(flight_inputs(s), tr);
    return page;
}

ConfidenceTrials confidence_trials(const CalcState& s) {
    ConfidenceTrials trials;
    SolveInputs hi = solve_inputs(s);
    SolveInputs lo = hi;
    if (s.stateRB == DeltaV) {
        if (s.MV_TOL + s.TV_TOL == 0.0f) return trials;
        // The smallest velocity loss gives the upper limit, the largest the lower one.
        hi.MV = s.MV * (100.0f - s.MV_TOL) / 100.0f;
        hi.measured = s.TV * (100.0f + s.TV_TOL) / 100.0f;
        lo.MV = s.MV * (100.0f + s.MV_TOL) / 100.0f;
        lo.measured = s.TV * (100.0f - s.TV_TOL) / 100.0f;
    } else {
        if (s.MV_TOL == 0.0f) return trials;
        // A slower pellet that still reaches the same measurement must lose less.
        hi.MV = s.MV * (100.0f - s.MV_TOL) / 100.0f;
        lo.MV = s.MV * (100.0f + s.MV_TOL) / 100.0f;
    }
    trials.solved = true;
    trials.maximum = hi;
    trials.minimum = lo;
    return trials;
}

ConfidencePage confidence_page_from(const CalcState& s, float hi_bc, float lo_bc) {
    const float bc = s.BC;
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

ConfidencePage confidence_page(CalcState& s) {
    // The solves read the perturbed readings from copies; the state keeps its own, and TR comes
    // from the active slot afterwards, as after any restore.
    const ConfidenceTrials trials = confidence_trials(s);
    const float hi_bc = trials.solved ? solve(trials.maximum) : s.BC;
    const float lo_bc = trials.solved ? solve(trials.minimum) : s.BC;
    s.TR = s.TRArray[active_slot(s)];
    return confidence_page_from(s, hi_bc, lo_bc);
}

}  // namespace velora
