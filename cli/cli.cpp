#include "cli/cli.h"

#include "app/calc_state.h"
#include "cli/calc_json.h"
#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "engine/units.h"
#include "output/range_table.h"
#include "services/preferences.h"
#include "solver/recalculate.h"

#include <cmath>
#include <memory>
#include <optional>
#include <ostream>

namespace velora {

namespace {

constexpr const char* Usage =
    "usage: velora-cli trajectory FILE [KEY=VALUE ...] [--text]\n"
    "       velora-cli solve FILE [KEY=VALUE ...] [DROP=INCHES] [--trajectory | --text]\n"
    "       velora-cli predict FILE [KEY=VALUE ...] [DROP=INCHES] [--trajectory | --text]\n"
    "       velora-cli table FILE [KEY=VALUE ...]\n"
    "       velora-cli prefs FILE [KEY=VALUE ...]\n"
    "       velora-cli first-run\n"
    "       velora-cli number TEXT [DECIMALS]\n"
    "\n"
    "FILE is a preferences file (Velora.prefs); KEY=VALUE replaces one of its values, in internal\n"
    "units (ft/s, yd, in, s, degrees C, inHg, %), and is read and limited as the file is.\n"
    "trajectory  flies the file's projectile: one JSON object with \"state\", \"derived\" (FarZero,\n"
    "            NearZero, ApexRange, ApexPOI, ZeroIsFar, LastSample) and \"trajectory\" (arrays\n"
    "            drop, velocity, time, poi for yards 0..LastSample). --text prints a short table.\n"
    "solve       solves the BC from the measurement of the method stateRB (0 POI, 1 time,\n"
    "            2 velocity at target, 3 drop), as the window does after an edit;\n"
    "predict     keeps the BC and predicts the measurements. Both print one JSON object with\n"
    "            \"state\", \"derived\" (as above plus MaxZeroRange, MaxTargetRange), \"message\"\n"
    "            (the improbable-BC text or null), \"confidence\" (max, mean, min as shown) and\n"
    "            \"table\" (header, rows); --trajectory adds the trajectory, --text prints the\n"
    "            fields as the window shows them instead. DROP=INCHES, or a line \"DROP = value\"\n"
    "            in FILE, is the drop below the bore axis that stateRB=3 solves from.\n"
    "table       the range table as the window lists it.\n"
    "prefs       the preferences as the program reads them; first-run: the text a first run\n"
    "            writes; number: TEXT read as an input field reads it.\n"
    "Exit status: 0 done, 2 unreadable file or bad command line, 3 improbable BC (kept).\n";

int bad_usage(std::ostream& err, const std::string& why)
{
    err << "velora-cli: " << why << "\n" << Usage;
    return CliBadUsage;
}

// The state of a preferences file as the program reads it at start-up (but no first-run file is
// written for a missing one: the tool only reads), with the KEY=VALUE arguments put after the
// file's lines. The last line of a key counts, so each argument takes the place of the file's
// value and is read and limited exactly like it.
int load_state(const std::vector<std::string>& args, CalcState& s, std::ostream& err)
{
    if (args.size() < 2) return bad_usage(err, args[0] + " needs a preferences file");
    std::string overrides;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::size_t equals = args[i].find('=');
        if (equals == std::string::npos || !is_preference_key(args[i].substr(0, equals))) {
            return bad_usage(err, "'" + args[i] + "' is not KEY=VALUE with a key of the preferences file");
        }
        overrides += args[i] + "\n";
    }
    const std::optional<std::string> file = preferences_file_text(args[1]);
    if (!file) {
        err << "velora-cli: cannot read " << args[1] << "\n";
        return CliFailed;
    }
    read_preferences_text(*file + "\n" + overrides, s);
    return CliOk;
}

// A whole number 0..12 given on the command line, all of the argument.
std::optional<int> decimals_argument(const std::string& text)
{
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 12) return std::nullopt;
    return value;
}

std::string pad_right(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

int prefs_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CalcState s;
    if (const int code = load_state(args, s, err); code != CliOk) return code;
    // The saved form without its byte-order mark and first empty line, one key a line.
    const std::string saved = preferences_text(s);
    std::string text;
    for (std::size_t i = saved.find('\n') + 1; i < saved.size(); ++i) {
        if (saved[i] != '\r') text += saved[i];
    }
    out << text;
    return CliOk;
}

int number_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2 || args.size() > 3) return bad_usage(err, "number takes a text and at most a count of decimals");
    int decimals = 4;
    if (args.size() == 3) {
        const auto given = decimals_argument(args[2]);
        if (!given) return bad_usage(err, "decimals must be a whole number from 0 to 12");
        decimals = *given;
    }
    out << format_fixed(read_number(args[1]), decimals) << "\n";
    return CliOk;
}

// The flight of the file's projectile: the JSON object of flight_json, or with --text a short
// table in internal units, every TableStep yards out to the target range of the active method.
int trajectory_command(const std::vector<std::string>& all_args, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args;
    bool as_text = false;
    for (std::size_t i = 0; i < all_args.size(); ++i) {
        if (i > 0 && all_args[i] == "--text")
            as_text = true;
        else
            args.push_back(all_args[i]);
    }
    CalcState s;
    if (const int code = load_state(args, s, err); code != CliOk) return code;
    const FlightInputs in = flight_inputs(s);
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(in, *tr);
    if (!as_text) {
        out << flight_json(s, *tr);
        return CliOk;
    }
    const float target = s.TRArray[active_slot(s)];
    const float step = s.TableStep;

    out << "Drag law " << drag_law_name(in.CURVE) << ", BC " << format_fixed(in.BC, 4) << ", muzzle velocity "
        << format_fixed(in.MV, 1) << " ft/s, sight height " << format_fixed(in.SH, 2) << " in, zero range "
        << format_fixed(in.ZR, 1) << " yd\n";
    out << "Air " << format_fixed(in.TMP, 1) << " °C, " << format_fixed(in.PRES, 2) << " inHg, "
        << format_fixed(in.HUMID, 1) << " %: density " << format_fixed(air_density(in.TMP, in.PRES, in.HUMID), 6)
        << " lbm/ft³, speed of sound " << format_fixed(speed_of_sound(in.TMP), 1) << " ft/s\n";
    out << "Near zero " << format_fixed(tr->NearZero, 1) << " yd, far zero " << format_fixed(tr->FarZero, 1)
        << " yd, apex " << format_fixed(tr->ApexPOI, 2) << " in at " << format_fixed(tr->ApexRange, 1) << " yd\n";
    out << "Target range " << format_fixed(target, 1) << " yd, step " << format_fixed(step, 1) << " yd\n\n";
    out << "  Range  Velocity      PoI     Time     Drop\n";
    out << "   (yd)    (ft/s)     (in)      (s)     (in)\n";

    const auto row = [&](float range) {
        out << pad_left(format_fixed(range, 1), 7) << pad_left(format_fixed(velocity_at(*tr, range), 1), 10)
            << pad_left(format_fixed(poi_at(*tr, range), 2), 9) << pad_left(format_fixed(time_at(*tr, range), 4), 9)
            << pad_left(format_fixed(drop_at(*tr, range), 2), 9) << "\n";
    };
    // Whole steps up to the target, then the target itself when it falls between two steps. The
    // loaded step is at least half a yard and the target at most 1901 yd.
    const int steps = static_cast<int>(std::floor(target / step));
    for (int i = 0; i <= steps; ++i) row(static_cast<float>(i) * step);
    if (static_cast<float>(steps) * step < target) row(target);
    return CliOk;
}

// The range table of the window, line for line, after the prediction pass that start-up runs.
int table_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    CalcState s;
    if (const int code = load_state(args, s, err); code != CliOk) return code;
    auto r = std::make_unique<CalcResults>();
    s.ChangeKind = 1;
    recalculate(s, *r, false);
    const TableLines table = fill_table(s, *r);
    for (const std::string& line : table.header) out << line << "\n";
    for (const std::string& line : table.rows) out << line << "\n";
    return CliOk;
}

// Name and unit of an input field as the output shows them; the humidity has no unit list.
std::string field_name(FieldId field)
{
    static constexpr const char* Names[] = {"MV",  "ZR", "TR",  "SH",   "TV",    "POI",    "ET",
                                            "DROP", "BC", "TMP", "PRES", "HUMID", "MV_TOL", "TV_TOL"};
    return Names[static_cast<int>(field) - FirstFieldId];
}

std::string field_unit(const CalcState& s, FieldId field)
{
    switch (field) {
    case FieldId::MV: return unit_caption(Quantity::Velocity, s.stateMV);
    case FieldId::TV: return unit_caption(Quantity::Velocity, s.stateTV);
    case FieldId::ZR: return unit_caption(Quantity::Range, s.stateZR);
    case FieldId::TR: return unit_caption(Quantity::Range, s.stateTR);
    case FieldId::SH: return unit_caption(Quantity::SmallLength, s.stateSH);
    case FieldId::POI: return unit_caption(Quantity::SmallLength, s.statePOI);
    case FieldId::DROP: return unit_caption(Quantity::SmallLength, s.stateDROP);
    case FieldId::ET: return unit_caption(Quantity::Time, s.stateET);
    case FieldId::TMP: return unit_caption(Quantity::Temperature, s.stateTMP);
    case FieldId::PRES: return unit_caption(Quantity::Pressure, s.statePRES);
    case FieldId::HUMID: return "%";
    default: return "";
    }
}

// One recalculation pass over the file's state, as the window runs it after an edit: ChangeKind
// 2 solves the BC from the active method's measurement, 1 keeps the BC and predicts the
// measurements. Prints the pass as one JSON object (cli/calc_json.h), --trajectory adds the
// trajectory to it; --text prints the fields as the window would refill them, and the confidence
// limits, instead. The drop is no key of the preferences file: a "DROP = value" line of the file
// or a DROP=VALUE argument (inches, the argument first) gives it, read as the drop field reads it.
int calculate_command(const std::vector<std::string>& all_args, int change_kind, std::ostream& out,
                      std::ostream& err)
{
    std::vector<std::string> args;
    bool as_text = false, with_trajectory = false;
    std::optional<float> drop;
    for (std::size_t i = 0; i < all_args.size(); ++i) {
        if (i > 0 && all_args[i] == "--text") {
            as_text = true;
        } else if (i > 0 && all_args[i] == "--trajectory") {
            with_trajectory = true;
        } else if (const auto given = i > 1 ? drop_line(all_args[i]) : std::nullopt) {
            if (!drop) drop = given;
        } else {
            args.push_back(all_args[i]);
        }
    }
    if (with_trajectory && as_text) return bad_usage(err, "--trajectory goes with the JSON output, not --text");

    CalcState s;
    if (const int code = load_state(args, s, err); code != CliOk) return code;
    if (!drop) {
        if (const auto file = preferences_file_text(args[1])) drop = drop_line(*file);
    }
    if (drop) s.DROP = *drop;
    auto r = std::make_unique<CalcResults>();
    s.ChangeKind = change_kind;
    const RecalcOutcome outcome = recalculate(s, *r, true);
    if (!as_text) {
        out << calculation_json(s, *r, outcome, with_trajectory);
        return outcome.message ? CliImprobableBc : CliOk;
    }

    out << method_heading(s.stateRB) << "\n";
    out << "Drag law " << outcome.texts.drag_law_description << "\n";
    out << "BC " << outcome.texts.bc << (change_kind == 2 && !outcome.message ? " solved" : " kept") << "\n";
    for (const FieldDisplay& f : outcome.texts.fields) {
        if (f.field == FieldId::BC) continue;
        out << pad_right(field_name(f.field), 7) << pad_left(f.text, 10);
        const std::string unit = field_unit(s, f.field);
        if (!unit.empty()) out << " " << unit;
        if (f.field == FieldId::ZR) out << " (" << outcome.texts.zero.caption << ")";
        out << "\n";
    }
    if (outcome.confidence) {
        const ConfidencePage& c = *outcome.confidence;
        out << "Maximum BC " << c.maximum << ", mean BC " << c.mean << ", minimum BC " << c.minimum << "\n";
    }
    if (outcome.message) {
        std::string text = *outcome.message;
        for (char& ch : text) {
            if (ch == '\r') ch = '\n';
        }
        err << ImprobableBcTitle << text << "\n";
        return CliImprobableBc;
    }
    return CliOk;
}

}  // namespace

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) return bad_usage(err, "no command given");
    const std::string& command = args[0];
    if (command == "prefs") return prefs_command(args, out, err);
    if (command == "trajectory") return trajectory_command(args, out, err);
    if (command == "table") return table_command(args, out, err);
    if (command == "solve") return calculate_command(args, 2, out, err);
    if (command == "predict") return calculate_command(args, 1, out, err);
    if (command == "number") return number_command(args, out, err);
    if (command == "first-run") {
        if (args.size() != 1) return bad_usage(err, "first-run takes no arguments");
        out << FirstRunPreferencesText;
        return CliOk;
    }
    if (command == "help" || command == "--help" || command == "-h") {
        out << Usage;
        return CliOk;
    }
    return bad_usage(err, "unknown command '" + command + "'");
}

}  // namespace velora
