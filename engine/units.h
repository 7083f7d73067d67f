// Internal units, the unit lists of the window and the conversions between them.
//
// Every value is held in one internal unit (ft/s, yard, inch, second, °C, inHg) and converted
// only when it is shown or typed: shown = internal × factor, internal = typed / factor. Mach is
// the exception, through the speed of sound at the temperature of the moment.
#pragma once

namespace velora {

enum class Quantity { Velocity, Range, SmallLength, Time, Temperature, Pressure };

enum VelocityUnit : int { FtPerS = 0, MPerS = 1, Mach = 2 };
enum RangeUnit : int { Foot = 0, Yard = 1, Metre = 2 };
enum SmallLengthUnit : int { Inch = 0, Cm = 1, Mm = 2 };
enum TimeUnit : int { Second = 0, MilliSecond = 1 };
enum TemperatureUnit : int { Celsius = 0, Fahrenheit = 1 };
enum PressureUnit : int { InHg = 0, MmHg = 1, MBar = 2 };

// Number of entries in the unit list of a quantity (3 or 2).
int unit_count(Quantity q);

// The position of the internal unit in the unit list of a quantity (Ft/s, Yard, Inch, Second, °C,
// inches of mercury).
int internal_unit(Quantity q);

// Caption of a unit-list entry as the window shows it ("Ft/s", "Yard", "\"Hg", "°C" …); an empty
// text for a position outside the list.
const char* unit_caption(Quantity q, int unit);

// Decimals with which a value field shows a quantity in a unit (velocity 1/1/3, range 1/1/1,
// small length 2/1/0, time 5/2, temperature 1/1, pressure 2/1/1).
int unit_decimals(Quantity q, int unit);

// Display units per internal unit (1 for a position outside the list). Mach: 1 / speed of sound
// at `tmp_c`. Temperature has no factor (it is converted by the two functions below).
float unit_factor(Quantity q, int unit, float tmp_c);

// Internal value → value in the display unit, and a typed display value → internal value.
float to_display(Quantity q, int unit, float internal, float tmp_c);
float from_display(Quantity q, int unit, float shown, float tmp_c);

float celsius_to_fahrenheit(float c);
float fahrenheit_to_celsius(float f);

}  // namespace velora
