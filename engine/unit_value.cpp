#include "engine/unit_value.h"

#include <cmath>

#include "engine/number_text.h"
#include "engine/units.h"

namespace velora {

namespace {

struct Suffix {
    const char* text;
    int unit;            // position in the window's unit list of the quantity
    bool listed = true;  // named in unit_suffixes (the degree-sign spellings are not)
};

struct SuffixList {
    const char* quantity_name;
    Quantity quantity;
    Suffix suffixes[5];  // ended by a null text
};

// The quantities with units; Percent and Plain take no conversion.
const SuffixList* suffix_list(ValueKind kind) {
    static const SuffixList velocity{
        "velocity", Quantity::Velocity, {{"ft/s", FtPerS}, {"fps", FtPerS}, {"m/s", MPerS}}};
    static const SuffixList range{"range", Quantity::Range, {{"yd", Yard}, {"m", Metre}, {"ft", Foot}}};
    static const SuffixList small_length{"length", Quantity::SmallLength, {{"in", Inch}, {"mm", Mm}, {"cm", Cm}}};
    static const SuffixList time{"time", Quantity::Time, {{"s", Second}, {"ms", MilliSecond}}};
    static const SuffixList temperature{
        "temperature",
        Quantity::Temperature,
        {{"C", Celsius}, {"F", Fahrenheit}, {"°C", Celsius, false}, {"°F", Fahrenheit, false}}};
    static const SuffixList pressure{
        "pressure", Quantity::Pressure, {{"inHg", InHg}, {"mmHg", MmHg}, {"mbar", MBar}, {"hPa", MBar}}};
    switch (kind) {
        case ValueKind::Velocity: return &velocity;
        case ValueKind::Range: return &range;
        case ValueKind::SmallLength: return &small_length;
        case ValueKind::Time: return &time;
        case ValueKind::Temperature: return &temperature;
        case ValueKind::Pressure: return &pressure;
        case ValueKind::Percent:
        case ValueKind::Plain: break;
    }
    return nullptr;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

UnitValue refused(std::string why) { return {0.0f, std::move(why)}; }

// What followed the number, as a refusal quotes it on its one line: control characters escaped.
std::string quoted(std::string_view suffix) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    for (const char c : suffix) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u != 0x7F) {
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += "\\x";
            out += Hex[u >> 4];
            out += Hex[u & 15];
        }
    }
    return out;
}

}  // namespace

UnitValue read_unit_value(std::string_view text, ValueKind kind) {
    float number = 0.0f;
    std::string_view rest;
    // Blanks before the number are the reader's; a sign must stand right before the digits.
    if (!parse_leading_number(text, number, rest)) return refused("not a number");
    const std::string_view suffix = trim(rest);
    if (suffix.empty()) return {number, {}};

    if (kind == ValueKind::Percent) {
        if (suffix == "%") return {number, {}};
        return refused("'" + quoted(suffix) + "' is not a unit of a percentage (%)");
    }
    const SuffixList* list = suffix_list(kind);
    if (!list) return refused("takes no unit ('" + quoted(suffix) + "' follows the number)");
    for (const Suffix& s : list->suffixes) {
        if (!s.text) break;
        if (!same_letters(suffix, s.text)) continue;
        // A number near the end of the float range overflows in its conversion: refused, never infinite.
        const float converted = from_display(list->quantity, s.unit, number, 0.0f);
        if (!std::isfinite(converted))
            return refused("too large a " + std::string(list->quantity_name) + " to convert from " + s.text);
        return {converted, {}};
    }
    return refused("'" + quoted(suffix) + "' is not a unit of " + list->quantity_name + " (" + unit_suffixes(kind) +
                   ")");
}

bool has_unit_suffix(std::string_view text) {
    float number = 0.0f;
    std::string_view rest;
    if (!parse_leading_number(text, number, rest)) return false;
    rest = trim(rest);
    if (rest.empty()) return false;
    const char c = rest.front();
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return letter || c == '%' || rest.substr(0, std::string_view("°").size()) == "°";
}

std::string unit_suffixes(ValueKind kind) {
    if (kind == ValueKind::Percent) return "%";
    const SuffixList* list = suffix_list(kind);
    if (!list) return {};
    std::string out;
    for (const Suffix& s : list->suffixes) {
        if (!s.text) break;
        if (s.listed) out += (out.empty() ? "" : ", ") + std::string(s.text);
    }
    return out;
}

}  // namespace velora
