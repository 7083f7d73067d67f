#include "cli/calc_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "cli/state_members.h"
#include "engine/drag.h"
#include "engine/units.h"
#include "output/range_table.h"
#include "solver/field_checks.h"
#include "solver/string_fit_texts.h"
#include "solver/table_fit.h"

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
    if (p.fit_energies) {
        const FitEnergies& e = *p.fit_energies;
        if (!pr.weight_gr) {
            m.add("energy_at_ranges", "null");
            m.add("shot_energies", "null");
        } else {
            Members along{inner + "  ", {}};
            along.add("law", quoted(e.law));
            along.add("BC", number(e.BC));
            along.add("MV", number(e.MV));
            std::string ranges = "[";
            for (std::size_t i = 0; i < e.at_ranges.size(); ++i) {
                const RangeEnergy& r = e.at_ranges[i];
                Members one{"", {}};
                one.add("range", number(r.range));
                one.add("velocity", number(r.velocity));
                one.add("energy_ftlbf", number(r.joules / JoulesPerFootPound));
                one.add("energy_J", number(r.joules));
                ranges += (i ? ", " : "") + one.object("");
            }
            along.add("ranges", ranges + "]");
            m.add("energy_at_ranges", along.object(inner));
            std::string shots = "[";
            for (std::size_t i = 0; i < p.shots.size(); ++i) {
                const double j = kinetic_energy_j(*pr.weight_gr, p.shots[i].second);
                Members one{"", {}};
                one.add("id", quoted(p.shots[i].first));
                one.add("MV", number(p.shots[i].second));
                one.add("energy_ftlbf", number(j / JoulesPerFootPound));
                one.add("energy_J", number(j));
                shots += (i ? ", " : "") + one.object("");
            }
            m.add("shot_energies", shots + "]");
        }
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

namespace {

const char* outcome_name(FitOutcome o) {
    switch (o) {
        case FitOutcome::Fitted: return "fitted";
        case FitOutcome::BelowRange: return "below_range";
        case FitOutcome::AboveRange: return "above_range";
    }
    return "";
}

// The members of schema 1's fit of one law, and its form factor when the projectile is known.
// A fit under a drag table has no CURVE and is named "table".
void add_law_fit(Members& m, const LawFit& f, const ProjectileOutput* projectile) {
    const bool under_table = f.law == DragTableLaw;
    m.add("CURVE", under_table ? "null" : number(f.law));
    m.add("law", quoted(under_table ? std::string("table") : drag_law_name(f.law)));
    m.add("BC", number(f.BC));
    m.add("BC_low", number(f.BC_low));
    m.add("BC_high", number(f.BC_high));
    m.add("rms", number(f.rms));
    std::string residuals = "[";
    for (std::size_t k = 0; k < f.residuals.size(); ++k) residuals += (k ? ", " : "") + number(f.residuals[k]);
    m.add("residuals", residuals + "]");
    m.add("MV", number(f.MV));
    m.add("outcome", quoted(outcome_name(f.outcome)));
    if (projectile) {
        const std::optional<double> sd = sectional_density(projectile->projectile);
        m.add("form_factor", sd && f.BC > 0 ? number(form_factor(*sd, f.BC)) : "null");
    }
}

}  // namespace

std::string fit_json(const std::vector<LawFit>& fits, const ProjectileOutput* projectile, const DragTableUse* table) {
    std::string list = "[";
    for (std::size_t i = 0; i < fits.size(); ++i) {
        Members m{"      ", {}};
        add_law_fit(m, fits[i], projectile);
        list += (i ? ",\n    " : "\n    ") + m.object("    ");
    }
    list += fits.empty() ? "]" : "\n  ]";
    Members top{"  ", {}};
    top.add("schema", number(CliJsonSchema));
    top.add("fits", list);
    const bool best = !fits.empty() && fits.front().outcome == FitOutcome::Fitted;
    top.add("best", !best ? "null" : fits.front().law == DragTableLaw ? quoted("table") : number(fits.front().law));
    if (table) top.add("drag_table", drag_table_use_json(*table));
    if (projectile) top.add("projectile", projectile_json(*projectile, "  "));
    return top.object("") + "\n";
}

namespace {

template <class T, class F>
std::string json_list(const std::vector<T>& items, F&& one) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + one(items[i]);
    return out + "]";
}

std::string shot_fit_json(const ShotFit& o) {
    if (!o.flown) return "null";
    Members m{"", {}};
    m.add("BC", number(o.BC));
    m.add("BC_low", number(o.BC_low));
    m.add("BC_high", number(o.BC_high));
    m.add("MV", number(o.MV));
    m.add("rms", number(o.rms));
    m.add("outcome", quoted(outcome_name(o.outcome)));
    std::string text = m.text;
    for (std::size_t at; (at = text.find(",\n")) != std::string::npos;) text.replace(at, 2, ", ");
    return "{" + text + "}";
}

const char* figure_name(OutlierFigure f) {
    switch (f) {
        case OutlierFigure::Bc: return "bc";
        case OutlierFigure::Rms: return "rms";
        case OutlierFigure::AtLimit: return "at_limit";
    }
    return "";
}

const char* message_kind_name(FitMessageKind k) {
    switch (k) {
        case FitMessageKind::FasterThanMuzzle: return "faster_than_muzzle";
        case FitMessageKind::NothingToFit: return "nothing_to_fit";
        case FitMessageKind::TooFewToFitMv: return "too_few_to_fit_mv";
        case FitMessageKind::BeyondFlight: return "beyond_flight";
        case FitMessageKind::ZeroBeyondFlight: return "zero_beyond_flight";
        case FitMessageKind::EveryBcAtLimit: return "every_bc_at_limit";
        case FitMessageKind::NotShared: return "not_shared";
    }
    return "";
}

}  // namespace

std::string string_fit_json(const StringFit& f, const std::vector<FitShot>& shots,
                            const std::vector<std::string>& groups, const ProjectileOutput* projectile) {
    const ShotUnits u = InternalShotUnits;
    const auto names = [&](const std::vector<int>& idx) {
        return json_list(idx, [&](int i) { return quoted(shots[static_cast<std::size_t>(i)].name); });
    };
    std::string list = "[";
    for (std::size_t k = 0; k < f.laws.size(); ++k) {
        const StringLawFit& l = f.laws[k];
        const LawFit& s = l.series;
        Members m{"      ", {}};
        add_law_fit(m, s, projectile);
        m.add("chi_square", number(s.chi_square));
        m.add("freedom", number(l.freedom));
        m.add("shots", json_list(l.shots, shot_fit_json));
        Members spread{"        ", {}};
        spread.add("count", number(l.spread.count));
        spread.add("mean", number(l.spread.mean));
        spread.add("sd", number(l.spread.sd));
        spread.add("low", number(l.spread.low));
        spread.add("high", number(l.spread.high));
        m.add("spread", spread.object("      "));
        if (l.trend.valid) {
            Members t{"        ", {}};
            t.add("mean_mv", number(l.trend.mean_mv));
            t.add("at_mean", number(l.trend.at_mean));
            t.add("slope", number(l.trend.slope));
            t.add("slope_low", number(l.trend.slope_low));
            t.add("slope_high", number(l.trend.slope_high));
            m.add("trend", t.object("      "));
        } else {
            m.add("trend", "null");
        }
        if (l.shared.tested) {
            Members t{"        ", {}};
            t.add("at_mv", number(l.shared.at_mv));
            t.add("groups", json_list(l.shared.groups, [&](const GroupBc& g) {
                      const std::string name = g.group >= 0 && static_cast<std::size_t>(g.group) < groups.size()
                                                   ? groups[static_cast<std::size_t>(g.group)]
                                                   : "string " + std::to_string(g.group + 1);
                      return "{\"name\": " + quoted(name) + ", \"count\": " + number(g.count) +
                             ", \"BC\": " + number(g.bc) + ", \"se\": " + number(g.se) + "}";
                  }));
            t.add("separation", number(l.shared.separation));
            t.add("one_bc", l.shared.shared() ? "true" : "false");
            m.add("shared", t.object("      "));
        } else {
            m.add("shared", "null");
        }
        list += (k ? ",\n    " : "\n    ") + m.object("    ");
    }
    list += f.laws.empty() ? "]" : "\n  ]";

    const Verdict& v = f.verdict;
    Members verdict{"    ", {}};
    verdict.add("inseparable", json_list(v.inseparable, [](int law) { return quoted(drag_law_name(law)); }));
    verdict.add("rule", quoted("a law cannot be told from the best while its weighted sum of squares exceeds the "
                               "best one's by no more than threshold × scale × correlation, scale = max(1, S_best / "
                               "freedom), correlation = samples / effective_samples, each shot of 10 measurements or "
                               "more counting n (1 - r) / (1 + r) with r the lag-1 autocorrelation of its residuals"));
    verdict.add("threshold", number(v.threshold));
    verdict.add("scale", number(v.scale));
    verdict.add("samples", number(v.samples));
    verdict.add("effective_samples", number(v.effective));
    verdict.add("correlation", number(v.correlation));
    verdict.add("freedom", number(v.freedom));
    verdict.add("mach_low", number(v.mach_low));
    verdict.add("mach_high", number(v.mach_high));
    verdict.add("range_now", number(v.range_now));
    verdict.add("range_needed", v.range_needed ? number(*v.range_needed) : "null");
    verdict.add("beyond_reach", v.beyond_reach ? "true" : "false");
    verdict.add("text", quoted(verdict_text(f, u)));

    std::string shot_list = "[";
    for (std::size_t i = 0; i < shots.size(); ++i) {
        const ShotPlan& p = f.plan[i];
        Members m{"      ", {}};
        m.add("name", quoted(shots[i].name));
        m.add("group", number(shots[i].group));
        m.add("mv_source", quoted(mv_source_name(p.source)));
        m.add("MV", shots[i].mv ? number(*shots[i].mv) : "null");
        m.add("measurements", number(p.measurements));
        m.add("in_series", f.in_series[i] ? "true" : "false");
        m.add("too_few_to_fit_mv", p.too_few_to_fit_mv ? "true" : "false");
        shot_list += (i ? ",\n    " : "\n    ") + m.object("    ");
    }
    shot_list += shots.empty() ? "]" : "\n  ]";

    std::string outliers = "[";
    for (std::size_t k = 0; k < f.outliers.size(); ++k) {
        const Outlier& o = f.outliers[k];
        Members m{"      ", {}};
        m.add("shot", number(o.shot));
        m.add("name", quoted(shots[static_cast<std::size_t>(o.shot)].name));
        m.add("law", quoted(drag_law_name(o.law)));
        m.add("figure", quoted(figure_name(o.figure)));
        m.add("value", number(o.value));
        m.add("expected", number(o.expected));
        m.add("scale", number(o.robust_sd));
        m.add("deviations", number(o.deviations));
        m.add("text", quoted(outlier_text(o, shots)));
        outliers += (k ? ",\n    " : "\n    ") + m.object("    ");
    }
    outliers += f.outliers.empty() ? "]" : "\n  ]";

    std::string messages = "[";
    for (std::size_t k = 0; k < f.messages.size(); ++k) {
        const FitMessage& msg = f.messages[k];
        Members m{"      ", {}};
        m.add("kind", quoted(message_kind_name(msg.kind)));
        m.add("shots", names(msg.shots));
        m.add("text", quoted(fit_message_text(msg, shots, u)));
        messages += (k ? ",\n    " : "\n    ") + m.object("    ");
    }
    messages += f.messages.empty() ? "]" : "\n  ]";

    Members top{"  ", {}};
    top.add("schema", number(FitJsonSchema));
    top.add("fits", list);
    top.add("best", !f.laws.empty() && f.laws.front().series.outcome == FitOutcome::Fitted
                        ? number(f.laws.front().series.law)
                        : "null");
    top.add("verdict", verdict.object("  "));
    top.add("shots", shot_list);
    top.add("outliers", outliers);
    top.add("messages", messages);
    top.add("refused", f.refused ? "true" : "false");
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
