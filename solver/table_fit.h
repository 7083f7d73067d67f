// The fit of shots under a drag table: the projectile's own drag curve, whose "BC" is its sectional
// density over a form factor (1 when the table is the projectile's own). The BC is found as a
// built-in law's is: the weighted sum of squares of the residuals, minimised over ln BC within the
// window's BC range, with the interval where it rises by max(1, S_min / ν).
#pragma once

#include <vector>

#include "engine/drag.h"
#include "solver/shot_fit.h"

namespace velora {

// The law of a LawFit made under a drag table.
inline constexpr int DragTableLaw = -1;

// The fit under `table` with the muzzle velocity of `in` (the shots must have passed check_shots).
LawFit fit_table(const std::vector<Shot>& shots, const ShotFitInputs& in, const DragCurve& table);

// The fits of the built-in laws with the table's fit among them, ranked as fit_shots ranks them.
std::vector<LawFit> ranked_with(std::vector<LawFit> fits, const LawFit& table_fit);

}  // namespace velora
