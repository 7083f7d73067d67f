// The outcome of one recalculation pass as one JSON object, as velora-cli solve and predict print it:
//
//   "schema"      CliJsonSchema: raised on any change that a reader of the old form would misread
//   "state"       the calculator state after the pass (inputs in internal units, selections, options)
//   "derived"     FarZero, NearZero, ApexRange, ApexPOI, ZeroIsFar, LastSample, MaxZeroRange, MaxTargetRange
//   "message"     the improbable-BC message, carriage returns included, or null
//   "confidence"  "max", "mean", "min": the texts of the Confidence page ("??????" included), and
//                 "max_bc", "mean_bc", "min_bc": the numbers behind them (null for "??????"); or null
//                 when the limits were not computed
//   "table"       the range table's lines as the window shows them: "header" (2 lines) and "rows"
//                 (the empty lines included)
//   "trajectory"  only when asked for: "drop", "velocity", "time", "poi", one entry per yard 0..LastSample
//
// Numbers are written in their shortest form that reads back as the same 32-bit float, so the
// state can be fed back exactly; a value that is not finite is written as null.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/projectile.h"
#include "solver/calc_results.h"
#include "solver/fit_energy.h"
#include "solver/recalculate.h"
#include "solver/shot_fit.h"
#include "solver/string_fit.h"
#include "state/calc_state.h"

namespace velora {

inline constexpr int CliJsonSchema = 1;

// A float in the shortest form that reads back as the same 32-bit float ("0.0195", "1e-05").
std::string json_number(float value);

// The projectile beside a flight, for the "projectile" member of predict, solve and fit:
//
//   "weight_gr", "calibre_in", "length_in"  as given (null where not), and "source" ("typed", "as set
//                                           on the device", "from the drag table")
//   "sectional_density"                     lb/in², null without weight and calibre
//   "form_factor"                           SD / BC against the law flown, null without an SD
//   "MV", "energy_ftlbf", "energy_J", "momentum_Ns"   at the muzzle (null without a weight)
//   "target"                                "range" (yd), "velocity", "energy_ftlbf", "energy_J"; or null
//   "energy_limit"                          "text", "J", "passed" (the muzzle energy is above it) and
//                                           "shots_passing" (the ids of a string's shots above it); or null
// The flight the fit's energies are taken along: the law ("G7", "table"), its BC and the muzzle
// velocity, and the energy at each range it reaches.
struct FitEnergies {
    std::string law;
    float BC = 0, MV = 0;
    std::vector<RangeEnergy> at_ranges;
};

struct ProjectileOutput {
    Projectile projectile;
    std::optional<EnergyLimit> limit;
    float MV = 0;                                        // ft/s
    std::optional<float> BC;                             // the BC the form factor is taken against
    std::optional<float> target_range, target_velocity;  // yd, ft/s
    std::vector<std::pair<std::string, float>> shots;    // a string's shots: id and muzzle velocity
    // velora-cli fit's: the energy along the best law's flight at each measured range, and each
    // shot's at the muzzle (the members "energy_at_ranges" and "shot_energies", null without a weight).
    std::optional<FitEnergies> fit_energies;
};
std::string projectile_json(const ProjectileOutput& p, const std::string& indent);

// The ids of the shots whose muzzle energy passes the limit; empty without a limit or a weight.
std::vector<std::string> shots_passing_limit(const ProjectileOutput& p);

std::string calculation_json(const CalcState& s, const CalcResults& r, const RecalcOutcome& outcome,
                             bool with_trajectory, const ProjectileOutput* projectile = nullptr);

// A drag table flown in place of a built-in law, for the member "drag_table": "name", "file",
// "points", "span" (its first and last Mach number), "form_factor" and "BC" (the sectional density
// over the form factor), "form_factor_solved", and "beyond_span" (the flight left the span and
// held the coefficient at its end). With a table, "law" is "table".
struct DragTableUse {
    std::string name, file;
    int points = 0;
    float first_mach = 0, last_mach = 0;
    double form_factor = 1;
    float BC = 0;
    bool solved = false;
    bool beyond_span = false;
};

// The outcome of predict or solve flown with a drag table: "schema", "state" (BC the table's),
// "law": "table", "drag_table", "derived" (as trajectory), "measurements" ("TV", "POI", "ET",
// "DROP" at "TR" under the BC), "message" (why the solve failed, or null), "projectile" and, when
// asked for, "trajectory".
struct TableCalculation {
    float TR = 0, TV = 0, POI = 0, ET = 0, DROP = 0;
    std::optional<std::string> message;
};
std::string table_calculation_json(const CalcState& s, const Trajectory& t, const DragTableUse& table,
                                   const TableCalculation& c, const ProjectileOutput& projectile, bool with_trajectory);

// Both name the drag law CURVE after "state": "law": "RA4".
//
// The flight of a loaded state, as velora-cli trajectory prints it: "schema", "state", "law", "derived" (FarZero,
// NearZero, ApexRange, ApexPOI, ZeroIsFar, LastSample) and "trajectory".
std::string flight_json(const CalcState& s, const Trajectory& t, const DragTableUse* table = nullptr);

// The fits of velora-cli fit, best first, as one JSON object: "schema", "fits" and "best" (the
// CURVE of the first fit, or null when no law could be fitted). Each fit has "CURVE", "law" (its
// name), "BC", "BC_low", "BC_high", "rms", "residuals" (measured less predicted, one per shot in
// the file's order, in the internal unit of its quantity), "MV" (the muzzle velocity of the fit:
// the given one unless it was fitted) and "outcome": "fitted", or "below_range" / "above_range"
// when the best BC lies outside 0.004 to 1.2 (BC is then that end of the range). The BCs and the
// velocity are written as 32-bit floats, rms and residuals in the shortest form of their double.
// With a projectile, each fit carries "form_factor" (SD / BC, null without an SD) and the object
// "projectile" (its BC the best fit's).
// A fit under a drag table has "CURVE": null and "law": "table", and "drag_table" is added.
std::string fit_json(const std::vector<LawFit>& fits, const ProjectileOutput* projectile = nullptr,
                     const DragTableUse* table = nullptr);

// The schema of the fit of a shot string (each shot from its own muzzle velocity).
inline constexpr int FitJsonSchema = 2;

// The fit of a shot string as one JSON object, schema 2: "schema"; "fits", best first by the
// weighted sum of squares, each with schema 1's members for the series fit ("CURVE", "law", "BC",
// "BC_low", "BC_high", "rms", "residuals" of the shots in the series one after another, "MV" their
// mean muzzle velocity, "outcome") and "chi_square", "freedom", "shots" (each shot's own "BC",
// "BC_low", "BC_high", "MV", "rms", "outcome"; null for a shot that cannot be flown), "spread"
// ("count", "mean", "sd", "low", "high"), "trend" ("mean_mv", "at_mean", "slope", "slope_low",
// "slope_high" in BC per ft/s; null without three shots of different velocities) and "shared"
// (strings fitted together: "at_mv", "groups" [{"name", "count", "BC", "se"}], "separation",
// "one_bc"; null otherwise); "best"; "verdict" ("inseparable": the laws' names the data cannot
// part from the best, the best first; "rule"; "threshold", "scale", "samples", "effective_samples", "correlation",
// "freedom"; "mach_low", "mach_high"; "range_now" and "range_needed" in yd, null when not worked out; "beyond_reach";
// "text"); "shots" (per shot: "name", "group", "mv_source" own / fitted / string_mean / window,
// "MV" as recorded or null, "measurements", "in_series", "too_few_to_fit_mv"); "outliers" (per
// shot set aside: "shot", "name", "law", "figure" bc / rms / at_limit, "value", "expected",
// "scale", "deviations", "text"); "messages" ("kind", "shots", "text"); "refused".
// With the projectile, each law has "form_factor" and the object "projectile", as fit_json.
std::string string_fit_json(const StringFit& f, const std::vector<FitShot>& shots,
                            const std::vector<std::string>& groups, const ProjectileOutput* projectile = nullptr);

// The drop is no key of the preferences file, but a file given to velora-cli may carry a line
// "DROP = value" (inches) to solve with DeltaD. The value is taken as the drop field takes a
// typed one in inches: always below the bore axis, at least 0.1 in. Nothing when there is no
// such line; the first one counts, the key in any letter case.
std::optional<float> drop_line(std::string_view file_text);

}  // namespace velora
