// The fourteen input fields, by the identifiers the window and its dispatcher use.
#pragma once

#include <optional>

#include "state/calc_state.h"

namespace velora {

enum class FieldId : int {
    MV = 5,
    ZR = 6,
    TR = 7,
    SH = 8,
    TV = 9,
    POI = 10,
    ET = 11,
    DROP = 12,
    BC = 13,
    TMP = 14,
    PRES = 15,
    HUMID = 16,
    MV_TOL = 17,
    TV_TOL = 18,
};

inline constexpr int FirstFieldId = 5;
inline constexpr int LastFieldId = 18;

// The field of a control identifier; nothing for a control that is not an input field.
std::optional<FieldId> field_from_id(int control_id);

// The slot of TRArray that belongs to the active method. A method number outside 0..3 (only a
// damaged preferences file can bring one) uses the DeltaPOI slot rather than reading past the
// array.
int active_slot(const CalcState& s);

}  // namespace velora
