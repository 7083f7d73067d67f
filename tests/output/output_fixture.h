// The results of a recalculation, for the output tests and benchmarks.
#pragma once

#include <memory>

#include "state/calc_state.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "solver/bc_solver.h"
#include "solver/calc_results.h"
#include "tests/fixtures/first_run.h"

namespace velora::testing {

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
