#include "cli/calc_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/state_members.h"
#include "engine/drag.h"
#include "engine/units.h"
#include "output/range_table.h"
#include "solver/field_checks.h"

namespace velora {

std::string json_number(float value) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

namespace {

std::string number(float value) { return std::isfinite(value) ? json_number(value) : "null"; }

std::string number(int value) { return std::to_string(value); }

std::string number(double value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

std::string optional_number(const std::optional<float>& value) { return value ? number(*value) : "null"; }

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// The members of one object, in the order they are added.
struct Members {
    std::string indent;
    std::string text;

    void add(std::string_view key, const std::string& json) {
        text += (text.empty() ? "" : ",\n") + indent + quoted(key) + ": " + json;
    }
    std::string object(std::string_view closing_indent) const {
        return "{\n" + text + "\n" + std::string(closing_indent) + "}";
    }
};

template <class T>
std::string array(const T* values, int count) {
    std::string out = "[";
    for (int i = 0; i < count; ++i) out += (i ? ", " : "") + number(values[i]);
    return out + "]";
}

std::string state_json(const CalcState& s) {
    CalcState fields = s;  // the accessors hand out writable fields; this copy is only read
    Members m{"    ", {}};
    for (const StateMember& member : state_members()) {
        if (member.real)
            m.add(member.name,
                  member.count == 1 ? number(*member.real(fields)) : array(member.real(fields), member.count));
        else if (member.integer)
            m.add(member.name,
                  member.count == 1 ? number(*member.integer(fields)) : array(member.integer(fields), member.count));
        else
            m.add(member.name, number(static_cast<int>(*member.flag(fields))));
    }
    return m.object("  ");
}

Members trajectory_derived(const Trajectory& t) {
    Members m{"    ", {}};
    m.add("FarZero", number(t.FarZero));
    m.add("NearZero", number(t.NearZero));
    m.add("ApexRange", number(t.ApexRange));
    m.add("ApexPOI", number(t.ApexPOI));
    m.add("ZeroIsFar", number(t.ZeroIsFar));
    m.add("LastSample", number(t.LastSample));
    return m;
}

std::string derived_json(const CalcResults& r) {
    Members m = trajectory_derived(r.trajectory);
    m.add("MaxZeroRange", number(r.MaxZeroRange));
    m.add("MaxTargetRange", number(r.MaxTargetRange));
    return m.object("  ");
}

std::string text_array(const std::vector<std::string>& lines) {
    std::string out = "[";
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? ", " : "") + quoted(lines[i]);
    return out + "]";
}

std::string trajectory_json(const Trajectory& t) {
    const int count = t.LastSample >= 0 && t.LastSample < TrajectorySize ? t.LastSample + 1 : 0;
    Members m{"    ", {}};
    m.add("drop", array(t.drop, count));
    m.add("velocity", array(t.velocity, count));
    m.add("time", array(t.time, count));
    m.add("poi", array(t.poi, count));
    return m.object("  ");
}

std::string optional_double(const std::optional<double>& value) { return value ? number(*value) : "null"; }

}  // namespace

std::vector<std::string> shots_passing_limit(const ProjectileOutput& p) {
    std::vector<std::string> ids;
    if (!p.limit || !p.projectile.weight_gr) return ids;
    for (const auto& [id, mv] : p.shots) {
        if (passes_energy_limit(kinetic_energy_j(*p.projectile.weight_gr, mv), *p.limit)) ids.push_back(id);
    }
    return ids;
}

std::string projectile_json(const ProjectileOutput& p, const std::string& indent) {
    const Projectile& pr = p.projectile;
    const std::string inner = indent + "  ";
    Members m{inner, {}};
    m.add("weight_gr", optional_double(pr.weight_gr));
    m.add("calibre_in", optional_double(pr.calibre_in));
    m.add("length_in", optional_double(pr.length_in));
    m.add("source", quoted(pr.source));
    const std::optional<double> sd = sectional_density(pr);
    m.add("sectional_density", optional_double(sd));
    m.add("form_factor", sd && p.BC && *p.BC > 0 ? number(form_factor(*sd, *p.BC)) : "null");
    m.add("MV", number(p.MV));
    const auto energy = [&](float v) -> std::optional<double> {
        if (!pr.weight_gr) return std::nullopt;
        return kinetic_energy_j(*pr.weight_gr, v);
    };
    const std::optional<double> muzzle = energy(p.MV);
    m.add("energy_ftlbf", muzzle ? number(*muzzle / JoulesPerFootPound) : "null");
    m.add("energy_J", optional_double(muzzle));
    m.add("momentum_Ns", pr.weight_gr ? number(momentum_ns(*pr.weight_gr, p.MV)) : "null");
    if (p.target_range && p.target_velocity) {
        Members t{inner + "  ", {}};
        t.add("range", number(*p.target_range));
        t.add("velocity", number(*p.target_velocity));
        const std::optional<double> e = energy(*p.target_velocity);
        t.add("energy_ftlbf", e ? number(*e / JoulesPerFootPound) : "null");
        t.add("energy_J", optional_double(e));
        m.add("target", t.object(inner));
    } else {
        m.add("target", "null");
    }
    if (p.limit) {
        Members l{inner + "  ", {}};
        l.add("text", quoted(p.limit->text));
        l.add("J", number(p.limit->joules));
        l.add("passed", muzzle ? (passes_energy_limit(*muzzle, *p.limit) ? "true" : "false") : "null");
        l.add("shots_passing", text_array(shots_passing_limit(p)));
        m.add("energy_limit", l.object(inner));
    } else {
        m.add("energy_limit", "null");
    }
    return m.object(indent);
}

std::string calculation_json(const CalcState& s, const CalcResults& r, const RecalcOutcome& outcome,
                             bool with_trajectory, const ProjectileOutput* projectile) {
    Members m{"  ", {}};
    m.add("schema", number(CliJsonSchema));
    m.add("state", state_json(s));
    m.add("law", quoted(drag_law_name(s.CURVE)));
    m.add("derived", derived_json(r));
    m.add("message", outcome.message ? quoted(*outcome.message) : "null");
    if (outcome.confidence) {
        Members c{"    ", {}};
        c.add("max", quoted(outcome.confidence->maximum));
        c.add("mean", quoted(outcome.confidence->mean));
        c.add("min", quoted(outcome.confidence->minimum));
        c.add("max_bc", optional_number(outcome.confidence->maximum_bc));
        c.add("mean_bc", optional_number(outcome.confidence->mean_bc));
        c.add("min_bc", optional_number(outcome.confidence->minimum_bc));
        m.add("confidence", c.object("  "));
    } else {
        m.add("confidence", "null");
    }
    const TableLines table = fill_table(s, r);
    Members t{"    ", {}};
    t.add("header", text_array(table.header));
    t.add("rows", text_array(table.rows));
    m.add("table", t.object("  "));
    if (projectile) m.add("projectile", projectile_json(*projectile, "  "));
    if (with_trajectory) m.add("trajectory", trajectory_json(r.trajectory));
    return m.object("") + "\n";
}

namespace {

std::string drag_table_use_json(const DragTableUse& t) {
    Members m{"    ", {}};
    m.add("name", quoted(t.name));
    m.add("file", quoted(t.file));
    m.add("points", number(t.points));
    m.add("span", "[" + number(t.first_mach) + ", " + number(t.last_mach) + "]");
    m.add("form_factor", number(t.form_factor));
    m.add("form_factor_solved", t.solved ? "true" : "false");
    m.add("BC", number(t.BC));
    m.add("beyond_span", t.beyond_span ? "true" : "false");
    return m.object("  ");
}

}  // namespace

std::string table_calculation_json(const CalcState& s, const Trajectory& t, const DragTableUse& table,
                                   const TableCalculation& c, const ProjectileOutput& projectile,
                                   bool with_trajectory) {
    Members m{"  ", {}};
    m.add("schema", number(CliJsonSchema));
    m.add("state", state_json(s));
    m.add("law", quoted("table"));
    m.add("drag_table", drag_table_use_json(table));
    m.add("derived", trajectory_derived(t).object("  "));
    Members at{"    ", {}};
    at.add("TR", number(c.TR));
    at.add("TV", number(c.TV));
    at.add("POI", number(c.POI));
    at.add("ET", number(c.ET));
    at.add("DROP", number(c.DROP));
    m.add("measurements", at.object("  "));
    m.add("message", c.message ? quoted(*c.message) : "null");
    m.add("projectile", projectile_json(projectile, "  "));
    if (with_trajectory) m.add("trajectory", trajectory_json(t));
    return m.object("") + "\n";
}

std::string flight_json(const CalcState& s, const Trajectory& t, const DragTableUse* table) {
    Members m{"  ", {}};
    m.add("schema", number(CliJsonSchema));
    m.add("state", state_json(s));
    m.add("law", quoted(table ? std::string("table") : drag_law_name(s.CURVE)));
    if (table) m.add("drag_table", drag_table_use_json(*table));
    m.add("derived", trajectory_derived(t).object("  "));
    m.add("trajectory", trajectory_json(t));
    return m.object("") + "\n";
}

std::string fit_json(const std::vector<LawFit>& fits, const ProjectileOutput* projectile) {
    const std::optional<double> sd = projectile ? sectional_density(projectile->projectile) : std::nullopt;
    const auto outcome = [](FitOutcome o) {
        switch (o) {
            case FitOutcome::Fitted: return "fitted";
            case FitOutcome::BelowRange: return "below_range";
            case FitOutcome::AboveRange: return "above_range";
        }
        return "";
    };
    std::string list = "[";
    for (std::size_t i = 0; i < fits.size(); ++i) {
        const LawFit& f = fits[i];
        Members m{"      ", {}};
        m.add("CURVE", number(f.law));
        m.add("law", quoted(drag_law_name(f.law)));
        m.add("BC", number(f.BC));
        m.add("BC_low", number(f.BC_low));
        m.add("BC_high", number(f.BC_high));
        m.add("rms", number(f.rms));
        std::string residuals = "[";
        for (std::size_t k = 0; k < f.residuals.size(); ++k) residuals += (k ? ", " : "") + number(f.residuals[k]);
        m.add("residuals", residuals + "]");
        m.add("MV", number(f.MV));
        m.add("outcome", quoted(outcome(f.outcome)));
        if (projectile) m.add("form_factor", sd && f.BC > 0 ? number(form_factor(*sd, f.BC)) : "null");
        list += (i ? ",\n    " : "\n    ") + m.object("    ");
    }
    list += fits.empty() ? "]" : "\n  ]";
    Members top{"  ", {}};
    top.add("schema", number(CliJsonSchema));
    top.add("fits", list);
    top.add("best", !fits.empty() && fits.front().outcome == FitOutcome::Fitted ? number(fits.front().law) : "null");
    if (projectile) top.add("projectile", projectile_json(*projectile, "  "));
    return top.object("") + "\n";
}

std::optional<float> drop_line(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        std::string_view key = line.substr(0, equals);
        while (!key.empty() && (key.front() == ' ' || key.front() == '\t')) key.remove_prefix(1);
        while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
        if (key.size() != 4) continue;
        bool is_drop = true;
        for (int i = 0; i < 4; ++i) {
            const char c = key[i] >= 'a' && key[i] <= 'z' ? static_cast<char>(key[i] - 'a' + 'A') : key[i];
            if (c != "DROP"[i]) is_drop = false;
        }
        if (is_drop) return check_drop(line.substr(equals + 1), Inch);
    }
    return std::nullopt;
}

}  // namespace velora
