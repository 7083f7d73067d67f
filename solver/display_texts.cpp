#include "solver/display_texts.h"

#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/units.h"
#include "solver/input_limits.h"

namespace velora {

namespace {

std::string shown(Quantity q, int unit, float internal, float tmp_c) {
    return format_fixed(to_display(q, unit, internal, tmp_c), unit_decimals(q, unit));
}

bool in_list(Quantity q, int unit) { return unit >= 0 && unit < unit_count(q); }

std::string range_text(const char* head, float low, const char* separator, float high, const char* tail, int decimals) {
    return std::string(head) + format_fixed(low, decimals) + separator + format_fixed(high, decimals) + tail;
}

std::optional<std::string> muzzle_velocity_hint(const CalcState& s) {
    switch (s.stateMV) {
        case FtPerS: return range_text("Muzzle Velocity (", MinMV, " to ", MaxMV, " Ft/s)", 0);
        case MPerS: return range_text("Muzzle Velocity (", MinMV * 0.3048f, " to ", MaxMV * 0.3048f, " m/s)", 1);
        case Mach: {
            const float c = speed_of_sound(s.TMP);
            const std::string tail = std::string(" Mach @ ") + temperature_text(s) + " " +
                                     unit_caption(Quantity::Temperature, s.stateTMP) + ")";
            return range_text("Muzzle Velocity (", MinMV / c, " to ", MaxMV / c, tail.c_str(), 3);
        }
        default: return std::nullopt;
    }
}

std::optional<std::string> target_range_hint(const CalcState& s, const CalcResults& r) {
    const int method = s.stateRB;
    const float far_zero = r.trajectory.FarZero;
    const float top = r.MaxTargetRange;
    switch (s.stateTR) {
        case Foot:
            if (method == DeltaPOI)
                return range_text("Target Range (", 3.0f * 1.25f * far_zero, " - ", 3.0f * top, " Foot)", 0);
            return range_text("Target Range (", method == DeltaD ? 60.0f : 30.0f, " to ", 3.0f * top, " Foot)", 0);
        case Yard: {
            const float low = method == DeltaPOI ? 1.25f * far_zero : method == DeltaD ? 20.0f : 10.0f;
            return range_text("Target Range (", low, " to ", top, " Yard)", 0);
        }
        case Metre: {
            const float low = method == DeltaPOI ? 0.9144f * 1.25f * far_zero : method == DeltaD ? 18.288f : 9.144f;
            return range_text("Target Range (", low, " to ", 0.9144f * top, " Metre)", 0);
        }
        default: return std::nullopt;
    }
}

std::optional<std::string> sight_height_hint(const CalcState& s) {
    switch (s.stateSH) {
        case Inch: return range_text("Sight Height (", MinSH, " to ", MaxSH, " Inch)", 1);
        case Cm: return range_text("Sight Height (", MinSH * 2.54f, " to ", MaxSH * 2.54f, " cm)", 1);
        case Mm: return range_text("Sight Height (", MinSH * 25.4f, " to ", MaxSH * 25.4f, " mm)", 0);
        default: return std::nullopt;
    }
}

std::optional<std::string> target_velocity_hint(const CalcState& s) {
    // The hint names an upper bound 10 ft/s below the muzzle velocity; the check allows 2.
    const float top = s.MV - 10.0f;
    switch (s.stateTV) {
        case FtPerS: return range_text("Velocity @ Target (", MinTV, " to ", top, " Ft/s)", 0);
        case MPerS: return range_text("Velocity @ Target (", MinTV * 0.3048f, " to ", 0.3048f * top, " m/s)", 1);
        case Mach: {
            const float c = speed_of_sound(s.TMP);
            return range_text("Velocity @ Target (", MinTV / c, " to ", top / c, " Mach)", 3);
        }
        default: return std::nullopt;
    }
}

std::optional<std::string> below_hint(const char* head, int unit) {
    if (!in_list(Quantity::SmallLength, unit)) return std::nullopt;
    const float bound = MaxPOI * unit_factor(Quantity::SmallLength, unit, 0.0f);
    return std::string(head) + format_fixed(bound, 2) + " " + unit_caption(Quantity::SmallLength, unit);
}

std::optional<std::string> temperature_hint(const CalcState& s) {
    switch (s.stateTMP) {
        case Celsius: return range_text("Ambient Temperature (", MinTMP, " to ", MaxTMP, " °C)", 1);
        case Fahrenheit:
            return range_text("Ambient Temperature (", celsius_to_fahrenheit(MinTMP), " to ",
                              celsius_to_fahrenheit(MaxTMP), " °F)", 1);
        default: return std::nullopt;
    }
}

std::optional<std::string> pressure_hint(const CalcState& s) {
    switch (s.statePRES) {
        case InHg: return range_text("Ambient Pressure (", MinPRES, " to ", MaxPRES, " \"Hg)", 2);
        case MmHg: return range_text("Ambient Pressure (", MinPRES * 25.4f, " to ", MaxPRES * 25.4f, " mmHg)", 1);
        case MBar:
            return range_text("Ambient Pressure (", MinPRES * 33.82304f, " to ", MaxPRES * 33.82304f, " mBar)", 1);
        default: return std::nullopt;
    }
}

}  // namespace

std::string temperature_text(const CalcState& s) { return shown(Quantity::Temperature, s.stateTMP, s.TMP, s.TMP); }

std::string field_text(const CalcState& s, const CalcResults& r, FieldId field) {
    if (field == FieldId::ZR) return zero_display(s, r).text;
    const Input& in = input(field);
    const float value = field_value(s, field);
    if (in.unit == nullptr) return format_fixed(value, in.shown) + in.mark;
    return shown(quantity_of(in.kind), s.*in.unit, value, s.TMP);
}

std::optional<std::string> field_range_hint(const CalcState& s, const CalcResults& r, FieldId field) {
    switch (field) {
        case FieldId::MV: return muzzle_velocity_hint(s);
        case FieldId::ZR: return zero_display(s, r).tooltip;
        case FieldId::TR: return target_range_hint(s, r);
        case FieldId::SH: return sight_height_hint(s);
        case FieldId::TV: return target_velocity_hint(s);
        case FieldId::POI: return below_hint("PoI below PoA: <= ", s.statePOI);
        case FieldId::DROP: return below_hint("PoI below LoD: <= ", s.stateDROP);
        case FieldId::ET:
            if (s.stateET == Second) return std::string("Elapsed Time (Second)");
            if (s.stateET == MilliSecond) return std::string("Elapsed Time (millisecond)");
            return std::nullopt;
        case FieldId::TMP: return temperature_hint(s);
        case FieldId::PRES: return pressure_hint(s);
        case FieldId::HUMID: return std::string("Relative Humidity (0.0 to 100.0 %)");
        case FieldId::BC:
        case FieldId::MV_TOL:
        case FieldId::TV_TOL: return std::nullopt;
    }
    return std::nullopt;
}

ZeroDisplay zero_display(const CalcState& s, const CalcResults& r) {
    const bool far = s.ShowFarZero == 1;
    const float factor = unit_factor(Quantity::Range, s.stateZR, s.TMP);
    const float zero = far ? r.trajectory.FarZero : r.trajectory.NearZero;
    ZeroDisplay d;
    d.caption = far ? "Far Zero" : "Near Zero";
    d.text = format_fixed(zero * factor, 1);
    // The near zero's limit is written in capitals in Yard and Metre.
    const char* unit = unit_caption(Quantity::Range, s.stateZR);
    const char* max_word = far || s.stateZR == Foot ? " max)" : " MAX)";
    d.tooltip = std::string(far ? "Far Zero Range (" : "Near Zero Range (") + format_fixed(r.MaxZeroRange * factor, 0) +
                " " + unit + max_word;
    return d;
}

std::string improbable_bc_message(int drag_law, bool too_low) {
    // The short name padded to four characters, as it begins the law's description ("G1  ").
    std::string name = drag_law_name(drag_law);
    if (!name.empty() && name.size() < 4) name.resize(4, ' ');
    std::string text = "\rThe entered parameters result in an improbable BC value.\ri.e., In this case, BC[" + name;
    if (too_low)
        text += "] is less than " + format_fixed(MinBC, 4);
    else
        text += "] is greater than " + format_fixed(MaxBC, 4);
    text += "\r\rPlease review your inputs ...";
    return text;
}

std::string bc_text(float bc) { return format_fixed(bc, input(FieldId::BC).shown); }

std::string tolerance_text(float percent) {
    const Input& tolerance = input(FieldId::MV_TOL);
    return format_fixed(percent, tolerance.shown) + tolerance.mark;
}

std::string bc_field_tooltip() {
    return "Ballistic Coefficient (" + format_fixed(MinBC, 4) + " to " + format_fixed(MaxBC, 4) + ")";
}

const char* method_heading(int method) {
    switch (method) {
        case DeltaPOI: return "One Chronograph (∆POI)";
        case DeltaT: return "One Chronograph + Timer (∆T)";
        case DeltaV: return "Two Chronographs (∆V)";
        case DeltaD: return "One Chronograph + BoreSight (∆D)";
        default: return "";
    }
}

PanelToggle panel_toggle(bool panel_shown) {
    if (panel_shown) return {"<<", "Click to hide graphs, table and confidence limits"};
    return {">>", "Click to show graphs, table and confidence limits"};
}

std::string refused_entry_text(FieldId field, const std::string& reason) {
    const Input& in = input(field);
    // A number without a unit has nothing to list; the reader's reason would only say so in
    // other words.
    const std::string why =
        in.kind == ValueKind::Plain ? "the " + std::string(in.caption) + " is a number without a unit" : reason;
    return "Not taken: " + why + ". The field keeps its value.";
}

}  // namespace velora
