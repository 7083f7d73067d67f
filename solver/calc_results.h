// What the calculation derives beside the calculator state: the trajectory of the inputs that
// stand, the display factors of the table and plot, and the range limits. Owned by the
// application next to its CalcState, rewritten by every recalculation pass; with it the results
// the last pass computed (each with the inputs it came from) and the worker thread the pass
// shares its independent solves with.
#pragma once

#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "solver/pass_cache.h"
#include "solver/pass_worker.h"

namespace velora {

struct CalcResults {
    Trajectory trajectory;  // with FarZero, NearZero, ApexRange, ZeroIsFar, LastSample
    DisplayFactors factors;
    float MaxZeroRange = 0;    // yd, the largest zero range
    float MaxTargetRange = 0;  // yd, 2 × MaxZeroRange
    PassCache cache;           // what the last pass computed, by its exact inputs
    PassWorker worker;         // the second thread of a pass
};

}  // namespace velora
