// The fit of a projectile's own drag curve as velora-cli curve prints it: one JSON object, or the
// readable report of --text.
//
//   "schema" 1, "kind" "drag_curve_fit", "source" (the string), "projectile" (weight_gr, calibre_in,
//   length_in, source, sectional_density), "air" (speed_of_sound in ft/s, density in lb/ft³),
//   "span" [lowest, highest Mach the curve holds over], "knots", "lambda", "edf" (the curve's
//   effective number of parameters), "chi_square", "freedom", "scale", "effective_samples" (what the
//   samples count as, their run along each track allowed for), "correlation" (the samples over
//   that: the band is widened by its root), "rms" and "cv_rms" (ft/s:
//   the velocities of the shots in the fit, and of each shot fitted without it), "points" (mach,
//   cd, cd_low, cd_high: the band one standard error either side), "laws" (best first by cv_rms:
//   law, name, form_factor, BC, rms, cv_rms), "tables" (the same for each --drag-table, with
//   "overlap" [from, to] or null and mean_difference and largest_difference, the share by which its
//   coefficient differs from the fitted one there), "shots" (name, samples, used, outlier, MV, rms),
//   "table_file" (where -o wrote the table, or null) and "note" (the closing note).
#pragma once

#include <optional>
#include <string>

#include "engine/projectile.h"
#include "solver/curve_fit.h"

namespace velora {

struct CurveFitReport {
    std::string source;  // the string, as its listing names it
    Projectile projectile;
    double sectional_density = 0;
    CurveFitInputs air;
    std::optional<std::string> table_file;
};

std::string curve_fit_json(const CurveFit& fit, const CurveFitReport& r);
std::string curve_fit_text(const CurveFit& fit, const CurveFitReport& r);

}  // namespace velora
