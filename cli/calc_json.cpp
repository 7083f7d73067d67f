#include "cli/calc_json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "engine/units.h"
#include "output/range_table.h"
#include "solver/field_checks.h"

namespace velora {

namespace {

std::string number(float value) {
    if (!std::isfinite(value)) return "null";
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

std::string number(int value) { return std::to_string(value); }

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
    Members m{"    ", {}};
    m.add("MV", number(s.MV));
    m.add("ZR", number(s.ZR));
    m.add("TR", number(s.TR));
    m.add("TRArray", array(s.TRArray, 4));
    m.add("SH", number(s.SH));
    m.add("TV", number(s.TV));
    m.add("POI", number(s.POI));
    m.add("ET", number(s.ET));
    m.add("DROP", number(s.DROP));
    m.add("BC", number(s.BC));
    m.add("MV_TOL", number(s.MV_TOL));
    m.add("TV_TOL", number(s.TV_TOL));
    m.add("TMP", number(s.TMP));
    m.add("PRES", number(s.PRES));
    m.add("HUMID", number(s.HUMID));
    m.add("TableStep", number(s.TableStep));
    m.add("CURVE", number(s.CURVE));
    m.add("stateBC", number(s.stateBC));
    m.add("stateRB", number(s.stateRB));
    m.add("stateBC_VAL", number(s.stateBC_VAL));
    m.add("stateMV", number(s.stateMV));
    m.add("stateZR", number(s.stateZR));
    m.add("stateTR", number(s.stateTR));
    m.add("stateSH", number(s.stateSH));
    m.add("stateTV", number(s.stateTV));
    m.add("statePOI", number(s.statePOI));
    m.add("stateET", number(s.stateET));
    m.add("stateDROP", number(s.stateDROP));
    m.add("stateTMP", number(s.stateTMP));
    m.add("statePRES", number(s.statePRES));
    m.add("statePAN", number(s.statePAN));
    m.add("mode", number(s.mode));
    m.add("mpag", number(s.mpag));
    m.add("ShowTarget", number(s.ShowTarget));
    m.add("Gaps", number(s.Gaps));
    m.add("AutoUpdateCheck", number(static_cast<int>(s.AutoUpdateCheck)));
    m.add("AutoLogoCheck", number(static_cast<int>(s.AutoLogoCheck)));
    m.add("EnableToolTips", number(static_cast<int>(s.EnableToolTips)));
    m.add("Scheme", number(s.Scheme));
    m.add("WinX", array(s.WinX, 2));
    m.add("WinY", array(s.WinY, 2));
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

}  // namespace

std::string calculation_json(const CalcState& s, const CalcResults& r, const RecalcOutcome& outcome,
                             bool with_trajectory) {
    Members m{"  ", {}};
    m.add("state", state_json(s));
    m.add("derived", derived_json(r));
    m.add("message", outcome.message ? quoted(*outcome.message) : "null");
    if (outcome.confidence) {
        Members c{"    ", {}};
        c.add("max", quoted(outcome.confidence->maximum));
        c.add("mean", quoted(outcome.confidence->mean));
        c.add("min", quoted(outcome.confidence->minimum));
        m.add("confidence", c.object("  "));
    } else {
        m.add("confidence", "null");
    }
    const TableLines table = fill_table(s, r);
    Members t{"    ", {}};
    t.add("header", text_array(table.header));
    t.add("rows", text_array(table.rows));
    m.add("table", t.object("  "));
    if (with_trajectory) m.add("trajectory", trajectory_json(r.trajectory));
    return m.object("") + "\n";
}

std::string flight_json(const CalcState& s, const Trajectory& t) {
    Members m{"  ", {}};
    m.add("state", state_json(s));
    m.add("derived", trajectory_derived(t).object("  "));
    m.add("trajectory", trajectory_json(t));
    return m.object("") + "\n";
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
