#include "engine/projectile.h"

#include <charconv>
#include <cmath>

#include "engine/number_text.h"

namespace velora {

namespace {

constexpr double KgPerGrain = 64.79891e-6;
constexpr double MetresPerFoot = 0.3048;
constexpr double GrainsPerPound = 7000.0;

struct UnitName {
    const char* text;
    double factor;  // internal units per typed unit
};

struct QuantityUnits {
    const char* name;       // "weight"
    const char* internal;   // "gr"
    const char* other;      // "g"
    double other_per_unit;  // shown in the other unit = internal × this
    double least, most;     // internal units
    UnitName units[6];      // ended by a null text
};

const QuantityUnits& units_of(ProjectileQuantity q) {
    static const QuantityUnits weight{"weight",
                                      "gr",
                                      "g",
                                      1.0 / GrainsPerGram,
                                      LeastWeightGr,
                                      MostWeightGr,
                                      {{"gr", 1.0}, {"grain", 1.0}, {"grains", 1.0}, {"g", GrainsPerGram}}};
    static const QuantityUnits calibre{
        "calibre", "in", "mm", MmPerInch, LeastCalibreIn, MostCalibreIn, {{"in", 1.0}, {"mm", 1.0 / MmPerInch}}};
    static const QuantityUnits length{
        "length", "in", "mm", MmPerInch, LeastLengthIn, MostLengthIn, {{"in", 1.0}, {"mm", 1.0 / MmPerInch}}};
    static const QuantityUnits energy{
        "energy",
        "ft·lbf",
        "J",
        JoulesPerFootPound,
        0.01,
        100000.0,
        {{"ftlbf", 1.0}, {"ft-lbf", 1.0}, {"ft·lbf", 1.0}, {"fpe", 1.0}, {"j", 1.0 / JoulesPerFootPound}}};
    switch (q) {
        case ProjectileQuantity::Weight: return weight;
        case ProjectileQuantity::Calibre: return calibre;
        case ProjectileQuantity::Length: return length;
        case ProjectileQuantity::Energy: break;
    }
    return energy;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t;
}

// The number at the start of `text` (an optional sign, digits with an optional point, an optional
// exponent) and what follows it; nothing when the text does not begin with a decimal number.
std::optional<double> leading_number(std::string_view text, std::string_view& rest) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Only decimal digits and a point may begin the number: "nan", "inf" and hex are no numbers.
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value,
                                           std::chars_format::fixed | std::chars_format::scientific);
    if (ec == std::errc::invalid_argument) return std::nullopt;
    // A number too large for a double is refused below as huge.
    if (ec == std::errc::result_out_of_range) value = HUGE_VAL;
    rest = text.substr(static_cast<std::size_t>(end - text.data()));
    return negative ? -value : value;
}

std::string limits_text(const QuantityUnits& u) {
    const auto shown = [](double v) {
        std::string t = format_fixed(v, v < 1.0 ? 3 : v < 10.0 ? 2 : 1);
        while (t.find('.') != std::string::npos && (t.back() == '0' || t.back() == '.')) {
            const bool point = t.back() == '.';
            t.pop_back();
            if (point) break;
        }
        return t;
    };
    return "a " + std::string(u.name) + " from " + shown(u.least) + " to " + shown(u.most) + " " + u.internal + " (" +
           shown(u.least * u.other_per_unit) + " to " + shown(u.most * u.other_per_unit) + " " + u.other + ")";
}

}  // namespace

double sectional_density(double weight_gr, double calibre_in) {
    return weight_gr / GrainsPerPound / (calibre_in * calibre_in);
}

std::optional<double> sectional_density(const Projectile& p) {
    if (!p.has_sd()) return std::nullopt;
    return sectional_density(*p.weight_gr, *p.calibre_in);
}

double form_factor(double sd, double bc) { return sd / bc; }

double kinetic_energy_j(double weight_gr, double velocity_fps) {
    const double v = velocity_fps * MetresPerFoot;
    return 0.5 * weight_gr * KgPerGrain * v * v;
}

double kinetic_energy_ftlbf(double weight_gr, double velocity_fps) {
    return kinetic_energy_j(weight_gr, velocity_fps) / JoulesPerFootPound;
}

double momentum_ns(double weight_gr, double velocity_fps) {
    return weight_gr * KgPerGrain * velocity_fps * MetresPerFoot;
}

EnergyLimit uk_energy_limit() { return {12.0 * JoulesPerFootPound, "12 ft·lbf"}; }
EnergyLimit germany_energy_limit() { return {7.5, "7.5 J"}; }

ProjectileValue read_projectile_value(std::string_view text, ProjectileQuantity q) {
    const QuantityUnits& u = units_of(q);
    text = trimmed(text);
    std::string_view rest;
    const std::optional<double> number = leading_number(text, rest);
    if (!number) return {0, "not a number"};
    const std::string_view suffix = trimmed(rest);
    double factor = 1.0;
    if (!suffix.empty()) {
        bool known = false;
        for (const UnitName& unit : u.units) {
            if (!unit.text) break;
            if (same_letters(suffix, unit.text)) {
                factor = unit.factor;
                known = true;
            }
        }
        if (!known)
            return {0, "'" + std::string(suffix) + "' is not a unit of " + u.name + " (" + u.internal + ", " + u.other +
                           ")"};
    }
    const double value = *number * factor;
    if (!std::isfinite(value) || value < u.least || value > u.most) {
        std::string why = limits_text(u);
        // A calibre or a length typed in millimetres without its unit.
        if (suffix.empty() && std::isfinite(value) &&
            (q == ProjectileQuantity::Calibre || q == ProjectileQuantity::Length) && value / MmPerInch >= u.least &&
            value / MmPerInch <= u.most)
            why += "; for millimetres write " + std::string(text) + "mm";
        return {0, why};
    }
    return {value, {}};
}

EnergyLimitRead read_energy_limit(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || same_letters(text, "none") || same_letters(text, "off")) return {};
    const ProjectileValue v = read_projectile_value(text, ProjectileQuantity::Energy);
    if (!v.ok()) return {std::nullopt, v.error};
    std::string_view rest;
    leading_number(text, rest);
    const std::string_view suffix = trimmed(rest);
    const bool joules = same_letters(suffix, "j");
    std::string shown = format_fixed(joules ? v.value * JoulesPerFootPound : v.value, 2);
    while (shown.back() == '0') shown.pop_back();
    if (shown.back() == '.') shown.pop_back();
    return {EnergyLimit{v.value * JoulesPerFootPound, shown + (joules ? " J" : " ft·lbf")}, {}};
}

std::string energy_text(double joules) {
    return format_fixed(joules / JoulesPerFootPound, 2) + " ft·lbf (" + format_fixed(joules, 2) + " J)";
}

bool passes_energy_limit(double joules, const EnergyLimit& limit) {
    const bool in_joules = limit.text.size() > 2 && limit.text.substr(limit.text.size() - 2) == " J";
    const double scale = in_joules ? 1.0 : 1.0 / JoulesPerFootPound;
    return std::round(joules * scale * 100.0) > std::round(limit.joules * scale * 100.0);
}

std::string projectile_text(const Projectile& p) {
    std::string out;
    if (p.weight_gr)
        out += format_fixed(*p.weight_gr, 2) + " gr (" + format_fixed(*p.weight_gr / GrainsPerGram, 3) + " g)";
    if (p.calibre_in) {
        out += std::string(out.empty() ? "calibre " : ", calibre ") + format_fixed(*p.calibre_in, 3) + " in (" +
               format_fixed(*p.calibre_in * MmPerInch, 2) + " mm)";
    }
    if (p.length_in) {
        out += std::string(out.empty() ? "length " : ", length ") + format_fixed(*p.length_in, 3) + " in (" +
               format_fixed(*p.length_in * MmPerInch, 2) + " mm)";
    }
    return out;
}

}  // namespace velora
