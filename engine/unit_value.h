// A value typed with an optional unit suffix ("240m/s", "36.6 m", "8 mm", "1013.25hPa", "20C"),
// read into the internal unit of its quantity. The command line and the shot files take values
// this way; a value without a suffix is already in the internal unit.
#pragma once

#include <string>
#include <string_view>

namespace velora {

// What a value measures, and so which suffixes it takes:
//   Velocity     ft/s (internal), fps, m/s
//   Range        yd (internal), m, ft
//   SmallLength  in (internal), mm, cm
//   Time         s (internal), ms
//   Temperature  C (internal), F; also written °C, °F
//   Pressure     inHg (internal), mmHg, mbar, hPa
//   Percent      %
//   Plain        no suffix at all (a BC, a table step)
// Suffixes are matched without regard to letter case; blanks may stand between the number and
// its suffix.
enum class ValueKind { Velocity, Range, SmallLength, Time, Temperature, Pressure, Percent, Plain };

struct UnitValue {
    float value = 0.0f;  // in the internal unit; 0 when the text was refused
    std::string error;   // empty when the text was read; else why not ("not a number", …)
    bool ok() const { return error.empty(); }
};

// The whole of `text` must be one decimal number (optional sign, digits with an optional point, an
// optional exponent) followed by nothing but blanks and at most one suffix of `kind`. A suffixed
// value is converted exactly as the window converts a value typed in that unit, so "1013.25mbar"
// gives the 29.957 inHg that 1013.25 typed in mBar gives; hPa is the same unit as mbar. The sign
// is kept: each field's own sign rule comes after. A number beyond the float range reads as the
// largest float of its sign; one whose conversion would overflow is refused ("too large a velocity
// to convert from m/s"), so no infinity ever comes out.
UnitValue read_unit_value(std::string_view text, ValueKind kind);

// Whether `text` is a number followed by what can only be meant as a unit: after the number and
// any blanks, a letter, "%" or "°" (whether it is a unit of the right quantity is read_unit_value's
// to say). Text that is no number, or has only other characters after its number, has none.
bool has_unit_suffix(std::string_view text);

// The suffixes that `kind` accepts, internal unit first: "ft/s, fps, m/s"; empty for Plain.
std::string unit_suffixes(ValueKind kind);

}  // namespace velora
