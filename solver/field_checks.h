// The checks of the input fields: a typed text, read as the longest leading number, taken with
// the field's sign rule, converted from the field's unit into the internal unit and clamped to
// the field's range (temperature and pressure are refused instead). And the rule that decides
// whether a committed edit changed anything.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "solver/calc_results.h"
#include "solver/fields.h"
#include "state/calc_state.h"

namespace velora {

// Muzzle velocity (ft/s) from a text in `unit` (VelocityUnit; Mach at the temperature `tmp_c`):
// sign dropped, clamped to 200..4000.
float check_muzzle_velocity(std::string_view text, int unit, float tmp_c);

// Velocity at the target: as the muzzle velocity, clamped first to at least 200, then to at
// most `mv` − 2.
float check_target_velocity(std::string_view text, int unit, float tmp_c, float mv);

// Sight height (in) from Inch, cm or mm: sign dropped, clamped to 0.1..6.0.
float check_sight_height(std::string_view text, int unit);

// POI and drop (in): always below, so the number is negated; anything above −0.1 becomes −0.1.
float check_poi(std::string_view text, int unit);
float check_drop(std::string_view text, int unit);

// Time of flight (s) from Second or mSec, sign dropped; no limits.
float check_time_of_flight(std::string_view text, int unit);

// BC: sign dropped, clamped to 0.004..1.2.
float check_bc(std::string_view text);

// Temperature (°C) from °C or °F with its sign; nothing when outside −20..60 °C.
std::optional<float> check_temperature(std::string_view text, int unit);

// Pressure (inHg) from "Hg, mmHg or mBar, sign dropped; nothing when outside 19..35 inHg.
std::optional<float> check_pressure(std::string_view text, int unit);

// Humidity and the two chronograph tolerances (%): sign dropped, at most 100 and 5.
float check_humidity(std::string_view text);
float check_tolerance(std::string_view text);

// Target range: the typed range (sign dropped, from `s.stateTR`) goes into the active method's
// slot; a DeltaPOI target is raised to 1.25 × the far zero, the active slot is capped at
// MaxTargetRange, and then every slot is raised to its method's minimum (10 yd, 20 yd for
// DeltaD), which wins over the cap. Returns the four slots.
std::array<float, 4> check_target_range(std::string_view text, const CalcState& s, const CalcResults& r);

// Zero range: the typed zero (sign dropped, from `s.stateZR`) is stored in ZR, raised to 1 yd and
// capped at MaxZeroRange. A zero short of the apex is a near zero: the trajectory is flown with it
// (into `r`), and if its far zero lies beyond MaxZeroRange the zero becomes MaxZeroRange. Finally
// the active target slot is raised to 1.25 × ZR.
void check_zero_range(CalcState& s, CalcResults& r, std::string_view text);

// The values a field takes at the moment, in internal units: its row's range, with the limits
// that follow from other values. The zero goes up to the flight's limit (MaxZeroRange); the
// target range from its method's minimum (with DeltaPOI at least a quarter beyond the far zero)
// up to the flight's limit (MaxTargetRange); the velocity at the target up to 2 ft/s below the
// muzzle velocity.
Range field_range(const CalcState& s, const CalcResults& r, FieldId field);

// Whether the field's check refuses the text (a temperature or pressure outside its range), read
// in the unit that `s` selects for the field.
bool refused(const CalcState& s, FieldId field, std::string_view text);

// Decimals with which an edit of the field is compared in internal units (its row's `compared`).
int compare_decimals(FieldId field);

// The stored value a field edits (the active slot of TRArray for the target range), formatted
// with the compare decimals.
std::string compared_text(const CalcState& s, FieldId field);

// What a changed value of the field makes the next pass do: 1 predict, 2 solve.
int change_kind_of(FieldId field);

struct FieldCommit {
    bool changed = false;                // the compared text differs: run the recalculation pass
    int change_kind = 0;                 // what that pass must do (0 when nothing changed)
    std::optional<std::string> bc_text;  // the BC check rewrites its field at once
    std::string refusal;                 // why the text was not read (a unit the field does not take)
};

// Commits a typed text into a field: the text read as typed_entry reads it in the field's unit
// selection from `s`, compared text before, the field's check (storing into `s`, or nothing when
// refused), compared text after. When the two differ, `s.ChangeKind` is set to the field's kind.
// A text with a unit the field does not take changes nothing and says why in `refusal`.
FieldCommit commit_field(CalcState& s, CalcResults& r, FieldId field, std::string_view text);

}  // namespace velora
