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

#include "app/calc_state.h"
#include "solver/calc_results.h"
#include "solver/recalculate.h"

namespace velora {

inline constexpr int CliJsonSchema = 1;

// A float in the shortest form that reads back as the same 32-bit float ("0.0195", "1e-05").
std::string json_number(float value);

std::string calculation_json(const CalcState& s, const CalcResults& r, const RecalcOutcome& outcome,
                             bool with_trajectory);

// The flight of a loaded state, as velora-cli trajectory prints it: "schema", "state", "derived" (FarZero,
// NearZero, ApexRange, ApexPOI, ZeroIsFar, LastSample) and "trajectory".
std::string flight_json(const CalcState& s, const Trajectory& t);

// The drop is no key of the preferences file, but a file given to velora-cli may carry a line
// "DROP = value" (inches) to solve with DeltaD. The value is taken as the drop field takes a
// typed one in inches: always below the bore axis, at least 0.1 in. Nothing when there is no
// such line; the first one counts, the key in any letter case.
std::optional<float> drop_line(std::string_view file_text);

}  // namespace velora
