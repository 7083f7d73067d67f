// The limits of the input fields by name, in internal units, for the rules and texts that quote
// one: the numbers are the fields' rows (solver/fields.h). Beside them the rules that bind one
// value to another.
#pragma once

#include "solver/fields.h"

namespace velora {

inline constexpr float MinMV = input(FieldId::MV).range.low, MaxMV = input(FieldId::MV).range.high;  // ft/s
inline constexpr float MinTV = input(FieldId::TV).range.low;                                         // ft/s
inline constexpr float TVBelowMV = 2.0f;  // TV ≤ MV − 2 ft/s
inline constexpr float MinSH = input(FieldId::SH).range.low, MaxSH = input(FieldId::SH).range.high;  // in
inline constexpr float MaxPOI = input(FieldId::POI).range.high;                                      // in
inline constexpr float MaxDROP = input(FieldId::DROP).range.high;                                    // in
inline constexpr float MinBC = input(FieldId::BC).range.low, MaxBC = input(FieldId::BC).range.high;
inline constexpr float MinTMP = input(FieldId::TMP).range.low, MaxTMP = input(FieldId::TMP).range.high;  // °C
inline constexpr float MinPRES = input(FieldId::PRES).range.low;                                         // inHg
inline constexpr float MaxPRES = input(FieldId::PRES).range.high;                                        // inHg
inline constexpr float MinZR = input(FieldId::ZR).range.low;                                             // yd
inline constexpr float RangeCap = input(FieldId::TR).range.high;  // yd, the farthest target range
// yd per method: the target range's own minimum, 20 yd for DeltaD.
inline constexpr float TargetSlotMinimum[4] = {input(FieldId::TR).range.low, input(FieldId::TR).range.low,
                                               input(FieldId::TR).range.low, 20.0f};
inline constexpr float FarZeroTargetFactor = 1.25f;  // DeltaPOI target ≥ 1.25 × far zero

}  // namespace velora
