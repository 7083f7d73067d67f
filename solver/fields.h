// The fourteen input fields, one row each in `Inputs`: the field's number among the window's
// controls, its names in the state, the preferences file and on the command line, what it
// measures and in which units, its decimals, its limits, how the window captions it and what a
// screen reader is told about it. The preferences keys, velora-cli's state members, the field
// checks, the named limits (input_limits.h) and the screen reader's names and descriptions are
// all made from this table.
#pragma once

#include <limits>
#include <optional>
#include <string_view>

#include "engine/unit_value.h"
#include "engine/units.h"
#include "state/calc_state.h"

namespace velora {

// The field numbers, which the window's other controls are numbered around (app/control_ids.h).
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

// How a typed number is taken before it is converted: its absolute value, minus its absolute
// value (the point of impact and the drop lie below), or with its sign as typed.
enum class Sign { Absolute, Negated, AsTyped };

// What becomes of a checked value outside its range: it is clamped to the nearer end, or refused
// (the value held before stays).
enum class Outside { Clamped, Refused };

// Values from `low` to `high`, both included; an open end is infinite.
struct Range {
    float low, high;
};
inline constexpr float Open = std::numeric_limits<float>::infinity();

// How a screen reader's description of a field words the values it takes.
enum class Words {
    InUnit,        // "in feet per second (Ft/s), 200.0 to 4000.0"
    Below,         // "in inches, at least 0.10 below; a number typed without a sign counts as below"
    AnyAbove0,     // "in seconds, any time above 0"
    Percent,       // "in percent, 0.0 to 100.0"
    PercentAfter,  // "0.0 to 5.0 percent"
    Plain,         // "0.0040 to 1.2000"
};

// What a field is while a set-up that does not measure it is chosen: it shows the prediction, it
// is not used, or it stays an input whose description says which set-up uses it.
enum class Elsewhere { Predicted, NotUsed, Noted };

inline constexpr int AnySetUp = -1;

struct Input {
    FieldId field{};
    const char* name = nullptr;              // in the state record, velora-cli's JSON and its KEY=VALUE
    const char* key = nullptr;               // in the preferences file; null for a value it does not keep
    ValueKind kind = ValueKind::Plain;       // what it measures: its unit list and the suffixes it takes
    int CalcState::*unit = nullptr;          // the selection of its unit list; null without a list
    float CalcState::*value = nullptr;       // where the state keeps it (the target range: the one in use)
    int compared = 1;                        // decimals of the internal value an edit is compared at
    int stored = 1;                          // decimals written to the preferences file
    int shown = 1;                           // decimals in its field without a unit list (else the unit's)
    const char* mark = "";                   // written after the number in its field
    const char* missing = nullptr;           // what a key missing from the preferences file reads as
    Sign sign = Sign::Absolute;              // how a typed number is taken
    Range range{-Open, Open};                // what a typed value may be, in the internal unit
    Outside outside = Outside::Clamped;      // and what becomes of one outside
    Range loaded{-Open, Open};               // what a value read from the preferences file is brought into
    bool loaded_as_typed = false;            // ... after the sign rule, as a typed value is (else as it stands)
    int change_kind = 1;                     // what the pass after a changed value does: 1 predict, 2 solve
    int set_up = AnySetUp;                   // the MeasurementMethod that measures or uses it
    Elsewhere elsewhere = Elsewhere::Noted;  // what it is under the other set-ups
    const char* caption = nullptr;           // over its field in the window
    const char* spoken = nullptr;            // its name for a screen reader
    const char* about = nullptr;             // how its description for a screen reader begins
    Words words = Words::InUnit;             // how that description words its values
    const char* other_set_ups = nullptr;     // the prediction, or the field unused, under the other set-ups
};

// In the order of the state record, which the preferences file and velora-cli's JSON keep.
inline constexpr Input Inputs[] = {
    {.field = FieldId::MV,
     .name = "MV",
     .key = "MV",
     .kind = ValueKind::Velocity,
     .unit = &CalcState::stateMV,
     .value = &CalcState::MV,
     .compared = 1,
     .stored = 1,
     .missing = "790.0",
     .range = {200.0f, 4000.0f},
     .loaded = {200.0f, 4000.0f},
     .caption = "Muzzle Velocity",
     .spoken = "Muzzle Velocity",
     .about = "Velocity at the muzzle, from the chronograph"},
    // Up to the flight's limit (MaxZeroRange); a stored zero is held to half the farthest target.
    {.field = FieldId::ZR,
     .name = "ZR",
     .key = "ZR",
     .kind = ValueKind::Range,
     .unit = &CalcState::stateZR,
     .value = &CalcState::ZR,
     .compared = 1,
     .stored = 1,
     .missing = "30.0",
     .range = {1.0f, Open},
     .loaded = {1.0f, 950.5f},
     .set_up = DeltaPOI,
     .elsewhere = Elsewhere::Predicted,
     .caption = "Far Zero",
     .spoken = "Far Zero",
     .about = "Range at which the bullet crosses the line of sight",
     .other_set_ups = "zero range"},
    // The field edits the active method's slot of TRArray, each slot from its own minimum up to the
    // flight's limit (MaxTargetRange); 1901 yd is the farthest target of all.
    {.field = FieldId::TR,
     .name = "TR",
     .key = "TR",
     .kind = ValueKind::Range,
     .unit = &CalcState::stateTR,
     .value = &CalcState::TR,
     .compared = 1,
     .stored = 2,
     .missing = "60.0",
     .range = {10.0f, 1901.0f},
     .loaded = {10.0f, 1901.0f},
     .caption = "Target Range",
     .spoken = "Target Range",
     .about = "Distance from the muzzle to the target"},
    {.field = FieldId::SH,
     .name = "SH",
     .key = "SH",
     .kind = ValueKind::SmallLength,
     .unit = &CalcState::stateSH,
     .value = &CalcState::SH,
     .compared = 2,
     .stored = 2,
     .missing = "1.75",
     .range = {0.1f, 6.0f},
     .loaded = {0.1f, 6.0f},
     .set_up = DeltaPOI,
     .elsewhere = Elsewhere::NotUsed,
     .caption = "Sight Height",
     .spoken = "Sight Height",
     .about = "Height of the line of sight above the bore at the muzzle",
     .other_set_ups = "Height of the sight above the bore"},
    // At most 2 ft/s below the muzzle velocity besides (TVBelowMV).
    {.field = FieldId::TV,
     .name = "TV",
     .key = "TV",
     .kind = ValueKind::Velocity,
     .unit = &CalcState::stateTV,
     .value = &CalcState::TV,
     .compared = 1,
     .stored = 1,
     .missing = "568.6",
     .range = {200.0f, Open},
     .loaded = {200.0f, Open},
     .loaded_as_typed = true,
     .change_kind = 2,
     .set_up = DeltaV,
     .elsewhere = Elsewhere::Predicted,
     .caption = "Velocity @ Target",
     .spoken = "Velocity at Target",
     .about = "Velocity at the target, from the second chronograph",
     .other_set_ups = "velocity at the target"},
    // A stored POI deeper than 10000 in comes from no flight the program computes.
    {.field = FieldId::POI,
     .name = "POI",
     .key = "_POI",
     .kind = ValueKind::SmallLength,
     .unit = &CalcState::statePOI,
     .value = &CalcState::POI,
     .compared = 2,
     .stored = 3,
     .missing = "-5.350",
     .sign = Sign::Negated,
     .range = {-Open, -0.1f},
     .loaded = {-10000.0f, -0.1f},
     .loaded_as_typed = true,
     .change_kind = 2,
     .set_up = DeltaPOI,
     .elsewhere = Elsewhere::Predicted,
     .caption = "POI @ Target",
     .spoken = "Point of Impact at Target",
     .about = "Point of impact below the point of aim at the target",
     .words = Words::Below,
     .other_set_ups = "point of impact below the point of aim"},
    // No limit; a stored time of flight beyond 100 s comes from no flight the program computes.
    {.field = FieldId::ET,
     .name = "ET",
     .key = "ET",
     .kind = ValueKind::Time,
     .unit = &CalcState::stateET,
     .value = &CalcState::ET,
     .compared = 4,
     .stored = 4,
     .missing = "0.2709",
     .loaded = {-Open, 100.0f},
     .loaded_as_typed = true,
     .change_kind = 2,
     .set_up = DeltaT,
     .elsewhere = Elsewhere::Predicted,
     .caption = "Time @ Target",
     .spoken = "Time at Target",
     .about = "Time of flight from the muzzle to the target, from the timer",
     .words = Words::AnyAbove0,
     .other_set_ups = "time of flight to the target"},
    // Not kept in the preferences file.
    {.field = FieldId::DROP,
     .name = "DROP",
     .kind = ValueKind::SmallLength,
     .unit = &CalcState::stateDROP,
     .value = &CalcState::DROP,
     .compared = 2,
     .sign = Sign::Negated,
     .range = {-Open, -0.1f},
     .change_kind = 2,
     .set_up = DeltaD,
     .elsewhere = Elsewhere::Predicted,
     .caption = "Drop from LoD",
     .spoken = "Drop from Line of Departure",
     .about = "Drop of the point of impact below the line of departure (the bore line) at the target, from the "
              "bore sighter",
     .words = Words::Below,
     .other_set_ups = "drop below the line of departure"},
    {.field = FieldId::BC,
     .name = "BC",
     .key = "BC",
     .value = &CalcState::BC,
     .compared = 4,
     .stored = 4,
     .shown = 4,
     .missing = "0.0300",
     .range = {0.004f, 1.2f},
     .loaded = {0.004f, 1.2f},
     .caption = "Ballistic Coefficient",
     .spoken = "Ballistic Coefficient",
     .about = "Ballistic coefficient",
     .words = Words::Plain},
    {.field = FieldId::MV_TOL,
     .name = "MV_TOL",
     .key = "MV_TOL",
     .kind = ValueKind::Percent,
     .value = &CalcState::MV_TOL,
     .compared = 1,
     .stored = 1,
     .shown = 1,
     .mark = "%",
     .missing = "1.3",
     .range = {0.0f, 5.0f},
     .loaded = {0.0f, 5.0f},
     .loaded_as_typed = true,
     .caption = "Chronograph (Muzzle)\r\nMaximum Error (%)",
     .spoken = "Chronograph at the muzzle, maximum error in percent",
     .about = "The largest error of the muzzle chronograph, for the confidence limits of the BC",
     .words = Words::PercentAfter},
    {.field = FieldId::TV_TOL,
     .name = "TV_TOL",
     .key = "TV_TOL",
     .kind = ValueKind::Percent,
     .value = &CalcState::TV_TOL,
     .compared = 1,
     .stored = 1,
     .shown = 1,
     .mark = "%",
     .missing = "1.3",
     .range = {0.0f, 5.0f},
     .loaded = {0.0f, 5.0f},
     .loaded_as_typed = true,
     .change_kind = 2,
     .set_up = DeltaV,
     .caption = "Chronograph (Target)\r\nMaximum Error (%)",
     .spoken = "Chronograph at the target, maximum error in percent",
     .about = "The largest error of the target chronograph, for the confidence limits of the BC",
     .words = Words::PercentAfter},
    {.field = FieldId::TMP,
     .name = "TMP",
     .key = "TMP",
     .kind = ValueKind::Temperature,
     .unit = &CalcState::stateTMP,
     .value = &CalcState::TMP,
     .compared = 1,
     .stored = 1,
     .missing = "20.0",
     .sign = Sign::AsTyped,
     .range = {-20.0f, 60.0f},
     .outside = Outside::Refused,
     .loaded = {-20.0f, 60.0f},
     .caption = "Amb. Temperature",
     .spoken = "Ambient Temperature",
     .about = "Air temperature at the range"},
    {.field = FieldId::PRES,
     .name = "PRES",
     .key = "PRES",
     .kind = ValueKind::Pressure,
     .unit = &CalcState::statePRES,
     .value = &CalcState::PRES,
     .compared = 2,
     .stored = 2,
     .missing = "29.92",
     .range = {19.0f, 35.0f},
     .outside = Outside::Refused,
     .loaded = {19.0f, 35.0f},
     .caption = "Amb. Pressure",
     .spoken = "Ambient Pressure",
     .about = "Air pressure at the range"},
    {.field = FieldId::HUMID,
     .name = "HUMID",
     .key = "HUMID",
     .kind = ValueKind::Percent,
     .value = &CalcState::HUMID,
     .compared = 1,
     .stored = 1,
     .shown = 1,
     .missing = "50.0",
     .range = {0.0f, 100.0f},
     .loaded = {0.0f, 100.0f},
     .loaded_as_typed = true,
     .caption = "Rel. Humidity (%)",
     .spoken = "Relative Humidity",
     .about = "Relative humidity of the air",
     .words = Words::Percent},
};

// The row of a field.
constexpr const Input& input(FieldId field) {
    for (const Input& in : Inputs)
        if (in.field == field) return in;
    return Inputs[0];  // every field has its row (checked below)
}

// Every field has exactly one row.
static_assert([] {
    for (int id = FirstFieldId; id <= LastFieldId; ++id) {
        int rows = 0;
        for (const Input& in : Inputs) rows += static_cast<int>(in.field) == id;
        if (rows != 1) return false;
    }
    return std::size(Inputs) == LastFieldId - FirstFieldId + 1;
}());

// The unit list of a quantity that has one.
constexpr Quantity quantity_of(ValueKind kind) {
    switch (kind) {
        case ValueKind::Range: return Quantity::Range;
        case ValueKind::SmallLength: return Quantity::SmallLength;
        case ValueKind::Time: return Quantity::Time;
        case ValueKind::Temperature: return Quantity::Temperature;
        case ValueKind::Pressure: return Quantity::Pressure;
        default: return Quantity::Velocity;
    }
}

// The field of a control identifier; nothing for a control that is not an input field.
std::optional<FieldId> field_from_id(int control_id);

// The slot of TRArray that belongs to the active method. A method number outside 0..3 (only a
// damaged preferences file can bring one) uses the DeltaPOI slot rather than reading past the
// array.
int active_slot(const CalcState& s);

// The value a field edits and shows: the active method's slot of TRArray for the target range.
float field_value(const CalcState& s, FieldId field);
float& field_value(CalcState& s, FieldId field);

// A number with the field's sign rule applied.
float with_sign(const Input& in, float number);

// A typed text as the field takes it, before any limit: the longest leading number with the
// field's sign rule, converted from the unit `unit` of its list (Mach at `tmp_c`).
float typed_value(const Input& in, std::string_view text, int unit, float tmp_c);

// What the window takes from a text typed into a field, before any limit. A comma in a text
// without a point is its decimal point ("1052,5"). A number followed by a unit (has_unit_suffix)
// is read as velora-cli reads a value of the field's quantity, with the same suffixes ("50m" is
// 54.68 yd, "68F" 20 °C), and then given the field's sign rule; a unit of another quantity, or
// none the field knows, is refused with the reason. Any other text is read as typed_value reads it.
UnitValue typed_entry(const Input& in, std::string_view text, int unit, float tmp_c);

// A value within the field's range (from range.low to `high`): clamped to the nearer end, or,
// for a field that refuses, nothing when outside.
std::optional<float> limited(const Input& in, float value, float high);
inline std::optional<float> limited(const Input& in, float value) { return limited(in, value, in.range.high); }

}  // namespace velora
