// What the calculation derives beside the calculator state: the trajectory of the inputs that
// stand, the display factors of the table and plot, and the range limits. Owned by the
// application next to its CalcState, rewritten by every recalculation pass.
#pragma once

#include "engine/sampling.h"
#include "engine/trajectory.h"

namespace velora {

struct CalcResults {
    Trajectory trajectory;       // with FarZero, NearZero, ApexRange, ZeroIsFar, LastSample
    DisplayFactors factors;
    float MaxZeroRange = 0;      // yd, the largest zero range
    float MaxTargetRange = 0;    // yd, 2 × MaxZeroRange
};

}  // namespace velora
