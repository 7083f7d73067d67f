// The fit of shots under a drag table: the projectile's own drag curve, whose "BC" is its sectional
// density over a form factor (1 when the table is the projectile's own). The BC is found as a
// built-in law's is: the weighted sum of squares of the residuals, minimised over ln BC within the
// window's BC range, with the interval where it rises by max(1, S_min / ν).
#pragma once

#include <string>
#include <vector>

#include "engine/drag.h"
#include "engine/trajectory.h"
#include "solver/shot_fit.h"

namespace velora {

// The law of a LawFit made under a drag table.
inline constexpr int DragTableLaw = -1;

// The fit under `table` with the muzzle velocity of `in` (the shots must have passed check_shots).
LawFit fit_table(const std::vector<Shot>& shots, const ShotFitInputs& in, const DragCurve& table);

// The fits of the built-in laws with the table's fit among them, ranked as fit_shots ranks them.
std::vector<LawFit> ranked_with(std::vector<LawFit> fits, const LawFit& table_fit);

// Whether the flights of a table's fit left the table's Mach span: `flown` (its MV and BC the
// fit's) flown under `table` from the muzzle to the farthest of `shots`, faster at the muzzle than
// the table's last Mach number, slower at the farthest shot than its first, or falling short of it.
bool leaves_table_span(const std::vector<Shot>& shots, FlightInputs flown, const DragCurve& table, double first_mach,
                       double last_mach);

// A table as its line begins: "Drag table polar (polar.drg, 120 points, Mach 0.300 to 1.500)".
std::string table_heading(const std::string& name, const std::string& file_name, int points, double first_mach,
                          double last_mach);

// The Fit window's line on the table in use, before a fit and after one (`beyond`: its flights
// left the table's span).
std::string table_note(const std::string& heading, bool fitted, bool beyond);

// What is said of such a flight, wherever a table's fit is shown.
inline constexpr const char* BeyondTableSpanText =
    "The flight left the table's Mach span: beyond it the drag coefficient at its end was held";

}  // namespace velora
