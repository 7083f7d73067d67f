#include "services/projectile_file.h"

#include <vector>

namespace velora {
namespace {

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.remove_suffix(1);
    return t;
}

// The value of one field in its unit, or the reason it does not read; nothing for an empty field.
std::optional<std::string> field_error(const std::string& number, const std::string& unit, ProjectileQuantity q,
                                       std::optional<double>& out) {
    out.reset();
    if (trimmed(number).empty()) return std::nullopt;
    const ProjectileValue v = read_projectile_value(std::string(trimmed(number)) + " " + unit, q);
    if (!v.ok()) return v.error;
    out = v.value;
    return std::nullopt;
}

bool one_of(const std::string& unit, std::initializer_list<const char*> units) {
    for (const char* u : units)
        if (unit == u) return true;
    return false;
}

}  // namespace

ProjectileOfSettings projectile_of(const ProjectileSettings& s) {
    ProjectileOfSettings out;
    out.projectile.source = "typed";
    const struct {
        const char* name;
        const std::string& number;
        const std::string& unit;
        ProjectileQuantity q;
        std::optional<double>& into;
    } fields[] = {{"Weight", s.weight, s.weight_unit, ProjectileQuantity::Weight, out.projectile.weight_gr},
                  {"Calibre", s.calibre, s.calibre_unit, ProjectileQuantity::Calibre, out.projectile.calibre_in},
                  {"Length", s.length, s.length_unit, ProjectileQuantity::Length, out.projectile.length_in}};
    for (const auto& f : fields) {
        if (auto error = field_error(f.number, f.unit, f.q, f.into); error && out.error.empty())
            out.error = std::string(f.name) + ": " + *error;
    }
    const EnergyLimitRead limit = read_energy_limit(s.energy_limit);
    if (!limit.ok() && out.error.empty()) out.error = "Energy limit: " + limit.error;
    out.limit = limit.limit;
    return out;
}

ProjectileFileRead read_projectile_file(std::string_view bytes, const std::string& name) {
    ProjectileFileRead r;
    ProjectileSettings& s = r.settings;
    int line = 0;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view text = trimmed(bytes.substr(0, end));
        bytes = end == std::string_view::npos ? std::string_view{} : bytes.substr(end + 1);
        ++line;
        if (text.empty() || text.front() == '#') continue;
        const auto fail = [&](const std::string& why) {
            r.error = name + " line " + std::to_string(line) + ": " + why;
            return r;
        };
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) return fail("expected key=value");
        const std::string key(trimmed(text.substr(0, equals)));
        const std::string value(trimmed(text.substr(equals + 1)));
        if (key == "weight" || key == "calibre" || key == "length") {
            // Checked in its unit at the end, wherever the unit stands.
            (key == "weight" ? s.weight : key == "calibre" ? s.calibre : s.length) = value;
        } else if (key == "weight_unit") {
            if (!one_of(value, {"gr", "g"})) return fail("the weight's unit is gr or g, not '" + value + "'");
            s.weight_unit = value;
        } else if (key == "calibre_unit" || key == "length_unit") {
            if (!one_of(value, {"in", "mm"}))
                return fail("the " + key.substr(0, key.find('_')) + "'s unit is in or mm, not '" + value + "'");
            (key == "calibre_unit" ? s.calibre_unit : s.length_unit) = value;
        } else if (key == "drag_table") {
            s.drag_table = value;
        } else if (key == "energy_limit") {
            const EnergyLimitRead limit = read_energy_limit(value);
            if (!limit.ok()) return fail(limit.error);
            s.energy_limit = value.empty() ? "none" : value;
        } else {
            return fail("unknown key '" + key + "'");
        }
    }
    // Each number in its unit, wherever the unit stood.
    const ProjectileOfSettings of = projectile_of(s);
    if (!of.error.empty()) r.error = name + ": " + of.error;
    return r;
}

std::string projectile_file_text(const ProjectileSettings& s) {
    return "# The projectile of the Fit window\n"
           "weight=" +
           s.weight + "\nweight_unit=" + s.weight_unit + "\ncalibre=" + s.calibre + "\ncalibre_unit=" + s.calibre_unit +
           "\nlength=" + s.length + "\nlength_unit=" + s.length_unit + "\nenergy_limit=" + s.energy_limit + "\n" +
           (s.drag_table.empty() ? std::string() : "drag_table=" + s.drag_table + "\n");
}

}  // namespace velora
