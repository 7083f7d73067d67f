#include "solver/field_checks.h"

#include <cmath>

#include "engine/number_text.h"
#include "engine/units.h"
#include "solver/display_texts.h"
#include "solver/input_limits.h"

namespace velora {

namespace {

float absolute(std::string_view text) { return std::fabs(read_number(text)); }

float negated(std::string_view text) { return -std::fabs(read_number(text)); }

}  // namespace

float check_muzzle_velocity(std::string_view text, int unit, float tmp_c) {
    float mv = from_display(Quantity::Velocity, unit, absolute(text), tmp_c);
    if (mv < MinMV) mv = MinMV;
    if (mv > MaxMV) mv = MaxMV;
    return mv;
}

float check_target_velocity(std::string_view text, int unit, float tmp_c, float mv) {
    float tv = from_display(Quantity::Velocity, unit, absolute(text), tmp_c);
    if (tv < MinTV) tv = MinTV;
    if (tv > mv - TVBelowMV) tv = mv - TVBelowMV;
    return tv;
}

float check_sight_height(std::string_view text, int unit) {
    float sh = from_display(Quantity::SmallLength, unit, absolute(text), 0.0f);
    if (sh < MinSH) sh = MinSH;
    if (sh > MaxSH) sh = MaxSH;
    return sh;
}

float check_poi(std::string_view text, int unit) {
    const float poi = from_display(Quantity::SmallLength, unit, negated(text), 0.0f);
    return poi > MaxPOI ? MaxPOI : poi;
}

float check_drop(std::string_view text, int unit) {
    const float drop = from_display(Quantity::SmallLength, unit, negated(text), 0.0f);
    return drop > MaxDROP ? MaxDROP : drop;
}

float check_time_of_flight(std::string_view text, int unit) {
    return from_display(Quantity::Time, unit, absolute(text), 0.0f);
}

float check_bc(std::string_view text) {
    float bc = absolute(text);
    if (bc < MinBC) bc = MinBC;
    if (bc > MaxBC) bc = MaxBC;
    return bc;
}

std::optional<float> check_temperature(std::string_view text, int unit) {
    const float tmp = from_display(Quantity::Temperature, unit, read_number(text), 0.0f);
    if (tmp < MinTMP || tmp > MaxTMP) return std::nullopt;
    return tmp;
}

std::optional<float> check_pressure(std::string_view text, int unit) {
    const float pres = from_display(Quantity::Pressure, unit, absolute(text), 0.0f);
    if (pres < MinPRES || pres > MaxPRES) return std::nullopt;
    return pres;
}

float check_humidity(std::string_view text) {
    const float humid = absolute(text);
    return humid > MaxHUMID ? MaxHUMID : humid;
}

float check_tolerance(std::string_view text) {
    const float tol = absolute(text);
    return tol > MaxTolerance ? MaxTolerance : tol;
}

std::array<float, 4> check_target_range(std::string_view text, const CalcState& s, const CalcResults& r) {
    std::array<float, 4> slots = {s.TRArray[0], s.TRArray[1], s.TRArray[2], s.TRArray[3]};
    const int slot = active_slot(s);
    slots[slot] = from_display(Quantity::Range, s.stateTR, absolute(text), s.TMP);

    const float lowest_poi_target = FarZeroTargetFactor * r.trajectory.FarZero;
    if (s.stateRB == DeltaPOI && slots[0] < lowest_poi_target) slots[0] = lowest_poi_target;
    if (slots[slot] > r.MaxTargetRange) slots[slot] = r.MaxTargetRange;
    for (int i = 0; i < 4; ++i) {
        if (slots[i] < TargetSlotMinimum[i]) slots[i] = TargetSlotMinimum[i];
    }
    return slots;
}

void check_zero_range(CalcState& s, CalcResults& r, std::string_view text) {
    s.ZR = from_display(Quantity::Range, s.stateZR, absolute(text), s.TMP);
    if (s.ZR < MinZR) s.ZR = MinZR;
    if (s.ZR > r.MaxZeroRange) s.ZR = r.MaxZeroRange;
    if (s.ZR < r.trajectory.ApexRange) {
        // Short of the apex: a near zero, whose far zero must stay within the limit.
        compute_trajectory(flight_inputs(s), r.trajectory);
        if (r.trajectory.FarZero > r.MaxZeroRange) s.ZR = r.MaxZeroRange;
    }
    float& target = s.TRArray[active_slot(s)];
    if (target < FarZeroTargetFactor * s.ZR) target = FarZeroTargetFactor * s.ZR;
}

int compare_decimals(FieldId field) {
    switch (field) {
        case FieldId::SH:
        case FieldId::POI:
        case FieldId::DROP:
        case FieldId::PRES: return 2;
        case FieldId::ET:
        case FieldId::BC: return 4;
        default: return 1;
    }
}

namespace {

float compared_value(const CalcState& s, FieldId field) {
    switch (field) {
        case FieldId::MV: return s.MV;
        case FieldId::ZR: return s.ZR;
        case FieldId::TR: return s.TRArray[active_slot(s)];
        case FieldId::SH: return s.SH;
        case FieldId::TV: return s.TV;
        case FieldId::POI: return s.POI;
        case FieldId::ET: return s.ET;
        case FieldId::DROP: return s.DROP;
        case FieldId::BC: return s.BC;
        case FieldId::TMP: return s.TMP;
        case FieldId::PRES: return s.PRES;
        case FieldId::HUMID: return s.HUMID;
        case FieldId::MV_TOL: return s.MV_TOL;
        case FieldId::TV_TOL: return s.TV_TOL;
    }
    return 0.0f;
}

void apply_check(CalcState& s, CalcResults& r, FieldId field, std::string_view text) {
    switch (field) {
        case FieldId::MV: s.MV = check_muzzle_velocity(text, s.stateMV, s.TMP); break;
        case FieldId::ZR: check_zero_range(s, r, text); break;
        case FieldId::TR: {
            const std::array<float, 4> slots = check_target_range(text, s, r);
            for (int i = 0; i < 4; ++i) s.TRArray[i] = slots[i];
            break;
        }
        case FieldId::SH: s.SH = check_sight_height(text, s.stateSH); break;
        case FieldId::TV: s.TV = check_target_velocity(text, s.stateTV, s.TMP, s.MV); break;
        case FieldId::POI: s.POI = check_poi(text, s.statePOI); break;
        case FieldId::ET: s.ET = check_time_of_flight(text, s.stateET); break;
        case FieldId::DROP: s.DROP = check_drop(text, s.stateDROP); break;
        case FieldId::BC: s.BC = check_bc(text); break;
        case FieldId::TMP:
            if (const auto tmp = check_temperature(text, s.stateTMP)) s.TMP = *tmp;
            break;
        case FieldId::PRES:
            if (const auto pres = check_pressure(text, s.statePRES)) s.PRES = *pres;
            break;
        case FieldId::HUMID: s.HUMID = check_humidity(text); break;
        case FieldId::MV_TOL: s.MV_TOL = check_tolerance(text); break;
        case FieldId::TV_TOL: s.TV_TOL = check_tolerance(text); break;
    }
}

}  // namespace

std::string compared_text(const CalcState& s, FieldId field) {
    return format_fixed(compared_value(s, field), compare_decimals(field));
}

int change_kind_of(FieldId field) {
    switch (field) {
        case FieldId::TV:
        case FieldId::POI:
        case FieldId::ET:
        case FieldId::DROP:
        case FieldId::TV_TOL: return 2;
        default: return 1;
    }
}

FieldCommit commit_field(CalcState& s, CalcResults& r, FieldId field, std::string_view text) {
    FieldCommit commit;
    const std::string before = compared_text(s, field);
    apply_check(s, r, field, text);
    if (field == FieldId::BC) commit.bc_text = bc_text(s.BC);
    if (compared_text(s, field) != before) {
        commit.changed = true;
        commit.change_kind = change_kind_of(field);
        s.ChangeKind = commit.change_kind;
    }
    return commit;
}

}  // namespace velora
