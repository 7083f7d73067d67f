#include "engine/units.h"

#include "engine/atmosphere.h"

namespace velora {

namespace {

struct UnitList {
    int count;
    const char* captions[3];
    int decimals[3];
    float factors[3];  // display units per internal unit; 0 marks Mach
};

const UnitList& unit_list(Quantity q) {
    static const UnitList velocity{3, {"Ft/s", "m/s", "Mach"}, {1, 1, 3}, {1.0f, 0.3048f, 0.0f}};
    static const UnitList range{3, {"Foot", "Yard", "Metre"}, {1, 1, 1}, {3.0f, 1.0f, 0.9144f}};
    static const UnitList small_length{3, {"Inch", "cm", "mm"}, {2, 1, 0}, {1.0f, 2.54f, 25.4f}};
    static const UnitList time{2, {"Second", "mSec", ""}, {5, 2, 0}, {1.0f, 1000.0f, 1.0f}};
    static const UnitList temperature{2, {"°C", "°F", ""}, {1, 1, 0}, {1.0f, 1.0f, 1.0f}};
    static const UnitList pressure{3, {"\"Hg", "mmHg", "mBar"}, {2, 1, 1}, {1.0f, 25.4f, 33.82304f}};
    switch (q) {
        case Quantity::Velocity: return velocity;
        case Quantity::Range: return range;
        case Quantity::SmallLength: return small_length;
        case Quantity::Time: return time;
        case Quantity::Temperature: return temperature;
        case Quantity::Pressure: break;
    }
    return pressure;
}

bool in_list(const UnitList& l, int unit) { return unit >= 0 && unit < l.count; }

}  // namespace

int unit_count(Quantity q) { return unit_list(q).count; }

int internal_unit(Quantity q) { return q == Quantity::Range ? Yard : 0; }

const char* unit_caption(Quantity q, int unit) {
    const UnitList& l = unit_list(q);
    return in_list(l, unit) ? l.captions[unit] : "";
}

int unit_decimals(Quantity q, int unit) {
    const UnitList& l = unit_list(q);
    return in_list(l, unit) ? l.decimals[unit] : l.decimals[0];
}

float unit_factor(Quantity q, int unit, float tmp_c) {
    const UnitList& l = unit_list(q);
    if (!in_list(l, unit) || q == Quantity::Temperature) return 1.0f;
    if (q == Quantity::Velocity && unit == Mach) return 1.0f / speed_of_sound(tmp_c);
    return l.factors[unit];
}

float to_display(Quantity q, int unit, float internal, float tmp_c) {
    if (q == Quantity::Temperature) return unit == Fahrenheit ? celsius_to_fahrenheit(internal) : internal;
    if (q == Quantity::Velocity && unit == Mach) return internal / speed_of_sound(tmp_c);
    return internal * unit_factor(q, unit, tmp_c);
}

float from_display(Quantity q, int unit, float shown, float tmp_c) {
    if (q == Quantity::Temperature) return unit == Fahrenheit ? fahrenheit_to_celsius(shown) : shown;
    if (q == Quantity::Velocity && unit == Mach) return shown * speed_of_sound(tmp_c);
    return shown / unit_factor(q, unit, tmp_c);
}

float celsius_to_fahrenheit(float c) { return c * 1.8f + 32.0f; }

float fahrenheit_to_celsius(float f) { return (f - 32.0f) / 1.8f; }

}  // namespace velora
