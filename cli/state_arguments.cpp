#include "cli/state_arguments.h"

#include "cli/calc_json.h"
#include "cli/state_members.h"
#include "engine/drag_laws.h"
#include "engine/trajectory.h"
#include "engine/units.h"
#include "services/preferences.h"
#include "solver/bc_solver.h"
#include "solver/calc_results.h"
#include "solver/display_texts.h"
#include "solver/field_checks.h"
#include "solver/input_limits.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <istream>
#include <memory>

namespace velora {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// One entry of the state given on the command line.
struct Given {
    const StateMember* member;
    int index;             // the entry of an array, else 0
    float real = 0;        // floats, in the internal unit with the sign as typed
    int whole = 0;         // whole numbers and flags
    std::string argument;  // as typed, for messages
};

std::string quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// A whole number: blanks, an optional sign and digits, nothing else.
std::optional<long long> whole_number(std::string_view text) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 12) return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

std::optional<std::string> read_entry(const std::string& argument, const StateMember& m, int index,
                                      std::string_view text, Given& given) {
    given = {&m, index, 0.0f, 0, argument};
    if (m.real) {
        const UnitValue v = read_unit_value(text, m.kind);
        if (!v.ok()) {
            return quoted(argument) + ": " + v.error;
        }
        given.real = v.value;
        return std::nullopt;
    }
    const PreferenceKey* key = preference_key(member_file_key(m, index));
    std::optional<long long> value = whole_number(text);
    // A drag law may be named: CURVE takes its number, stateBC its place in the list.
    const bool curve = std::strcmp(m.name, "CURVE") == 0, list = std::strcmp(m.name, "stateBC") == 0;
    if (!value && (curve || list)) {
        if (const std::optional<int> law = drag_law_named(trim(text)))
            value = curve ? *law : list_position_of_drag_law(*law);
        else if (const std::string_view t = trim(text); t.empty() || !std::strchr("0123456789+-.", t.front()))
            return quoted(argument) + ": " + m.name +
                   (curve ? " is a drag law's number" : " is a place in the drag-law list") + " from " +
                   std::to_string(key ? key->lowest : 0) + " to " + std::to_string(key ? key->highest : 0) +
                   " or a law's name: " + drag_law_names_in_list_order();
    }
    const bool in_range = value && key && *value >= key->lowest && *value <= key->highest;
    if (!in_range) {
        if (!key || (key->lowest == INT_MIN && key->highest == INT_MAX))
            return quoted(argument) + ": not a whole number";
        if (key->lowest == 0 && key->highest == 1) return quoted(argument) + ": " + m.name + " is 0 or 1";
        return quoted(argument) + ": " + m.name + " is a whole number from " + std::to_string(key->lowest) + " to " +
               std::to_string(key->highest);
    }
    given.whole = static_cast<int>(*value);
    return std::nullopt;
}

// KEY=VALUE into its entries; an array without an index takes one value per entry, separated by
// commas.
std::optional<std::string> read_argument(const std::string& argument, std::vector<Given>& out) {
    const std::size_t equals = argument.find('=');
    const std::string_view key =
        equals == std::string::npos ? std::string_view() : trim(std::string_view(argument).substr(0, equals));
    if (key.empty()) return quoted(argument) + " is not KEY=VALUE";
    const std::optional<NamedMember> named = find_state_member(key);
    if (!named)
        return quoted(argument) + ": " + std::string(key) + " is no key of the state or of the preferences file";
    const StateMember& m = *named->member;
    const std::string_view value = std::string_view(argument).substr(equals + 1);

    if (named->index || m.count == 1) {
        if (value.find(',') != std::string_view::npos)
            return quoted(argument) + ": " + std::string(key) + " takes one value";
        Given g{};
        if (auto error = read_entry(argument, m, named->index.value_or(0), value, g)) return error;
        out.push_back(g);
        return std::nullopt;
    }
    std::vector<std::string_view> parts;
    for (std::string_view rest = value;;) {
        const std::size_t comma = rest.find(',');
        parts.push_back(rest.substr(0, comma));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    if (static_cast<int>(parts.size()) != m.count) {
        return quoted(argument) + ": " + m.name + " takes " + std::to_string(m.count) +
               " values separated by commas (or one as " + member_file_key(m, 0) + "=VALUE)";
    }
    for (int i = 0; i < m.count; ++i) {
        Given g{};
        if (auto error = read_entry(argument, m, i, parts[i], g)) return error;
        out.push_back(g);
    }
    return std::nullopt;
}

std::string file_line(const Given& g) {
    const std::string value = g.member->real ? json_number(g.real) : std::to_string(g.whole);
    return member_file_key(*g.member, g.index) + " = " + value + "\n";
}

bool is_member(const Given& g, const char* name) { return std::strcmp(g.member->name, name) == 0; }

// The unit selections of the fields, in the order of their rows, set to the internal units while
// a given value goes through its field's check, and put back after.
using UnitSelections = std::vector<int>;

UnitSelections internal_units(CalcState& s) {
    UnitSelections kept;
    for (const Input& in : Inputs) {
        if (in.unit == nullptr) continue;
        kept.push_back(s.*in.unit);
        s.*in.unit = internal_unit(quantity_of(in.kind));
    }
    return kept;
}

void restore_units(CalcState& s, const UnitSelections& u) {
    std::size_t i = 0;
    for (const Input& in : Inputs)
        if (in.unit != nullptr) s.*in.unit = u[i++];
}

// The flight and the range limits of the state as it stands, as the last pass leaves them.
void fly(const CalcState& s, CalcResults& r) {
    compute_trajectory(flight_inputs(s), r.trajectory);
    r.MaxZeroRange = max_target_range(s);
    r.MaxTargetRange = 2.0f * r.MaxZeroRange;
}

// The range hint of a field in the unit the state selects.
std::string hint(const CalcState& s, const CalcResults& r, const UnitSelections& units, FieldId field) {
    CalcState shown = s;
    restore_units(shown, units);
    return field_range_hint(shown, r, field).value_or("");
}

}  // namespace

std::string input_name(const std::string& path) { return path == "-" ? "standard input" : path; }

std::optional<std::string> read_input(const std::string& path, std::istream& in, std::string& text,
                                      const std::string& what) {
    text.clear();
    if (path == "-") {
        // Up to one byte past the limit and no further: endless input (yes, /dev/zero) is refused
        // as soon as it passes the limit, in the memory of the limit.
        char buffer[16384];
        while (text.size() <= LargestPreferencesFile && in.read(buffer, sizeof buffer).gcount() > 0)
            text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (in.bad()) return "cannot read standard input";
        if (text.size() > LargestPreferencesFile) {
            text.clear();
            text.shrink_to_fit();
            return "standard input is too large for " + what;
        }
        return std::nullopt;
    }
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "cannot read " + path + ": " + std::strerror(errno);
    char buffer[16384];
    std::size_t n = 0;
    while (text.size() <= LargestPreferencesFile && (n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    const int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error != 0) return "cannot read " + path + ": " + std::strerror(error);
    if (text.size() > LargestPreferencesFile) return path + " is too large for " + what;
    return std::nullopt;
}

std::optional<std::string> load_state(std::string_view file_text, const std::string& file_name,
                                      const std::vector<std::string>& arguments, CalcState& s) {
    if (!has_preference_key(file_text)) return file_name + ": no preferences key found (not a preferences file)";
    std::vector<Given> given;
    for (const std::string& argument : arguments) {
        if (auto error = read_argument(argument, given)) return error;
    }

    // The file, then every value that no field checks, read as the file's are (the last line of a
    // key counts).
    std::string text(file_text);
    text += "\n";
    for (const Given& g : given) {
        if (!g.member->field && !is_member(g, "TRArray")) text += file_line(g);
    }
    read_preferences_text(text, s);
    const CalcState held = s;
    const int slot = active_slot(s);

    // The target ranges of the other methods are limited as the file's are.
    const Given* target = nullptr;  // the last value given for the active method's target
    bool other_slots = false;
    for (const Given& g : given) {
        if (is_member(g, "TR") || (is_member(g, "TRArray") && g.index == slot)) {
            target = &g;
        } else if (is_member(g, "TRArray")) {
            text += file_line(g);
            other_slots = true;
        }
    }
    if (other_slots) read_preferences_text(text, s);
    if (const auto drop = drop_line(file_text))
        s.DROP = *drop;
    else
        s.DROP = check_drop(json_number(s.DROP), Inch);

    // Every other field value through its field's check, in the field order (the velocity at the
    // target after the muzzle velocity that bounds it); the last value of a field counts.
    auto r = std::make_unique<CalcResults>();
    const UnitSelections units = internal_units(s);
    const auto last_of = [&given](FieldId field) {
        const Given* last = nullptr;
        for (const Given& g : given) {
            if (g.member->field == field) last = &g;
        }
        return last;
    };
    for (int id = FirstFieldId; id <= LastFieldId; ++id) {
        const auto field = static_cast<FieldId>(id);
        const Given* g = last_of(field);
        if (!g || field == FieldId::ZR || field == FieldId::TR) continue;
        if (refused(s, field, json_number(g->real)))
            return quoted(g->argument) + " is outside " + hint(s, *r, units, field);
        commit_field(s, *r, field, json_number(g->real));
    }

    // The ranges against the flight of all that: first the zero, whose far zero bounds a DeltaPOI
    // target, then the target.
    fly(s, *r);
    if (const Given* zero = last_of(FieldId::ZR); zero && std::fabs(zero->real) != held.ZR) {
        commit_field(s, *r, FieldId::ZR, json_number(zero->real));
        fly(s, *r);
    }
    if (target && std::fabs(target->real) != held.TRArray[slot]) {
        if (std::fabs(target->real) > r->MaxTargetRange) {
            return quoted(target->argument) + " is beyond the flight's limit: " + hint(s, *r, units, FieldId::TR);
        }
        commit_field(s, *r, FieldId::TR, json_number(target->real));
    }
    // As every pass begins: the target range in use is the active method's.
    s.TR = s.TRArray[slot];
    restore_units(s, units);
    s.ChangeKind = 0;
    return std::nullopt;
}

}  // namespace velora
