// The calculator as a first run leaves it, for the output tests and benchmarks.
#pragma once

#include <memory>

#include "app/calc_state.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "solver/bc_solver.h"
#include "solver/calc_results.h"

namespace velora::testing {

// The inputs of a new preferences file: 785 ft/s, BC 0.0195 (GA2), 23.5 °C, 28.42 "Hg, 32 %,
// sight height 1.65", zero 32 yd, DeltaPOI at 40 yd, table step 5 with gaps.
inline CalcState first_run_state() {
    CalcState s;
    s.MV = 785.0f;
    s.BC = 0.0195f;
    s.CURVE = GA2;
    s.stateBC = 2;
    s.TMP = 23.5f;
    s.PRES = 28.42f;
    s.HUMID = 32.0f;
    s.SH = 1.65f;
    s.ZR = 32.0f;
    s.TRArray[0] = 40.0f;
    s.TRArray[1] = 50.0f;
    s.TRArray[2] = 60.0f;
    s.TRArray[3] = 50.0f;
    s.stateRB = DeltaPOI;
    s.TR = s.TRArray[0];
    s.TableStep = 5.0f;
    s.Gaps = 1;
    s.ShowTarget = 1;
    s.stateMV = 0;
    s.stateZR = 1;
    s.stateTR = 1;
    s.stateSH = 0;
    s.statePOI = 2;
    s.stateET = 0;
    s.stateDROP = 0;
    s.stateBC_VAL = 1;
    s.mode = 1;
    return s;
}

// The trajectory, display factors and range limits of `s`, as a recalculation leaves them.
inline std::unique_ptr<CalcResults> results_for(const CalcState& s) {
    auto r = std::make_unique<CalcResults>();
    compute_trajectory(flight_inputs(s), r->trajectory);
    set_display_factors(r->factors, s);
    r->MaxZeroRange = max_target_range(s);
    r->MaxTargetRange = 2.0f * r->MaxZeroRange;
    return r;
}

}  // namespace velora::testing
