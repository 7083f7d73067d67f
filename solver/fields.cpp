#include "solver/fields.h"

namespace velora {

std::optional<FieldId> field_from_id(int control_id) {
    if (control_id < FirstFieldId || control_id > LastFieldId) return std::nullopt;
    return static_cast<FieldId>(control_id);
}

int active_slot(const CalcState& s) { return s.stateRB >= 0 && s.stateRB < 4 ? s.stateRB : 0; }

}  // namespace velora
