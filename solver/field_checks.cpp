#include "solver/field_checks.h"

#include <algorithm>
#include <cmath>

#include "engine/number_text.h"
#include "engine/units.h"
#include "solver/display_texts.h"
#include "solver/input_limits.h"

namespace velora {

namespace {

// A typed text through its field's sign rule, conversion and limits (`high` the upper one).
std::optional<float> checked(FieldId field, std::string_view text, int unit, float tmp_c, float high) {
    const Input& in = input(field);
    return limited(in, typed_value(in, text, unit, tmp_c), high);
}

std::optional<float> checked(FieldId field, std::string_view text, int unit, float tmp_c) {
    return checked(field, text, unit, tmp_c, input(field).range.high);
}

}  // namespace

float check_muzzle_velocity(std::string_view text, int unit, float tmp_c) {
    return *checked(FieldId::MV, text, unit, tmp_c);
}

float check_target_velocity(std::string_view text, int unit, float tmp_c, float mv) {
    return *checked(FieldId::TV, text, unit, tmp_c, mv - TVBelowMV);
}

float check_sight_height(std::string_view text, int unit) { return *checked(FieldId::SH, text, unit, 0.0f); }

float check_poi(std::string_view text, int unit) { return *checked(FieldId::POI, text, unit, 0.0f); }

float check_drop(std::string_view text, int unit) { return *checked(FieldId::DROP, text, unit, 0.0f); }

float check_time_of_flight(std::string_view text, int unit) { return *checked(FieldId::ET, text, unit, 0.0f); }

float check_bc(std::string_view text) { return *checked(FieldId::BC, text, 0, 0.0f); }

std::optional<float> check_temperature(std::string_view text, int unit) {
    return checked(FieldId::TMP, text, unit, 0.0f);
}

std::optional<float> check_pressure(std::string_view text, int unit) {
    return checked(FieldId::PRES, text, unit, 0.0f);
}

float check_humidity(std::string_view text) { return *checked(FieldId::HUMID, text, 0, 0.0f); }

float check_tolerance(std::string_view text) { return *checked(FieldId::MV_TOL, text, 0, 0.0f); }

namespace {

// The target slots after a typed target range (in yards, its sign rule applied).
std::array<float, 4> target_slots(float typed, const CalcState& s, const CalcResults& r) {
    std::array<float, 4> slots = {s.TRArray[0], s.TRArray[1], s.TRArray[2], s.TRArray[3]};
    const int slot = active_slot(s);
    slots[slot] = typed;

    const float lowest_poi_target = FarZeroTargetFactor * r.trajectory.FarZero;
    if (s.stateRB == DeltaPOI && slots[0] < lowest_poi_target) slots[0] = lowest_poi_target;
    if (slots[slot] > r.MaxTargetRange) slots[slot] = r.MaxTargetRange;
    for (int i = 0; i < 4; ++i) {
        if (slots[i] < TargetSlotMinimum[i]) slots[i] = TargetSlotMinimum[i];
    }
    return slots;
}

// The zero range after a typed one (in yards, its sign rule applied).
void take_zero_range(CalcState& s, CalcResults& r, float typed) {
    s.ZR = *limited(input(FieldId::ZR), typed, r.MaxZeroRange);
    if (s.ZR < r.trajectory.ApexRange) {
        // Short of the apex: a near zero, whose far zero must stay within the limit.
        compute_trajectory(flight_inputs(s), r.trajectory);
        if (r.trajectory.FarZero > r.MaxZeroRange) s.ZR = r.MaxZeroRange;
    }
    float& target = s.TRArray[active_slot(s)];
    if (target < FarZeroTargetFactor * s.ZR) target = FarZeroTargetFactor * s.ZR;
}

}  // namespace

std::array<float, 4> check_target_range(std::string_view text, const CalcState& s, const CalcResults& r) {
    return target_slots(typed_value(input(FieldId::TR), text, s.stateTR, s.TMP), s, r);
}

void check_zero_range(CalcState& s, CalcResults& r, std::string_view text) {
    take_zero_range(s, r, typed_value(input(FieldId::ZR), text, s.stateZR, s.TMP));
}

Range field_range(const CalcState& s, const CalcResults& r, FieldId field) {
    Range range = input(field).range;
    switch (field) {
        case FieldId::ZR: range.high = r.MaxZeroRange; break;
        case FieldId::TR:
            range.low = TargetSlotMinimum[active_slot(s)];
            if (s.stateRB == DeltaPOI) range.low = std::max(range.low, FarZeroTargetFactor * r.trajectory.FarZero);
            range.high = r.MaxTargetRange;
            break;
        case FieldId::TV: range.high = s.MV - TVBelowMV; break;
        default: break;
    }
    return range;
}

bool refused(const CalcState& s, FieldId field, std::string_view text) {
    const Input& in = input(field);
    return !checked(field, text, in.unit ? s.*in.unit : 0, s.TMP);
}

int compare_decimals(FieldId field) { return input(field).compared; }

namespace {

// A typed value (in the internal unit, its sign rule applied) through the field's check.
void apply_check(CalcState& s, CalcResults& r, FieldId field, float typed) {
    const Input& in = input(field);
    switch (field) {
        case FieldId::ZR: take_zero_range(s, r, typed); return;
        case FieldId::TR: {
            const std::array<float, 4> slots = target_slots(typed, s, r);
            for (int i = 0; i < 4; ++i) s.TRArray[i] = slots[i];
            return;
        }
        case FieldId::TV: s.TV = *limited(in, typed, s.MV - TVBelowMV); return;
        default: {
            // Refused: the value held stays.
            if (const auto value = limited(in, typed)) s.*in.value = *value;
        }
    }
}

}  // namespace

std::string compared_text(const CalcState& s, FieldId field) {
    return format_fixed(field_value(s, field), compare_decimals(field));
}

int change_kind_of(FieldId field) { return input(field).change_kind; }

FieldCommit commit_field(CalcState& s, CalcResults& r, FieldId field, std::string_view text) {
    FieldCommit commit;
    const Input& in = input(field);
    const UnitValue typed = typed_entry(in, text, in.unit ? s.*in.unit : 0, s.TMP);
    if (!typed.ok()) {
        commit.refusal = typed.error;
        return commit;
    }
    const std::string before = compared_text(s, field);
    apply_check(s, r, field, typed.value);
    if (field == FieldId::BC) commit.bc_text = bc_text(s.BC);
    if (compared_text(s, field) != before) {
        commit.changed = true;
        commit.change_kind = change_kind_of(field);
        s.ChangeKind = commit.change_kind;
    }
    return commit;
}

}  // namespace velora
