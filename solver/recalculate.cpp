#include "solver/recalculate.h"

#include <optional>

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

// The trajectory of the state's inputs into r.trajectory, taken from the last pass when it flew
// the same.
void fly(const CalcState& s, CalcResults& r) {
    const FlightInputs in = flight_inputs(s);
    if (const Trajectory* kept = r.cache.flight(in)) {
        copy_flight(*kept, r.trajectory);
        return;
    }
    compute_trajectory(in, r.trajectory);
    r.cache.keep_flight(in, r.trajectory);
    ++r.cache.computed.flights;
}

// A solve taken from the last pass, or run with the worker flying the bisection's coming
// midpoints beside this thread (the worker has nothing else to do meanwhile), towards `near`.
float solve_kept(CalcResults& r, const SolveInputs& in, float near) {
    if (const std::optional<float> kept = r.cache.solve(in)) return *kept;
    const float bc = solve(in, r.worker, near);
    r.cache.keep_solve(in, bc);
    ++r.cache.computed.solves;
    return bc;
}

// The trajectory and the range limit of the state's inputs, side by side: the flight on this
// thread, the limit (which reads only the muzzle velocity, the BC, the law and the air, none of
// which the flight writes) on the worker.
float fly_with_range_limit(const CalcState& s, CalcResults& r) {
    const RangeLimitInputs in = range_limit_inputs(s);
    if (const std::optional<float> kept = r.cache.range_limit(in)) {
        fly(s, r);
        return *kept;
    }
    float limit = 0.0f;
    r.worker.run_beside([&limit, in] { limit = max_target_range(in); }, [&s, &r] { fly(s, r); });
    r.cache.keep_range_limit(in, limit);
    ++r.cache.computed.range_limits;
    return limit;
}

float range_limit(const CalcState& s, CalcResults& r) {
    const RangeLimitInputs in = range_limit_inputs(s);
    if (const std::optional<float> kept = r.cache.range_limit(in)) return *kept;
    const float limit = max_target_range(in);
    r.cache.keep_range_limit(in, limit);
    ++r.cache.computed.range_limits;
    return limit;
}

// The confidence page with its two solves side by side, the maximum on the worker.
ConfidencePage confidence(CalcState& s, CalcResults& r) {
    const ConfidenceTrials trials = confidence_trials(s);
    float hi_bc = s.BC, lo_bc = s.BC;
    if (trials.solved) {
        const std::optional<float> hi_kept = r.cache.solve(trials.maximum);
        const std::optional<float> lo_kept = r.cache.solve(trials.minimum);
        if (hi_kept && lo_kept) {
            hi_bc = *hi_kept;
            lo_bc = *lo_kept;
        } else if (hi_kept || lo_kept) {
            hi_bc = solve_kept(r, trials.maximum, s.BC);
            lo_bc = solve_kept(r, trials.minimum, s.BC);
        } else {
            // The limits lie close to the BC that stands: the bisections fly ahead towards it.
            const SolveInputs hi_in = trials.maximum, lo_in = trials.minimum;
            const float near = s.BC;
            r.worker.run_beside([&hi_bc, hi_in, near] { hi_bc = solve(hi_in, near); },
                                [&lo_bc, lo_in, near] { lo_bc = solve(lo_in, near); });
            r.cache.keep_solve(hi_in, hi_bc);
            r.cache.keep_solve(lo_in, lo_bc);
            r.cache.computed.solves += 2;
        }
    }
    reload_target(s);
    return confidence_page_from(s, hi_bc, lo_bc);
}

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

    // The range limit reads only the muzzle velocity, the BC, the law and the air, which stand
    // from the moment the path is flown (or from the start of a redisplay): it is worked out
    // beside the flight.
    float zero_limit = 0.0f;
    if (s.ChangeKind == 1) {
        // The BC stands: fly it and predict what each method would measure.
        // A far zero that moved with the new path may push the DeltaPOI target out again; the
        // path itself does not depend on the target, so it need not be flown once more.
        zero_limit = fly_with_range_limit(s, r);
        if (raise_poi_target(s, r)) reload_target(s);
        refill_measurements(s, r.trajectory);
        out.bc_predicted = true;
    } else if (s.ChangeKind == 2) {
        // A measurement changed: solve, keeping the BC that stood should the solve fail. The solve
        // flies its own model, so the path is flown once, for the BC that stands afterwards.
        const float kept = s.BC;
        // A new measurement usually means a BC near the one that stood: the solve flies ahead
        // towards it.
        const float solved = solve_kept(r, solve_inputs(s), kept);
        if (is_bc_sentinel(solved)) {
            out.message = improbable_bc_message(s.CURVE, solved == BcTooLow);
            s.BC = kept;
        } else {
            s.BC = solved;
        }
        zero_limit = fly_with_range_limit(s, r);
        refill_measurements(s, r.trajectory);
    } else {
        zero_limit = range_limit(s, r);
    }

    r.MaxZeroRange = zero_limit;
    r.MaxTargetRange = 2.0f * r.MaxZeroRange;

    // The limits solve from the measurements just refilled, so they follow the flight. After a
    // prediction or a solve the path was just flown from exactly the inputs the limits restore;
    // a redisplay flies it for them (from the last pass, when it flew the same).
    if (panel_shown) {
        out.confidence = confidence(s, r);
        if (s.ChangeKind != 1 && s.ChangeKind != 2) fly(s, r);
    }
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
