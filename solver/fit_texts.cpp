#include "solver/fit_texts.h"

#include <cmath>

#include "engine/drag.h"
#include "engine/number_text.h"

namespace velora {

ShotUnits shot_units(const CalcState& s) {
    ShotUnits u;
    u.range = s.stateTR;
    u.velocity = s.stateTV;
    u.time = s.stateET;
    u.poi = s.statePOI;
    u.drop = s.stateDROP;
    u.tmp = s.TMP;
    return u;
}

Quantity quantity_of(ShotQuantity q) {
    switch (q) {
        case ShotQuantity::Velocity: return Quantity::Velocity;
        case ShotQuantity::Time: return Quantity::Time;
        default: return Quantity::SmallLength;
    }
}

int unit_of(const ShotUnits& u, ShotQuantity q) {
    switch (q) {
        case ShotQuantity::Velocity: return u.velocity;
        case ShotQuantity::Time: return u.time;
        case ShotQuantity::Poi: return u.poi;
        case ShotQuantity::Drop: return u.drop;
    }
    return 0;
}

namespace {

// A shot's POI or drop is read to a tenth of what the main window shows (a tenth of a millimetre).
int shot_decimals(Quantity q, int unit) { return unit_decimals(q, unit) + (q == Quantity::SmallLength ? 1 : 0); }

std::string shown(Quantity q, int unit, float internal, float tmp) {
    return format_fixed(to_display(q, unit, internal, tmp), shot_decimals(q, unit));
}

ValueKind value_kind(Quantity q) {
    switch (q) {
        case Quantity::Velocity: return ValueKind::Velocity;
        case Quantity::Range: return ValueKind::Range;
        case Quantity::Time: return ValueKind::Time;
        default: return ValueKind::SmallLength;
    }
}

// A value whose conversion overflowed is refused as any other text that is no value.
UnitValue finite(float value) {
    if (std::isfinite(value)) return {value, {}};
    return {0.0f, "too large to convert"};
}

// A plain number is in the shown unit; a number with a suffix is in the suffix's unit. A comma in
// a number without a point is its decimal point.
UnitValue read_in_unit(std::string_view text, Quantity q, int unit, float tmp) {
    const std::string typed = with_decimal_point(text);
    const UnitValue plain = read_unit_value(typed, ValueKind::Plain);
    if (plain.ok()) return finite(from_display(q, unit, plain.value, tmp));
    if (plain.error == "not a number") return plain;
    return read_unit_value(typed, value_kind(q));
}

}  // namespace

std::string shot_quantity_caption(ShotQuantity q, const ShotUnits& u) {
    static constexpr const char* Names[] = {"Velocity", "Time", "POI", "Drop"};
    return std::string(Names[static_cast<int>(q)]) + " (" + unit_caption(quantity_of(q), unit_of(u, q)) + ")";
}

std::string shot_range_text(float yd, const ShotUnits& u) { return shown(Quantity::Range, u.range, yd, u.tmp); }

std::string shot_value_text(ShotQuantity q, float internal, const ShotUnits& u) {
    return shown(quantity_of(q), unit_of(u, q), internal, u.tmp);
}

std::string shot_residual_text(ShotQuantity q, double residual, const ShotUnits& u) {
    const Quantity quantity = quantity_of(q);
    const int unit = unit_of(u, q);
    return format_fixed(static_cast<float>(residual) * unit_factor(quantity, unit, u.tmp),
                        unit_decimals(quantity, unit) + 1);
}

UnitValue read_shot_range(std::string_view text, const ShotUnits& u) {
    return read_in_unit(text, Quantity::Range, u.range, u.tmp);
}

UnitValue read_shot_value(std::string_view text, ShotQuantity q, const ShotUnits& u) {
    return read_in_unit(text, quantity_of(q), unit_of(u, q), u.tmp);
}

UnitValue read_shot_uncertainty(std::string_view text, ShotQuantity q, float value, const ShotUnits& u) {
    const UnitValue percent = read_unit_value(with_decimal_point(text), ValueKind::Percent);
    const bool has_percent = text.find('%') != std::string_view::npos;
    if (has_percent) return percent.ok() ? finite(percent.value / 100.0f * std::fabs(value)) : percent;
    return read_shot_value(text, q, u);
}

std::string shot_problem_text(const ShotProblem& problem, const std::string& shot_name, const ShotFitInputs& in,
                              const ShotUnits& u) {
    const std::string unit = unit_caption(Quantity::Range, u.range);
    const std::string who = shot_name + ": ";
    switch (problem.kind) {
        case ShotProblemKind::NoShot: return "There is no shot to fit: give a range and a value for each shot.";
        case ShotProblemKind::TooFewToFitMv: return "Fitting the muzzle velocity as well needs two shots or more.";
        case ShotProblemKind::RangeNotPositive: return who + "its range must be more than 0.";
        case ShotProblemKind::RangeBeyondLimit:
            return who + "its range lies beyond the flight's limit of " + shot_range_text(in.MaxRange, u) + " " + unit +
                   ".";
        case ShotProblemKind::ValueNotANumber: return who + "its value is not a number.";
        case ShotProblemKind::ValueNotPositive: return who + "a velocity or a time of flight must be more than 0.";
        case ShotProblemKind::UncertaintyNotPositive:
            return who + "its uncertainty (0.5 % of a velocity when left empty) must be more than 0.";
        case ShotProblemKind::TooManyShots: return "A fit takes at most " + std::to_string(MostFitShots) + " shots.";
    }
    return {};
}

FitRowTexts fit_row_texts(const LawFit& fit, bool fit_mv, int mv_unit, float tmp) {
    FitRowTexts t;
    t.law = drag_law_name(fit.law);
    switch (fit.outcome) {
        case FitOutcome::Fitted:
            t.bc = format_fixed(fit.BC, 4);
            t.interval = format_fixed(fit.BC_low, 4) + " – " + format_fixed(fit.BC_high, 4);
            break;
        case FitOutcome::BelowRange: t.bc = "below 0.0040"; break;
        case FitOutcome::AboveRange: t.bc = "above 1.2000"; break;
    }
    t.rms = format_fixed(fit.rms, 2);
    if (fit_mv)
        t.mv = format_fixed(to_display(Quantity::Velocity, mv_unit, fit.MV, tmp),
                            unit_decimals(Quantity::Velocity, mv_unit));
    return t;
}

std::string fit_inputs_text(const CalcState& s) {
    const auto value = [&](Quantity q, int unit, float internal) {
        return format_fixed(to_display(q, unit, internal, s.TMP), unit_decimals(q, unit)) + " " + unit_caption(q, unit);
    };
    return "muzzle velocity " + value(Quantity::Velocity, s.stateMV, s.MV) + ", zero " +
           value(Quantity::Range, s.stateZR, s.ZR) + ", sight height " + value(Quantity::SmallLength, s.stateSH, s.SH) +
           ", " + value(Quantity::Temperature, s.stateTMP, s.TMP) + ", " +
           value(Quantity::Pressure, s.statePRES, s.PRES) + ", " + format_fixed(s.HUMID, 1) + " %";
}

}  // namespace velora
