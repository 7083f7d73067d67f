#include "solver/fields.h"

#include <cmath>

#include "engine/number_text.h"

namespace velora {

std::optional<FieldId> field_from_id(int control_id) {
    if (control_id < FirstFieldId || control_id > LastFieldId) return std::nullopt;
    return static_cast<FieldId>(control_id);
}

int active_slot(const CalcState& s) { return s.stateRB >= 0 && s.stateRB < 4 ? s.stateRB : 0; }

float field_value(const CalcState& s, FieldId field) {
    return field == FieldId::TR ? s.TRArray[active_slot(s)] : s.*input(field).value;
}

float& field_value(CalcState& s, FieldId field) {
    return field == FieldId::TR ? s.TRArray[active_slot(s)] : s.*input(field).value;
}

float with_sign(const Input& in, float number) {
    switch (in.sign) {
        case Sign::Absolute: return std::fabs(number);
        case Sign::Negated: return -std::fabs(number);
        case Sign::AsTyped: break;
    }
    return number;
}

float typed_value(const Input& in, std::string_view text, int unit, float tmp_c) {
    const float value = with_sign(in, read_number(text));
    return in.unit != nullptr ? from_display(quantity_of(in.kind), unit, value, tmp_c) : value;
}

UnitValue typed_entry(const Input& in, std::string_view text, int unit, float tmp_c) {
    const std::string typed = with_decimal_point(text);
    if (!has_unit_suffix(typed)) return {typed_value(in, typed, unit, tmp_c), {}};
    const UnitValue v = read_unit_value(typed, in.kind);
    if (!v.ok()) return v;
    return {with_sign(in, v.value), {}};
}

std::optional<float> limited(const Input& in, float value, float high) {
    if (in.outside == Outside::Refused) {
        if (value < in.range.low || value > high) return std::nullopt;
        return value;
    }
    if (value < in.range.low) value = in.range.low;
    if (value > high) value = high;
    return value;
}

}  // namespace velora
