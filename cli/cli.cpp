#include "cli/cli.h"

#include "cli/calc_json.h"
#include "cli/curve_output.h"
#include "cli/state_arguments.h"
#include "cli/state_members.h"
#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/drag_curve.h"
#include "engine/number_text.h"
#include "engine/projectile.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "engine/units.h"
#include "output/curve_plot.h"
#include "output/range_table.h"
#include "output/report.h"
#include "services/file_replace.h"
#include "services/preferences.h"
#include "services/readers/drag_table.h"
#include "services/readers/readers.h"
#include "services/readers/string_texts.h"
#include "services/readers/text_input.h"
#include "services/shots_file.h"
#include "solver/bc_solver.h"
#include "solver/curve_fit.h"
#include "solver/fit_energy.h"
#include "solver/fit_texts.h"
#include "solver/recalculate.h"
#include "solver/shot_fit.h"
#include "solver/string_fit.h"
#include "solver/string_fit_texts.h"
#include "solver/table_fit.h"
#include "state/calc_state.h"
#include "velora_version.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

namespace velora {

namespace {

struct CliIo {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    const ReportPdfWriter* pdf = nullptr;
    const CurvePlotWriter* plot = nullptr;
};

// A command's arguments with its options taken out, in their order.
struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    std::vector<std::string> options;

    bool has_value(const std::string& option) const { return !values(option).empty(); }
    bool has(const char* option) const {
        for (const std::string& o : options) {
            if (o == option) return true;
        }
        return false;
    }
    // The value of an option given as "--format NAME" or "--format=NAME"; empty when not given.
    std::string value(const std::string& option) const {
        const std::vector<std::string> given = values(option);
        return given.empty() ? std::string() : given.front();
    }
    // Every value of an option that may be given more than once ("--law GA --law GA2").
    std::vector<std::string> values(const std::string& option) const {
        std::vector<std::string> out;
        for (const std::string& o : options) {
            if (o.rfind(option + "=", 0) == 0) out.push_back(o.substr(option.size() + 1));
        }
        return out;
    }
};

// The options that take a value, as "--law NAME" or "--law=NAME".
const char* const ValuedOptions[] = {"--format", "--law",   "--drag-table", "--schema",
                                     "--title",  "--notes", "-o",           "--plot"};

// What a valued option given without its value lacks.
std::string missing_value_text(const std::string& option) {
    if (option == "--law") return " needs a drag law's name";
    if (option == "--drag-table") return " needs a drag table's file";
    if (option == "--format" || option == "--schema") return " needs a format's name";
    if (option == "-o" || option == "--plot") return " needs a file's name";
    return " needs a text";
}

// One command of the tool. A new command is one more entry in command_table() below: its run
// function, its synopsis for the usage and its help text; `takes_state` adds the FILE and
// KEY=VALUE explanation to its help.
struct Command {
    const char* name;
    const char* synopsis;  // after "velora-cli "
    const char* summary;   // one line in the list of commands
    const char* help;      // what it does, for "velora-cli help NAME"
    std::vector<const char*> options;
    bool takes_state;
    int (*run)(const CommandLine&, CliIo&);
};

const std::vector<Command>& command_table();

const char* const ExitStatusText =
    "Exit status: 0 done; 2 a file that cannot be read or is no preferences file, a shots file that\n"
    "cannot be fitted, a command line the tool does not take or a value it refuses (one line on\n"
    "standard error); 3 the solve needed a BC outside 0.004 to 1.2, so the BC was kept (the JSON\n"
    "carries the message).\n";

const Command* find_command(const std::string& name) {
    for (const Command& c : command_table()) {
        if (name == c.name) return &c;
    }
    return nullptr;
}

int fail(CliIo& io, int code, const std::string& message) {
    io.err << "velora-cli: " << message << "\n";
    return code;
}

int bad_usage(CliIo& io, const CommandLine& cl, const std::string& why) {
    return fail(io, CliBadUsage, why + "; see 'velora-cli help " + cl.command + "'");
}

// Words joined by blanks, wrapped before `width` columns, each line begun with `indent`.
std::string wrapped(const std::vector<std::string>& words, std::size_t width, const std::string& indent) {
    std::string out, line = indent;
    for (const std::string& w : words) {
        if (line.size() > indent.size() && line.size() + 1 + w.size() > width) {
            out += line + "\n";
            line = indent;
        }
        line += (line.size() > indent.size() ? " " : "") + w;
    }
    return out + line + "\n";
}

// The drag laws with their numbers and their places in the window's list.
std::string drag_laws_help() {
    std::string text =
        "Drag laws: CURVE takes a law's number or its name in any letter case (CURVE=RA4, CURVE=ra4);\n"
        "stateBC is the law's place in the window's list and takes the name too. --law NAME sets both\n"
        "(trajectory, solve, predict); fit fits only the laws that --law names.\n"
        "  Law   CURVE  list\n";
    for (const BuiltInDragLaw& law : DragLaws) {
        const std::string number = std::to_string(law.code), position = std::to_string(law.list_position);
        text += "  " + std::string(law.name) + std::string(6 - law.name.size(), ' ') +
                std::string(5 - number.size(), ' ') + number + std::string(6 - position.size(), ' ') + position + "\n";
    }
    return text;
}

std::string state_help() {
    std::vector<std::string> keys;
    for (const StateMember& m : state_members()) keys.push_back(m.name);
    return "FILE is a preferences file (Velora.prefs, or one written by velora-cli first-run), read as the\n"
           "program reads it; - reads it from standard input.\n"
           "\n"
           "KEY=VALUE sets one value after the file's. KEY is a member of the JSON \"state\" or a key of the\n"
           "file (_POI, TRArray(2)), in any letter case:\n" +
           wrapped(keys, 96, "  ") +
           "Arrays take one value per entry separated by commas (TRArray=40,50,60,50, WinX=-1,-1), or\n"
           "one entry as TRArray(2)=60. TR is the target range of the active method (entry stateRB of\n"
           "TRArray). stateRB: 0 point of impact, 1 time of flight, 2 velocity at the target, 3 drop.\n"
           "\n" +
           drag_laws_help() +
           "\n"
           "A value without a unit is in the internal unit (ft/s, yd, in, s, C, inHg, %); a unit suffix\n"
           "converts it as the window converts a value typed in that unit:\n"
           "  velocity " +
           unit_suffixes(ValueKind::Velocity) + "; range " + unit_suffixes(ValueKind::Range) + "; length " +
           unit_suffixes(ValueKind::SmallLength) + "; time " + unit_suffixes(ValueKind::Time) + ";\n  temperature " +
           unit_suffixes(ValueKind::Temperature) + "; pressure " + unit_suffixes(ValueKind::Pressure) +
           " (hPa and mbar are the window's mBar); percent %\n"
           "(MV=240m/s, TR=40m, POI=19mm, ET=170.8ms, TMP=75F, PRES=1013hPa, HUMID=32%).\n"
           "Each value goes through its input field's check as if typed there (MV=5000 becomes 4000,\n"
           "POI=0.5 becomes -0.5); a temperature or pressure outside the window's range and a target\n"
           "range beyond the flight's limit are refused.\n"
           "\n"
           "The projectile (trajectory, solve, predict, fit): WEIGHT=8.44gr or 0.547g, CAL=.177in or\n"
           "4.5mm, LEN=6.1mm (in or mm), ENERGY_LIMIT=12ftlbf, 7.5J or none. With them the output gives\n"
           "the sectional density (lb/in²), the form factor SD / BC against the law, the energy (ft·lbf,\n"
           "J) and momentum at the muzzle and at the target, and whether the muzzle energy (and each\n"
           "shot's of an imported string) is above the limit; the JSON as the member \"projectile\". fit\n"
           "takes the weight an imported string recorded on the device where WEIGHT is not given.\n"
           "\n"
           "--drag-table T (trajectory, solve, predict, fit) flies the projectile's own drag table in place\n"
           "of the law: a .drg file (a CFM header, then Cd and Mach a line), a CSV of mach,cd (# comments)\n"
           "or the JSON form of a drag table. The BC is the sectional density over the form factor:\n"
           "FORM=1 unless given (the table is the projectile's own), whatever BC FILE holds; WEIGHT and\n"
           "CAL come from the table where not given. solve solves the form factor. The JSON names the\n"
           "law \"table\" and carries \"drag_table\" (name, file, points, span, form_factor, BC,\n"
           "beyond_span: the flight left the table's Mach span and held its end value); predict and\n"
           "solve give \"measurements\" (TV, POI, ET, DROP at TR) in place of the window's table. fit\n"
           "ranks the table beside the laws, its BC (and, with WEIGHT and CAL, its form factor) fitted.\n";
}

std::string usage() {
    std::string text;
    const char* lead = "usage: ";
    for (const Command& c : command_table()) {
        text += std::string(lead) + "velora-cli " + c.synopsis + "\n";
        lead = "       ";
    }
    text +=
        "       velora-cli help [COMMAND]   (or velora-cli COMMAND --help)\n"
        "       velora-cli --version\n\n";
    for (const Command& c : command_table()) {
        std::string name = c.name;
        text += "  " + name + std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') + c.summary + "\n";
    }
    text +=
        "\nFILE is a preferences file (Velora.prefs, or one written by velora-cli first-run); - reads it\n"
        "from standard input. KEY=VALUE sets one value of the state, in the internal unit or with a\n"
        "unit suffix (MV=240m/s): see 'velora-cli help solve'.\n\n" +
        drag_laws_help() + "\n";
    return text + ExitStatusText;
}

std::string command_help(const Command& c) {
    std::string text = "usage: velora-cli " + std::string(c.synopsis) + "\n\n" + c.help;
    if (c.takes_state) text += "\n" + state_help();
    return text + "\n" + ExitStatusText;
}

// The bytes of PATH, or of standard input for "-", read up to the readers' limit and no further.
std::optional<std::string> read_string_input(const std::string& path, std::istream& in, std::string& bytes) {
    bytes.clear();
    if (path != "-") return read_file_limited(path, bytes, LargestStringInput);
    char buffer[65536];
    while (bytes.size() <= LargestStringInput && in.read(buffer, sizeof buffer).gcount() > 0)
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return std::string("cannot read standard input");
    if (bytes.size() > LargestStringInput) {
        bytes.clear();
        return std::string("standard input is larger than 64 MiB");
    }
    return std::nullopt;
}

// The projectile's arguments, which are no members of the state and no keys of the preferences
// file: WEIGHT (gr or g), CAL and LEN (in or mm) and ENERGY_LIMIT (ft·lbf or J, or none).
struct ProjectileArguments {
    Projectile projectile;
    std::optional<EnergyLimit> limit;
    std::optional<double> form;  // FORM: the form factor against a drag table
};

const char* const ProjectileKeys[] = {"WEIGHT", "CAL", "LEN", "ENERGY_LIMIT", "FORM"};

// A form factor far outside this is no projectile's against any table.
constexpr double LeastFormFactor = 0.05, MostFormFactor = 20.0;

// The key of a KEY=VALUE argument when it is one of the projectile's, in upper case; else "".
std::string projectile_key(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos) return {};
    std::string key = argument.substr(0, equals);
    for (char& c : key) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    for (const char* k : ProjectileKeys)
        if (key == k) return key;
    return {};
}

// Takes the projectile's arguments out of `assignments` into `out`; nothing when each was read,
// else the one-line reason.
std::optional<std::string> take_projectile_arguments(std::vector<std::string>& assignments, ProjectileArguments& out) {
    std::vector<std::string> rest;
    for (const std::string& a : assignments) {
        const std::string key = projectile_key(a);
        if (key.empty()) {
            rest.push_back(a);
            continue;
        }
        const std::string value = a.substr(a.find('=') + 1);
        if (key == "FORM") {
            const std::optional<double> form = read_decimal(value, false);
            if (!form || !(*form >= LeastFormFactor && *form <= MostFormFactor))
                return "'" + a + "': a form factor from 0.05 to 20";
            out.form = *form;
            continue;
        }
        if (key == "ENERGY_LIMIT") {
            const EnergyLimitRead limit = read_energy_limit(value);
            if (!limit.ok()) return "'" + a + "': " + limit.error;
            out.limit = limit.limit;
            continue;
        }
        const ProjectileQuantity q = key == "WEIGHT" ? ProjectileQuantity::Weight
                                     : key == "CAL"  ? ProjectileQuantity::Calibre
                                                     : ProjectileQuantity::Length;
        const ProjectileValue v = read_projectile_value(value, q);
        if (!v.ok()) return "'" + a + "': " + v.error;
        (q == ProjectileQuantity::Weight    ? out.projectile.weight_gr
         : q == ProjectileQuantity::Calibre ? out.projectile.calibre_in
                                            : out.projectile.length_in) = v.value;
        out.projectile.source = "typed";
    }
    assignments = std::move(rest);
    return std::nullopt;
}

// KEY=VALUE where a file belongs, and no file of that name: the file was left out.
bool assignment_in_place_of_file(const std::string& path) {
    std::error_code ignored;
    const std::size_t equals = path.find('=');
    return equals != std::string::npos &&
           (find_state_member(path.substr(0, equals)) || !projectile_key(path).empty()) &&
           !std::filesystem::exists(path, ignored);
}

// The laws that the --law options name, into `laws`; 0 when every name is a law's, else the exit
// status of the message written.
int named_laws(const CommandLine& cl, CliIo& io, std::vector<int>& laws) {
    for (const std::string& name : cl.values("--law")) {
        const std::optional<int> law = drag_law_named(name);
        if (!law) {
            return fail(io, CliBadUsage,
                        "'--law " + name + "': no drag law of that name (" + drag_law_names_in_list_order() + ")");
        }
        if (std::find(laws.begin(), laws.end(), *law) == laws.end()) laws.push_back(*law);
    }
    return CliOk;
}

// FILE and the KEY=VALUE operands after the first `files` operands into `s`, the projectile's into
// `projectile` (where the command takes them); 0 when loaded, else the exit status of the message
// written. `file_text` receives the file's bytes.
int load_command_state(const CommandLine& cl, CliIo& io, CalcState& s, std::string& file_text, std::size_t files = 1,
                       ProjectileArguments* projectile = nullptr) {
    if (cl.operands.empty())
        return bad_usage(io, cl, cl.command + " needs a preferences file (FILE, or - for standard input)");
    const std::string& path = cl.operands.front();
    if (assignment_in_place_of_file(path)) {
        return bad_usage(io, cl, cl.command + " needs a preferences file before '" + path + "'");
    }
    if (auto error = read_input(path, io.in, file_text)) return fail(io, CliFailed, *error);
    const auto first_assignment = static_cast<std::ptrdiff_t>(std::min(files, cl.operands.size()));
    std::vector<std::string> assignments(cl.operands.begin() + first_assignment, cl.operands.end());
    if (cl.command != "fit") {
        // --law NAME: the law and its place in the list, after the KEY=VALUEs.
        std::vector<int> laws;
        if (const int code = named_laws(cl, io, laws); code != CliOk) return code;
        if (laws.size() > 1) return bad_usage(io, cl, "--law is given more than once");
        for (const int law : laws) {
            assignments.push_back("CURVE=" + std::to_string(law));
            assignments.push_back("stateBC=" + std::to_string(list_position_of_drag_law(law)));
        }
    }
    if (projectile) {
        if (auto error = take_projectile_arguments(assignments, *projectile)) return fail(io, CliFailed, *error);
    } else {
        for (const std::string& a : assignments) {
            if (!projectile_key(a).empty())
                return bad_usage(io, cl, "'" + a + "' describes the projectile, which " + cl.command + " does not use");
        }
    }
    if (auto error = load_state(file_text, input_name(path), assignments, s)) return fail(io, CliFailed, *error);
    return CliOk;
}

// A drag table given with --drag-table, flown in place of the built-in law with the BC its
// projectile's sectional density over the form factor.
struct TableLaw {
    DragTableFile file;
    std::string path;
    TabulatedDragCurve curve;
    DragTableUse use;
};

// The table of --drag-table, where given, into `law`, the projectile completed from it; 0 when
// done (or none given), else the exit status of the message written.
int load_table_law(const CommandLine& cl, CliIo& io, ProjectileArguments& given, std::optional<TableLaw>& law,
                   bool needs_sd = true) {
    const std::vector<std::string> paths = cl.values("--drag-table");
    if (paths.empty()) {
        if (given.form) return bad_usage(io, cl, "FORM is the form factor against a drag table: give --drag-table");
        return CliOk;
    }
    if (paths.size() > 1) return bad_usage(io, cl, "--drag-table is given more than once");
    const DragTableRead read = read_drag_table_file(paths.front());
    if (!read.ok()) return fail(io, CliFailed, read.error);
    auto made = make_drag_curve(read.table->points);
    if (!std::holds_alternative<TabulatedDragCurve>(made))
        return fail(io, CliFailed, paths.front() + ": no drag curve");
    TableLaw t{*read.table, paths.front(), std::get<TabulatedDragCurve>(std::move(made)), {}};
    // The arguments' values first, the table's where they give none.
    Projectile& p = given.projectile;
    const Projectile& stated = t.file.projectile;
    const bool from_table = (!p.weight_gr && stated.weight_gr) || (!p.calibre_in && stated.calibre_in);
    if (!p.weight_gr) p.weight_gr = stated.weight_gr;
    if (!p.calibre_in) p.calibre_in = stated.calibre_in;
    if (!p.length_in) p.length_in = stated.length_in;
    if (from_table) p.source = p.source.empty() ? "from the drag table" : "typed and from the drag table";
    const std::optional<double> sd = sectional_density(p);
    if (!sd && !needs_sd) {
        t.use = {t.file.name,
                 paths.front(),
                 static_cast<int>(t.file.points.size()),
                 t.curve.first_mach(),
                 t.curve.last_mach(),
                 std::numeric_limits<double>::quiet_NaN(),
                 0.0f,
                 false,
                 false};
        law = std::move(t);
        return CliOk;
    }
    if (!sd) {
        return fail(io, CliFailed,
                    "a drag table flies with the projectile's sectional density, and " + t.file.name + " states no " +
                        (p.weight_gr ? "calibre: give CAL=" : "weight: give WEIGHT=") +
                        (p.weight_gr || p.calibre_in ? "" : " and CAL="));
    }
    const double form = given.form.value_or(1.0);
    const auto bc = static_cast<float>(*sd / form);
    if (!(bc >= 0.004f && bc <= 1.2f)) {
        return fail(io, CliFailed,
                    "the sectional density " + format_fixed(*sd, 4) + " lb/in² over the form factor " +
                        format_fixed(form, 3) + " is a BC of " + format_fixed(bc, 4) + ", outside 0.004 to 1.2");
    }
    t.use = {t.file.name,
             paths.front(),
             static_cast<int>(t.file.points.size()),
             t.curve.first_mach(),
             t.curve.last_mach(),
             form,
             bc,
             false,
             false};
    law = std::move(t);
    return CliOk;
}

// The table's line of a --text output.
std::string table_line(const DragTableUse& t) {
    std::string out =
        table_heading(t.name, std::filesystem::path(t.file).filename().string(), t.points, t.first_mach, t.last_mach) +
        ", form factor " + format_fixed(t.form_factor, 4) + (t.solved ? " solved" : "") + ", BC " +
        format_fixed(t.BC, 4) + "\n";
    if (t.beyond_span) {
        out += std::string(BeyondTableSpanText) + "\n";
    }
    return out;
}

// The projectile's lines of a --text output: what it is, its sectional density and form factor
// against `law` at `bc`, its energy and momentum at the muzzle and at the target, and the limit.
std::string projectile_lines(const ProjectileOutput& p, const std::string& law) {
    const Projectile& pr = p.projectile;
    if (!pr.weight_gr && !pr.calibre_in) return {};
    std::string out = "Projectile " + projectile_text(pr);
    if (pr.source != "typed" && !pr.source.empty()) out += " (" + pr.source + ")";
    if (const std::optional<double> sd = sectional_density(pr)) {
        out += ": sectional density " + format_fixed(*sd, 4) + " lb/in²";
        if (p.BC && *p.BC > 0) out += ", form factor " + format_fixed(form_factor(*sd, *p.BC), 3) + " against " + law;
    }
    out += "\n";
    if (!pr.weight_gr) return out;
    out += "Energy at the muzzle " + energy_text(kinetic_energy_j(*pr.weight_gr, p.MV)) + ", momentum " +
           format_fixed(momentum_ns(*pr.weight_gr, p.MV), 4) + " N·s";
    if (p.target_range && p.target_velocity) {
        out += "; at " + format_fixed(*p.target_range, 1) + " yd " +
               energy_text(kinetic_energy_j(*pr.weight_gr, *p.target_velocity));
    }
    out += "\n";
    if (p.limit) {
        const bool passed = passes_energy_limit(kinetic_energy_j(*pr.weight_gr, p.MV), *p.limit);
        out += "Energy limit " + p.limit->text + ": the muzzle energy is " + (passed ? "ABOVE it" : "within it");
        const std::vector<std::string> ids = shots_passing_limit(p);
        if (!ids.empty()) {
            out += "; " + std::to_string(ids.size()) + (ids.size() == 1 ? " shot is" : " shots are") + " above it:";
            for (const std::string& id : ids) out += " " + id;
        } else if (!p.shots.empty()) {
            out += "; no shot is above it";
        }
        out += "\n";
    }
    return out;
}

// The energies of a fit: along `law` with its BC from `mv` at the ranges `measured` were taken at,
// for the projectile's weight (none without one).
FitEnergies fit_energies_of(const CalcState& s, const std::vector<Shot>& measured, const std::string& name,
                            const DragCurve& law, float bc, float mv, const Projectile& pr) {
    FitEnergies e{name, bc, mv, {}};
    if (!pr.weight_gr) return e;
    FlightInputs flown = flight_inputs(s);
    flown.MV = mv;
    flown.BC = bc;
    flown.law = law;
    e.at_ranges = energy_at_ranges(measurement_ranges(measured), flown, *pr.weight_gr);
    return e;
}

// The --text lines of those energies and of each shot's at the muzzle.
std::string fit_energy_lines(const ProjectileOutput& p) {
    if (!p.fit_energies || !p.projectile.weight_gr) return {};
    const FitEnergies& e = *p.fit_energies;
    std::string out = range_energies_line(e.at_ranges, e.law, e.BC, e.MV);
    if (!out.empty()) out += "\n";
    if (!p.shots.empty()) {
        out += "Energy of each shot at the muzzle:";
        for (std::size_t i = 0; i < p.shots.size(); ++i)
            out +=
                (i ? ", " : " ") + p.shots[i].first + " " + shot_energy_text(p.projectile.weight_gr, p.shots[i].second);
        out += "\n";
    }
    return out;
}

// A whole number 0..12 given on the command line, all of the argument.
std::optional<int> decimals_argument(const std::string& text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > 12) return std::nullopt;
    return value;
}

// Blanks after `text` up to `width` characters (a UTF-8 en dash or degree sign counts as one).
std::string pad_right(const std::string& text, std::size_t width) {
    std::size_t characters = 0;
    for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return characters >= width ? text : text + std::string(width - characters, ' ');
}

int prefs_command(const CommandLine& cl, CliIo& io) {
    CalcState s;
    std::string file;
    if (const int code = load_command_state(cl, io, s, file); code != CliOk) return code;
    // The saved form without its byte-order mark and first empty line, one key a line.
    const std::string saved = preferences_text(s);
    std::string text;
    for (std::size_t i = saved.find('\n') + 1; i < saved.size(); ++i) {
        if (saved[i] != '\r') text += saved[i];
    }
    io.out << text;
    return CliOk;
}

int number_command(const CommandLine& cl, CliIo& io) {
    if (cl.operands.empty() || cl.operands.size() > 2)
        return bad_usage(io, cl, "number takes a text and at most a count of decimals");
    int decimals = 4;
    if (cl.operands.size() == 2) {
        const auto given = decimals_argument(cl.operands[1]);
        if (!given) return bad_usage(io, cl, "decimals must be a whole number from 0 to 12");
        decimals = *given;
    }
    io.out << format_fixed(read_number(with_decimal_point(cl.operands[0])), decimals) << "\n";
    return CliOk;
}

int first_run_command(const CommandLine& cl, CliIo& io) {
    if (!cl.operands.empty()) return bad_usage(io, cl, "first-run takes no arguments");
    io.out << FirstRunPreferencesText;
    return CliOk;
}

// The flight of the file's projectile: the JSON object of flight_json, or with --text a short
// table in internal units, every TableStep yards out to the target range of the active method.
int trajectory_command(const CommandLine& cl, CliIo& io) {
    CalcState s;
    std::string file;
    ProjectileArguments given;
    if (const int code = load_command_state(cl, io, s, file, 1, &given); code != CliOk) return code;
    std::optional<TableLaw> table;
    if (const int code = load_table_law(cl, io, given, table); code != CliOk) return code;
    const std::optional<double> weight = given.projectile.weight_gr;
    FlightInputs in = flight_inputs(s);
    if (table) {
        s.BC = in.BC = table->use.BC;
        in.law = table->curve.curve();
    }
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(in, *tr);
    if (table) table->use.beyond_span = tr->BeyondDragCurve;
    std::ostream& out = io.out;
    if (!cl.has("--text")) {
        out << flight_json(s, *tr, table ? &table->use : nullptr);
        return CliOk;
    }
    const float target = s.TRArray[active_slot(s)];
    const float step = s.TableStep;

    if (table) out << table_line(table->use);
    out << (table ? "Drag table" : "Drag law " + drag_law_name(s.CURVE)) << ", BC " << format_fixed(in.BC, 4)
        << ", muzzle velocity " << format_fixed(in.MV, 1) << " ft/s, sight height " << format_fixed(in.SH, 2)
        << " in, zero range " << format_fixed(in.ZR, 1) << " yd\n";
    out << "Air " << format_fixed(in.TMP, 1) << " °C, " << format_fixed(in.PRES, 2) << " inHg, "
        << format_fixed(in.HUMID, 1) << " %: density " << format_fixed(air_density(in.TMP, in.PRES, in.HUMID), 6)
        << " lbm/ft³, speed of sound " << format_fixed(speed_of_sound(in.TMP), 1) << " ft/s\n";
    out << "Near zero " << format_fixed(tr->NearZero, 1) << " yd, far zero " << format_fixed(tr->FarZero, 1)
        << " yd, apex " << format_fixed(tr->ApexPOI, 2) << " in at " << format_fixed(tr->ApexRange, 1) << " yd\n";
    out << "Target range " << format_fixed(target, 1) << " yd, step " << format_fixed(step, 1) << " yd\n\n";
    ProjectileOutput p{given.projectile, given.limit, in.MV, in.BC, {}, {}, {}, {}};
    out << projectile_lines(p, table ? "the drag table" : drag_law_name(s.CURVE));
    out << "  Range  Velocity      PoI     Time     Drop" << (weight ? "   Energy" : "") << "\n";
    out << "   (yd)    (ft/s)     (in)      (s)     (in)" << (weight ? " (ft·lbf)" : "") << "\n";

    const auto row = [&](float range) {
        const float v = velocity_at(*tr, range);
        out << pad_left(format_fixed(range, 1), 7) << pad_left(format_fixed(v, 1), 10)
            << pad_left(format_fixed(poi_at(*tr, range), 2), 9) << pad_left(format_fixed(time_at(*tr, range), 4), 9)
            << pad_left(format_fixed(drop_at(*tr, range), 2), 9);
        if (weight) out << pad_left(format_fixed(kinetic_energy_ftlbf(*weight, v), 2), 9);
        out << "\n";
    };
    // Whole steps up to the target, then the target itself when it falls between two steps. The
    // loaded step is at least a tenth of a yard and the target at most 1901 yd.
    const int steps = static_cast<int>(std::floor(target / step));
    for (int i = 0; i <= steps; ++i) row(static_cast<float>(i) * step);
    if (static_cast<float>(steps) * step < target) row(target);
    return CliOk;
}

// The range table of the window, line for line, after the prediction pass that start-up runs.
int table_command(const CommandLine& cl, CliIo& io) {
    CalcState s;
    std::string file;
    ProjectileArguments given;
    if (const int code = load_command_state(cl, io, s, file, 1, &given); code != CliOk) return code;
    if (given.form) return bad_usage(io, cl, "FORM is the form factor against a drag table, which table does not fly");
    auto r = std::make_unique<CalcResults>();
    s.ChangeKind = 1;
    recalculate(s, *r, false);
    const TableLines table = fill_table(s, *r);
    if (!given.projectile.weight_gr) {
        for (const std::string& line : table.header) io.out << line << "\n";
        for (const std::string& line : table.rows) io.out << line << "\n";
        return CliOk;
    }
    // With the projectile's weight, its energy at each row beside the window's columns.
    const double weight = *given.projectile.weight_gr;
    const TableCells cells = table_cells(s, *r);
    io.out << table.header.at(0) << pad_left("Energy", 10) << pad_left("Energy", 9) << "\n"
           << table.header.at(1) << pad_left("(ft·lbf)", 11) << pad_left("(J)", 9) << "\n";
    std::size_t row = 0;
    for (const std::string& line : table.rows) {
        io.out << line;
        if (!line.empty() && row < cells.yards.size()) {
            const double joules = kinetic_energy_j(weight, velocity_at(r->trajectory, cells.yards[row++]));
            io.out << pad_left(format_fixed(joules / JoulesPerFootPound, 2), 10)
                   << pad_left(format_fixed(joules, 2), 9);
        }
        io.out << "\n";
    }
    return CliOk;
}

// Name and unit of an input field as the output shows them: the unit of its list, or a percent
// sign where its text has none.
std::string field_name(FieldId field) { return input(field).name; }

std::string field_unit(const CalcState& s, FieldId field) {
    const Input& in = input(field);
    if (in.unit != nullptr) return unit_caption(quantity_of(in.kind), s.*in.unit);
    return in.kind == ValueKind::Percent && *in.mark == '\0' ? "%" : "";
}

// predict or solve flown with a drag table: the form factor stands (FORM, else 1) and predicts the
// measurements at the target range, or is solved from the active method's measurement there.
int table_calculate_command(const CommandLine& cl, CliIo& io, CalcState& s, TableLaw& table,
                            const ProjectileArguments& given, int change_kind) {
    const DragCurve curve = table.curve.curve();
    const AirState air = air_state(s);
    const float target = s.TRArray[active_slot(s)];
    TableCalculation c;
    c.TR = target;
    s.BC = table.use.BC;
    if (change_kind == 2) {
        SolveInputs in = solve_inputs(s);
        in.law = curve;
        const float solved = solve(in);
        if (is_bc_sentinel(solved)) {
            c.message = std::string("no form factor explains the measurement: it would need a BC ") +
                        (solved == BcTooLow ? "below 0.004" : "above 1.2") + "; the form factor was kept";
        } else {
            s.BC = table.use.BC = solved;
            table.use.form_factor = *sectional_density(given.projectile) / solved;
            table.use.solved = true;
        }
    }
    FlightInputs fi = flight_inputs(s);
    fi.law = curve;
    fi.BC = s.BC;
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(fi, *tr);
    table.use.beyond_span = tr->BeyondDragCurve;
    const auto at = [&](int method) { return predict_measurement(s.MV, s.BC, s.ZR, s.SH, target, curve, method, air); };
    c.TV = at(DeltaV);
    c.POI = at(DeltaPOI);
    c.ET = at(DeltaT);
    c.DROP = at(DeltaD);
    const ProjectileOutput p{given.projectile, given.limit, s.MV, s.BC, target, c.TV, {}, {}};
    std::ostream& out = io.out;
    if (!cl.has("--text")) {
        out << table_calculation_json(s, *tr, table.use, c, p, cl.has("--trajectory"));
        return c.message ? CliImprobableBc : CliOk;
    }
    out << method_heading(s.stateRB) << "\n" << table_line(table.use);
    out << "At " << format_fixed(target, 1) << " yd: velocity " << format_fixed(c.TV, 1) << " ft/s, POI "
        << format_fixed(c.POI, 2) << " in, time " << format_fixed(c.ET, 4) << " s, drop " << format_fixed(c.DROP, 2)
        << " in\n";
    out << projectile_lines(p, "the drag table");
    if (c.message) return fail(io, CliImprobableBc, *c.message);
    return CliOk;
}

// One recalculation pass over the file's state, as the window runs it after an edit: ChangeKind
// 2 solves the BC from the active method's measurement, 1 keeps the BC and predicts the
// measurements. Prints the pass as one JSON object (cli/calc_json.h), --trajectory adds the
// trajectory to it; --text prints the fields as the window would refill them, and the confidence
// limits, instead.
int calculate_command(const CommandLine& cl, CliIo& io, int change_kind) {
    const bool as_text = cl.has("--text");
    if (as_text && cl.has("--trajectory"))
        return bad_usage(io, cl, "--trajectory goes with the JSON output, not --text");
    CalcState s;
    std::string file;
    ProjectileArguments given;
    if (const int code = load_command_state(cl, io, s, file, 1, &given); code != CliOk) return code;
    std::optional<TableLaw> table;
    if (const int code = load_table_law(cl, io, given, table); code != CliOk) return code;
    if (table) return table_calculate_command(cl, io, s, *table, given, change_kind);
    auto r = std::make_unique<CalcResults>();
    s.ChangeKind = change_kind;
    const RecalcOutcome outcome = recalculate(s, *r, true);
    const float target = s.TRArray[active_slot(s)];
    const ProjectileOutput p{
        given.projectile, given.limit, s.MV, s.BC, target, velocity_at(r->trajectory, target), {}, {}};
    std::ostream& out = io.out;
    if (!as_text) {
        out << calculation_json(s, *r, outcome, cl.has("--trajectory"), &p);
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
    out << projectile_lines(p, drag_law_name(s.CURVE));
    if (outcome.message) {
        // The message on one line: its carriage returns become blanks.
        std::string text;
        for (const char ch : *outcome.message) {
            if (ch != '\r')
                text += ch;
            else if (!text.empty() && text.back() != ' ')
                text += ' ';
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return fail(io, CliImprobableBc, std::string(ImprobableBcTitle) + text);
    }
    return CliOk;
}

// The projectile given, with the weight the device was set to where none is given.
Projectile with_device_weight(Projectile p, const ShotString& string) {
    if (!p.weight_gr && string.projectile.weight_gr) {
        p.weight_gr = *string.projectile.weight_gr;
        p.source = p.calibre_in ? "weight as set on the device" : "as set on the device";
    }
    return p;
}

// What PATH holds for a fit: today's shots file, read as it always was (its text in `text`), or any
// other file, folder or zip that holds a shot string (then `string` holds it).
int read_fit_input(CliIo& io, const std::string& path, std::optional<ShotString>& string, std::string& text) {
    std::error_code not_a_folder;
    const bool folder = path != "-" && std::filesystem::is_directory(path, not_a_folder);
    if (!folder) {
        if (auto error = read_string_input(path, io.in, text)) return fail(io, CliFailed, *error);
    }
    const std::optional<StringFormat> format = text.empty() && path != "-" ? std::nullopt : detect_format(text);
    const bool shots_file =
        !folder && (!format || *format == StringFormat::ShotsCsv) && text.substr(0, 4) != "PK\x03\x04";
    if (!shots_file) {
        StringRead read = folder ? read_string_path(path) : read_string_bytes(text, input_name(path));
        if (!read.ok()) return fail(io, CliFailed, read.error.text());
        string = std::move(read.string);
    } else if (text.size() > LargestShotsFile) {
        return fail(io, CliFailed, input_name(path) + " is too large for a shots file");
    }
    return CliOk;
}

// A shot string fitted shot by shot, each from its own muzzle velocity: the JSON of schema 2, or
// with --text the report the Fit window shows, the verdict line first.
int fit_string_command(const CommandLine& cl, CliIo& io, const CalcState& s, const ShotString& string,
                       const std::string& name, ProjectileOutput p) {
    const std::vector<FitShot> shots = string_fit_shots(string, !cl.has("--gates"));
    if (shots.empty()) {
        return fail(io, CliFailed,
                    name +
                        ": no measurement in use to fit (the string has muzzle velocities only, or "
                        "every measurement is set aside)");
    }
    if (cl.has("--fit-mv") && cl.has("--own-mv")) return bad_usage(io, cl, "--fit-mv and --own-mv: give one");
    StringFitOptions options;
    options.mv = cl.has("--fit-mv") ? MvChoice::All : cl.has("--own-mv") ? MvChoice::None : MvChoice::Extrapolated;
    if (const int code = named_laws(cl, io, options.laws); code != CliOk) return code;
    options.set_aside_outliers = !cl.has("--keep-outliers");
    options.groups = {string_source_text(string)};
    const StringFit f = fit_string(shots, shot_fit_inputs(s), options);
    if (!f.laws.empty() && f.laws.front().series.outcome == FitOutcome::Fitted) {
        p.BC = f.laws.front().series.BC;
        p.MV = f.laws.front().series.MV;
        // Along the best law from the string's mean muzzle velocity, at the ranges of its measurements.
        const LawFit& best = f.laws.front().series;
        const FitShotsOfString measured = fit_shots_of(string);
        std::vector<Shot> at;
        for (const FitShot& shot : shots) at.insert(at.end(), shot.measurements.begin(), shot.measurements.end());
        p.fit_energies =
            fit_energies_of(s, measured.shots.empty() ? at : measured.shots, drag_law_name(best.law),
                            drag_law_curve(best.law), best.BC, measured.mean_mv.value_or(best.MV), p.projectile);
    }
    if (!cl.has("--text")) {
        io.out << string_fit_json(f, shots, options.groups, &p);
        return CliOk;
    }
    const std::string report =
        string_fit_report(f, shots, options.groups, shot_units(s), sectional_density(p.projectile));
    const std::size_t first = report.find('\n') + 1;
    io.out << report.substr(0, first) << "Shots of " << string_source_text(string) << ", flown with "
           << fit_inputs_text(s).substr(fit_inputs_text(s).find(", zero ") + 2) << "\n"
           << report.substr(first);
    if (!f.laws.empty()) {
        if (const std::string lines = projectile_lines(p, drag_law_name(f.laws.front().series.law)); !lines.empty())
            io.out << "\n" << lines << fit_energy_lines(p);
    }
    return CliOk;
}

// The shots of SHOTS.csv fitted under every drag law with the muzzle velocity, zero, sight height
// and air of FILE: the fits best first as one JSON object (cli/calc_json.h), or with --text the
// ranked laws and the best law's residuals as the fit window shows them, in FILE's units.
int fit_command(const CommandLine& cl, CliIo& io) {
    const std::vector<std::string>& operands = cl.operands;
    if (!operands.empty() && !assignment_in_place_of_file(operands[0]) &&
        (operands.size() < 2 || assignment_in_place_of_file(operands[1]))) {
        return bad_usage(io, cl,
                         "fit needs a shots file (SHOTS.csv, or - for standard input) after the preferences file");
    }
    if (operands.size() >= 2 && operands[0] == "-" && operands[1] == "-") {
        return bad_usage(io, cl, "only one of FILE and SHOTS.csv can be - (standard input)");
    }
    CalcState s;
    std::string file;
    ProjectileArguments given;
    if (const int code = load_command_state(cl, io, s, file, 2, &given); code != CliOk) return code;
    std::optional<TableLaw> table;
    if (const int code = load_table_law(cl, io, given, table, false); code != CliOk) return code;
    if (table && cl.has("--fit-mv"))
        return bad_usage(io, cl, "--fit-mv fits the muzzle velocity under the ten laws, not under a drag table");

    const std::string& path = operands[1];
    const std::string name = input_name(path);
    std::optional<ShotString> string;
    std::string text;
    if (const int code = read_fit_input(io, path, string, text); code != CliOk) return code;
    const std::string schema = cl.value("--schema");
    if (!schema.empty() && schema != "1" && schema != "2")
        return bad_usage(io, cl,
                         "--schema is 1 (the fit of today's shots) or 2 (each shot from its own muzzle velocity)");
    if ((schema == "1" || table) && (cl.has("--gates") || cl.has("--own-mv") || cl.has("--keep-outliers")))
        return bad_usage(io, cl, "--gates, --own-mv and --keep-outliers belong to schema 2");
    ProjectileOutput p{given.projectile, given.limit, s.MV, {}, {}, {}, {}, {}};
    if (string) {
        p.projectile = with_device_weight(given.projectile, *string);
        for (const StringShot& shot : string->shots) {
            if (shot.marks.used() && shot.MV) p.shots.emplace_back(shot.id, *shot.MV);
        }
    }
    // A drag table is ranked in the fit of schema 1: every measurement one shot.
    if (table && schema == "2")
        return bad_usage(io, cl, "--drag-table ranks the table in the fit of --schema 1, not 2");
    const std::string form = table ? "1" : schema;
    if (string && form != "1") return fit_string_command(cl, io, s, *string, name, p);
    ShotsText read;
    FitShotsOfString from_string;
    if (string) {
        from_string = fit_shots_of(*string);
        read.shots = from_string.shots;
    } else {
        read = parse_shots_text(text);
        if (!read.errors.empty()) {
            const ShotsLineError& first = read.errors.front();
            return fail(io, CliFailed, name + " line " + std::to_string(first.line) + ": " + first.reason);
        }
    }
    const bool fit_mv = cl.has("--fit-mv");
    ShotFitInputs in = shot_fit_inputs(s);
    if (from_string.mean_mv) in.MV = *from_string.mean_mv;
    if (const auto problem = check_shots(read.shots, in, fit_mv)) {
        if (problem->kind == ShotProblemKind::NoShot && string) {
            return fail(io, CliFailed,
                        name +
                            ": no measurement in use to fit (the string has muzzle velocities only, or "
                            "every measurement is set aside)");
        }
        if (problem->kind == ShotProblemKind::NoShot) {
            return fail(io, CliFailed,
                        name + ": no shot to fit (one line a shot under the header range,quantity,value)");
        }
        if (problem->kind == ShotProblemKind::TooFewToFitMv) {
            return fail(io, CliFailed, "--fit-mv needs two shots or more, and " + name + " has one");
        }
        if (problem->kind == ShotProblemKind::TooManyShots) {
            return fail(io, CliFailed,
                        name + " has " + std::to_string(read.shots.size()) + " shots, and a fit takes at most " +
                            std::to_string(MostFitShots));
        }
        const std::size_t at = static_cast<std::size_t>(problem->shot);
        const std::string shot =
            string ? name + " " + from_string.names[at] : name + " line " + std::to_string(read.lines[at]);
        std::string message = shot_problem_text(*problem, shot, in, InternalShotUnits);
        if (!message.empty() && message.back() == '.') message.pop_back();
        return fail(io, CliFailed, message);
    }
    std::vector<int> laws;
    if (const int code = named_laws(cl, io, laws); code != CliOk) return code;
    if (form != "1" && !cl.has("--text")) {
        // The typed shots as one shot of the string fit: the same fits, with its verdict.
        StringFitOptions options;
        options.mv = fit_mv ? MvChoice::All : MvChoice::None;
        options.laws = laws;
        const std::vector<FitShot> shots = {typed_fit_shot(read.shots)};
        const StringFit f = fit_string(shots, in, options);
        p.MV = in.MV;
        if (!f.laws.empty() && f.laws.front().series.outcome == FitOutcome::Fitted) {
            const LawFit& best = f.laws.front().series;
            p.BC = best.BC;
            p.MV = best.MV;
            p.fit_energies = fit_energies_of(s, read.shots, drag_law_name(best.law), drag_law_curve(best.law), best.BC,
                                             best.MV, p.projectile);
        }
        io.out << string_fit_json(f, shots, {}, &p);
        return CliOk;
    }
    std::vector<LawFit> fits = fit_shots(read.shots, in, {fit_mv, laws});
    if (table) {
        // The table ranked among the laws, its form factor fitted.
        const LawFit table_fit = fit_table(read.shots, in, table->curve.curve());
        fits = ranked_with(std::move(fits), table_fit);
        table->use.BC = table_fit.BC;
        table->use.solved = true;
        // The span the fit's flights needed: from the muzzle to the farthest shot.
        FlightInputs flown = flight_inputs(s);
        flown.MV = in.MV;
        flown.BC = table_fit.BC;
        table->use.beyond_span = leaves_table_span(read.shots, flown, table->curve.curve(), table->curve.first_mach(),
                                                   table->curve.last_mach());
        if (const std::optional<double> sd = sectional_density(given.projectile))
            table->use.form_factor = *sd / table_fit.BC;
    }
    p.MV = in.MV;
    if (!fits.empty() && fits.front().outcome == FitOutcome::Fitted) {
        const LawFit& best = fits.front();
        p.BC = best.BC;
        p.MV = best.MV;
        const bool under_table = best.law == DragTableLaw;
        p.fit_energies = fit_energies_of(s, read.shots, under_table ? "table" : drag_law_name(best.law),
                                         under_table ? table->curve.curve() : drag_law_curve(best.law), best.BC,
                                         best.MV, p.projectile);
    }
    std::ostream& out = io.out;
    if (!cl.has("--text")) {
        out << fit_json(fits, &p, table ? &table->use : nullptr);
        return CliOk;
    }

    if (string) {
        out << "Measurements of " << string_source_text(*string) << ", each fitted as one shot";
        if (from_string.mean_mv) {
            out << ", flown with the string's mean muzzle velocity " << format_fixed(in.MV, 1) << " ft/s ("
                << from_string.mv_shots << (from_string.mv_shots == 1 ? " shot" : " shots") << ")";
        }
        out << "\n";
        s.MV = in.MV;
    }
    out << "Fit of " << read.shots.size() << (read.shots.size() == 1 ? " shot" : " shots") << " with "
        << fit_inputs_text(s) << "\n\n";
    const std::string mv_unit = unit_caption(Quantity::Velocity, s.stateMV);
    const std::optional<double> sd = sectional_density(p.projectile);
    out << "Law   BC            BC interval        rms" << (sd ? "  Form factor" : "")
        << (fit_mv ? "  Muzzle Velocity (" + mv_unit + ")" : "") << "\n";
    for (const LawFit& fit : fits) {
        FitRowTexts row = fit_row_texts(fit, fit_mv, s.stateMV, s.TMP);
        if (fit.law == DragTableLaw) row.law = "table";
        std::string line =
            pad_right(row.law, 6) + pad_right(row.bc, 14) + pad_right(row.interval, 15) + pad_left(row.rms, 7);
        if (sd) line += pad_left(fit.BC > 0 ? format_fixed(form_factor(*sd, fit.BC), 3) : "-", 13);
        if (fit_mv) line += pad_left(row.mv, 8);
        out << line << "\n";
    }
    const std::string best_name = fits.front().law == DragTableLaw ? "the drag table" : drag_law_name(fits.front().law);
    if (table) out << "\n" << table_line(table->use);
    if (const std::string lines = projectile_lines(p, best_name); !lines.empty())
        out << (table ? "" : "\n") << lines << fit_energy_lines(p);
    const ShotUnits units = shot_units(s);
    const LawFit& best = fits.front();
    out << "\nResiduals under " << (best.law == DragTableLaw ? "the drag table" : drag_law_name(best.law))
        << ", measured less predicted:\n";
    const std::string range_heading = "Range (" + std::string(unit_caption(Quantity::Range, units.range)) + ")";
    out << pad_right(range_heading, 14) << pad_right("Quantity", 18) << pad_left("Value", 10)
        << pad_left("Residual", 11) << "\n";
    for (std::size_t i = 0; i < read.shots.size(); ++i) {
        const Shot& shot = read.shots[i];
        out << pad_right(shot_range_text(shot.range, units), 14)
            << pad_right(shot_quantity_caption(shot.quantity, units), 18)
            << pad_left(shot_value_text(shot.quantity, shot.value, units), 10)
            << pad_left(shot_residual_text(shot.quantity, best.residuals[i], units), 11) << "\n";
    }
    return CliOk;
}

// A shot string from a file, a folder or a zip: the readable listing, --json or --csv.
int import_command(const CommandLine& cl, CliIo& io) {
    if (cl.operands.size() != 1)
        return bad_usage(io, cl, "import takes one PATH (a file, a folder or a zip; - for standard input)");
    if (cl.has("--json") && cl.has("--csv")) return bad_usage(io, cl, "--json and --csv are two forms: give one");
    std::optional<StringFormat> forced;
    if (const std::string name = cl.value("--format"); !name.empty()) {
        forced = string_format_named(name);
        if (!forced) {
            std::string names;
            for (int f = 0; f < StringFormatCount; ++f)
                names += (names.empty() ? "" : ", ") + std::string(string_format_name(static_cast<StringFormat>(f)));
            return bad_usage(io, cl, "unknown format '" + name + "' (" + names + ")");
        }
    }
    const std::string& path = cl.operands.front();
    StringRead read;
    if (path == "-") {
        std::string bytes;
        if (auto error = read_string_input(path, io.in, bytes)) return fail(io, CliFailed, *error);
        read = read_string_bytes(bytes, "standard input", forced);
    } else {
        read = read_string_path(path, forced);
    }
    if (!read.ok()) return fail(io, CliFailed, read.error.text());
    if (cl.has("--json"))
        io.out << string_json(*read.string);
    else if (cl.has("--csv"))
        io.out << string_csv(*read.string);
    else
        io.out << string_listing(*read.string);
    return CliOk;
}

// The shots of PATH for the report: a shots file, or the measurements in use of any file, folder
// or zip the readers take (then `string` holds it and `mv` its shots' mean muzzle velocity).
int report_shots(CliIo& io, const std::string& path, std::optional<ShotString>& string, std::vector<Shot>& shots,
                 float& mv) {
    const std::string name = input_name(path);
    std::string text;
    if (const int code = read_fit_input(io, path, string, text); code != CliOk) return code;
    if (string) {
        const FitShotsOfString from = fit_shots_of(*string);
        shots = from.shots;
        if (from.mean_mv) mv = *from.mean_mv;
        return CliOk;
    }
    const ShotsText read = parse_shots_text(text);
    if (!read.errors.empty())
        return fail(io, CliFailed,
                    name + " line " + std::to_string(read.errors.front().line) + ": " + read.errors.front().reason);
    shots = read.shots;
    return CliOk;
}

// The range report of FILE's calculator, and of the fit of SHOTS or PATH when one is given: the
// best law's BC (and muzzle velocity) is entered as the Fit window's "Use" enters it, the
// measurements are predicted from it, and the report shows the fit. A shot string with
// measurements downrange is fitted shot by shot, each shot from its own muzzle velocity, and "Use"
// enters the mean muzzle velocity of its shots in use; the shots of SHOTS.csv, or a string of muzzle
// velocities only, are fitted together under the ten laws.
int report_command(const CommandLine& cl, CliIo& io) {
    if (io.pdf == nullptr || !*io.pdf) return fail(io, CliFailed, "this build of velora-cli writes no PDF documents");
    const std::vector<std::string>& operands = cl.operands;
    const bool with_shots = operands.size() >= 2 && !assignment_in_place_of_file(operands[1]);
    if (with_shots && operands[0] == "-" && operands[1] == "-")
        return bad_usage(io, cl, "only one of FILE and the shots can be - (standard input)");
    CalcState s;
    std::string file;
    ProjectileArguments given;
    if (const int code = load_command_state(cl, io, s, file, with_shots ? 2 : 1, &given); code != CliOk) return code;
    if (given.form) return bad_usage(io, cl, "FORM goes with a drag table, which report does not fly");
    ReportRequest request;
    request.projectile = given.projectile;
    request.energy_limit = given.limit;
    std::optional<ReportFit> fit;
    if (with_shots) {
        std::optional<ShotString> string;
        std::vector<Shot> shots;
        ShotFitInputs in = shot_fit_inputs(s);
        if (const int code = report_shots(io, operands[1], string, shots, in.MV); code != CliOk) return code;
        const bool fit_mv = cl.has("--fit-mv");
        if (string) request.projectile = with_device_weight(given.projectile, *string);
        // As "Use" enters them: the law chosen in the list, the BC typed with its four decimals.
        const auto use = [&s](int law, float bc) {
            s.CURVE = law;
            s.stateBC = list_position_of_drag_law(law);
            s.BC = std::stof(format_fixed(bc, 4));
        };
        if (string && has_downrange_data(*string)) {
            const std::vector<FitShot> fitted = string_fit_shots(*string, true);
            if (fitted.empty()) return fail(io, CliFailed, input_name(operands[1]) + ": no measurement in use to fit");
            StringFitOptions options;
            options.mv = fit_mv ? MvChoice::All : MvChoice::Extrapolated;
            options.groups = {string_source_text(*string)};
            const StringFit f = fit_string(fitted, in, options);
            if (!f.laws.empty() && f.laws.front().series.outcome == FitOutcome::Fitted) {
                use(f.laws.front().series.law, f.laws.front().series.BC);
                const MvSummary mv = mv_summary(string_with_fit_marks(*string, f, fitted));
                if (mv.count > 0) s.MV = static_cast<float>(mv.mean);
            }
            fit = report_string_fit(s, f, fitted, options.groups, &*string, sectional_density(request.projectile));
        } else {
            if (const auto problem = check_shots(shots, in, fit_mv)) {
                std::string message = shot_problem_text(*problem, input_name(operands[1]), in, InternalShotUnits);
                if (!message.empty() && message.back() == '.') message.pop_back();
                return fail(io, CliFailed, message);
            }
            const std::vector<LawFit> fits = fit_shots(shots, in, {fit_mv, {}});
            if (!fits.empty() && fits.front().outcome == FitOutcome::Fitted) {
                use(fits.front().law, fits.front().BC);
                s.MV = fit_mv ? fits.front().MV : in.MV;
            }
            fit = report_fit(s, fits, shots, fit_mv, string ? &*string : nullptr);
        }
    }
    auto r = std::make_unique<CalcResults>();
    s.ChangeKind = 1;
    const RecalcOutcome outcome = recalculate(s, *r, true);
    if (!outcome.confidence) return fail(io, CliFailed, "the confidence limits could not be computed");

    request.title = cl.value("--title");
    request.notes = cl.value("--notes");
    request.date = today_text();
    const ReportContent content = report_content(s, *r, *outcome.confidence, request, fit ? &*fit : nullptr);
    const std::string path = cl.has_value("-o") ? cl.value("-o") : std::string(ReportDefaultName);
    const std::string error = (*io.pdf)(path, content);
    if (!error.empty()) return fail(io, CliFailed, "could not write " + path + ": " + error);
    io.out << path << "\n";
    return CliOk;
}

// A projectile's own drag curve fitted to the velocities of a shot string (its radar tracks, or
// with --gates its velocities at several ranges) in FILE's air: the curve with its band, the laws
// and the tables of --drag-table beside it by the rms of held-out shots; -o writes the curve as a
// drag table, CSV for a name ending in .csv, else JSON.
int curve_command(const CommandLine& cl, CliIo& io) {
    const std::vector<std::string>& operands = cl.operands;
    if (operands.size() < 2 || assignment_in_place_of_file(operands[1]))
        return bad_usage(io, cl, "curve needs FILE and the PATH of a shot string (a file, a folder or a zip)");
    if (operands[0] == "-" && operands[1] == "-")
        return bad_usage(io, cl, "only one of FILE and PATH can be - (standard input)");
    CalcState s;
    std::string file;
    ProjectileArguments given;
    if (const int code = load_command_state(cl, io, s, file, 2, &given); code != CliOk) return code;
    if (given.form) return bad_usage(io, cl, "FORM belongs to a drag table flown, not to a curve fitted");
    const std::string& path = operands[1];
    StringRead read;
    if (path == "-") {
        std::string bytes;
        if (auto error = read_string_input(path, io.in, bytes)) return fail(io, CliFailed, *error);
        read = read_string_bytes(bytes, "standard input");
    } else {
        read = read_string_path(path);
    }
    if (!read.ok()) return fail(io, CliFailed, read.error.text());
    const ShotString& string = *read.string;

    CurveFitReport report;
    report.source = string_source_text(string);
    report.projectile = given.projectile;
    Projectile& p = report.projectile;
    if (!p.weight_gr && string.projectile.weight_gr) {
        p.weight_gr = *string.projectile.weight_gr;
        p.source = p.calibre_in ? "weight as set on the device" : "as set on the device";
    }
    const std::optional<double> sd = sectional_density(p);
    if (!sd) {
        return fail(io, CliFailed,
                    std::string("a drag coefficient needs the projectile's sectional density: give ") +
                        (p.weight_gr    ? "CAL="
                         : p.calibre_in ? "WEIGHT="
                                        : "WEIGHT= and CAL="));
    }
    report.sectional_density = *sd;
    report.air = curve_fit_inputs(air_state(s), *sd);

    // The published tables to set beside it, kept while the fit flies them.
    std::vector<TabulatedDragCurve> curves;
    std::vector<std::string> names;
    for (const std::string& t : cl.values("--drag-table")) {
        const DragTableRead table = read_drag_table_file(t);
        if (!table.ok()) return fail(io, CliFailed, table.error);
        auto made = make_drag_curve(table.table->points);
        if (!std::holds_alternative<TabulatedDragCurve>(made)) return fail(io, CliFailed, t + ": no drag curve");
        curves.push_back(std::get<TabulatedDragCurve>(std::move(made)));
        names.push_back(table.table->name);
    }
    CurveFitOptions options;
    options.set_aside_outliers = !cl.has("--keep-outliers");
    for (std::size_t i = 0; i < curves.size(); ++i) options.tables.push_back({names[i], curves[i].curve()});
    const CurveFit fit = fit_drag_curve(string_fit_shots(string, !cl.has("--gates")), report.air, options);
    if (fit.refused()) return fail(io, CliFailed, input_name(path) + ": " + curve_refusal_text(fit));
    if (cl.has_value("--plot")) {
        if (io.plot == nullptr || !*io.plot) return fail(io, CliFailed, "this build of velora-cli draws no plots");
        const std::string out = cl.value("--plot");
        const std::string error =
            (*io.plot)(out, curve_plot(fit, options.tables, "Drag curve of " + report.source, 900, 560));
        if (!error.empty()) return fail(io, CliFailed, "could not write " + out + ": " + error);
    }

    if (cl.has_value("-o")) {
        const std::string out = cl.value("-o");
        std::string ending = std::filesystem::path(out).extension().string();
        for (char& c : ending) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        const DragTableFile table = fitted_drag_table(fit, "fitted from " + report.source, p);
        const WriteOutcome written =
            replace_file_contents(out, ending == ".csv" ? drag_table_csv(table) : drag_table_json(table));
        if (!written) return fail(io, CliFailed, "could not write " + out + ": " + written.reason);
        report.table_file = out;
    }
    io.out << (cl.has("--text") ? curve_fit_text(fit, report) : curve_fit_json(fit, report));
    return CliOk;
}

int solve_command(const CommandLine& cl, CliIo& io) { return calculate_command(cl, io, 2); }
int predict_command(const CommandLine& cl, CliIo& io) { return calculate_command(cl, io, 1); }

const std::vector<Command>& command_table() {
    static const std::vector<Command> commands = {
        {"trajectory",
         "trajectory FILE [KEY=VALUE ...] [--law NAME | --drag-table T] [--text]",
         "the flight of the file's projectile, yard by yard",
         "Flies the projectile of FILE and prints one JSON object: \"schema\", \"state\", \"derived\"\n"
         "(FarZero, NearZero, ApexRange, ApexPOI, ZeroIsFar, LastSample) and \"trajectory\" (arrays drop,\n"
         "velocity, time, poi for yards 0..LastSample). --text prints a short table in internal units\n"
         "instead, every TableStep yards out to the active method's target range.\n",
         {"--law", "--drag-table", "--text"},
         true,
         trajectory_command},
        {"solve",
         "solve FILE [KEY=VALUE ...] [--law NAME | --drag-table T] [--trajectory | --text]",
         "the BC solved from the active method's measurement",
         "Runs the pass that the window runs after a measurement is typed: the BC is solved from the\n"
         "measurement of the method stateRB (POI, ET, TV or DROP at the target range TR). Prints one\n"
         "JSON object: \"schema\", \"state\", \"derived\" (as trajectory, and MaxZeroRange, MaxTargetRange),\n"
         "\"message\" (the improbable-BC text, or null), \"confidence\" (max, mean, min as the Confidence\n"
         "page shows them; max_bc, mean_bc, min_bc as numbers, null for \"??????\") and \"table\" (header,\n"
         "rows). --trajectory adds \"trajectory\"; --text prints the fields as the window shows them and\n"
         "the confidence limits instead. The drop is no key of the file: DROP=VALUE, or a line\n"
         "\"DROP = value\" in FILE, gives the drop below the bore axis that stateRB=3 solves from.\n",
         {"--law", "--drag-table", "--trajectory", "--text"},
         true,
         solve_command},
        {"predict",
         "predict FILE [KEY=VALUE ...] [--law NAME | --drag-table T] [--trajectory | --text]",
         "the measurements that the BC predicts",
         "Runs the pass that the window runs after any other edit: the BC stands and predicts TV, POI,\n"
         "ET and DROP at the target range. Prints the JSON object of solve (or --text its readable form).\n",
         {"--law", "--drag-table", "--trajectory", "--text"},
         true,
         predict_command},
        {"fit",
         "fit FILE PATH [KEY=VALUE ...] [--law NAME ...] [--drag-table T] [--fit-mv | --own-mv] [--gates]\n"
         "    [--keep-outliers] [--schema 1|2] [--text]",
         "the BC under each drag law from several shots or a shot string",
         "Fits the shots of SHOTS.csv (- for standard input) under each of the ten drag laws: the BC\n"
         "that best explains them, with the muzzle velocity, zero range, sight height and air of FILE.\n"
         "SHOTS.csv has the header range,quantity,value and an optional fourth column uncertainty, then\n"
         "one shot a line; quantity is velocity, time, poi or drop. The range is in yards and the value\n"
         "in its internal unit (ft/s, s, in; a POI below the aim and a drop below the bore negative),\n"
         "or with a unit suffix (60m, 180m/s, 170ms, -22mm). The uncertainty is the shot's standard\n"
         "uncertainty in the value's unit, with a suffix or in percent (1%); empty or left out it is\n"
         "0.5 % of a velocity, 0.5 ms of a time, 0.1 in of a POI or drop. Blank lines and lines that\n"
         "begin with # are passed over.\n"
         "\n"
         "PATH may also be any file, folder or zip that 'velora-cli import' reads. Each shot in use is\n"
         "then flown from its own muzzle velocity (a shot without one from the string's mean, or FILE's\n"
         "where none has one); a shot whose velocity the device extrapolated back to the muzzle (a\n"
         "radar's), or that has none, has it fitted as a parameter of its own when it has three\n"
         "measurements or more downrange. A shot's radar track is fitted in place of its gates;\n"
         "--gates fits the gates. --own-mv flies every shot from the velocity recorded; --fit-mv fits\n"
         "every shot's. One BC is fitted for the series under each law, each shot's own BC beside it.\n"
         "Shots whose BC lies more than 3.5 robust standard deviations (1.4826 × the median absolute\n"
         "deviation) from the line through the shots' BCs against their muzzle velocities, or whose\n"
         "rms lies that far above the others', are set aside from the series and named; --keep-outliers\n"
         "keeps them.\n"
         "\n"
         "Prints one JSON object, schema 2: \"schema\", \"fits\" (the laws ranked by their weighted sum\n"
         "of squares, best first, each with CURVE, law, BC, BC_low, BC_high (the interval where the\n"
         "weighted sum of squares rises by one, widened when the shots scatter more than their\n"
         "uncertainties say), rms, residuals (measured less predicted, per measurement in the file's\n"
         "order), MV, outcome (fitted, or below_range / above_range when the BC would lie outside 0.004\n"
         "to 1.2), chi_square, freedom, shots (each shot's own BC), spread (count, mean, sd, low, high of\n"
         "the shots' BCs) and trend (the BC's slope against the muzzle velocity with its interval)),\n"
         "\"best\", \"verdict\" (inseparable: the laws the data cannot tell from the best, the best\n"
         "included: those whose weighted sum of squares exceeds the best's by at most 4 × max(1, the\n"
         "best's sum per degree of freedom); the Mach span the shots cover and the range that would\n"
         "part them), \"shots\" (where each shot's muzzle velocity came from), \"outliers\",\n"
         "\"messages\" and \"refused\". --schema 1 prints the form of before: every measurement one\n"
         "shot, all flown with the string's mean muzzle velocity, and \"schema\", \"fits\" and \"best\"\n"
         "only. --law NAME, once or more, fits only the laws named. --fit-mv fits the muzzle velocity of\n"
         "SHOTS.csv together with the BC (two shots or more). --text prints the report instead: for a\n"
         "shot string the verdict line first, the messages, the ranked laws, the spread and trend, and\n"
         "each shot; for SHOTS.csv the ranked laws and the best law's residuals, in FILE's units.\n"
         "--drag-table T ranks the table beside the laws, its BC (and, with WEIGHT and CAL, its form\n"
         "factor) fitted, in the form of --schema 1, which it implies.\n",
         {"--law", "--drag-table", "--fit-mv", "--own-mv", "--gates", "--keep-outliers", "--schema", "--text"},
         true,
         fit_command},
        {"curve",
         "curve FILE PATH [KEY=VALUE ...] [--drag-table T ...] [--gates] [--keep-outliers] [--text]\n"
         "    [-o TABLE.json|TABLE.csv] [--plot PLOT.png|PLOT.svg]",
         "the projectile's own drag curve from a string's radar tracks",
         "Fits the drag coefficient against the Mach number to the velocities of the shot string of\n"
         "PATH (any file, folder or zip that 'velora-cli import' reads; its radar tracks, or with --gates\n"
         "its velocities at several ranges), in the air of FILE. WEIGHT and CAL give the projectile (the\n"
         "weight as set on the device where the file records one and WEIGHT is not given): the drag\n"
         "coefficient needs its sectional density. Each shot's muzzle velocity is fitted, a parameter of\n"
         "its own. The curve is a smooth spline over the Mach span where three shots or more slowed\n"
         "through, its smoothness chosen as the velocities make likeliest (the samples of a track that\n"
         "run together counted as what they are worth); its band is one standard error either side. A\n"
         "shot whose velocities the curve explains far worse than the others' is set aside\n"
         "(--keep-outliers keeps it). The ten laws, and each table of --drag-table (once or more: a\n"
         "published curve to compare), are fitted with their form factor and ranked, and compared with\n"
         "the curve, by the rms of the velocities of shots each is fitted without. A string without\n"
         "three shots of three velocities downrange, or covering less than Mach 0.03, is refused.\n"
         "\n"
         "Prints one JSON object: \"schema\", \"kind\" (\"drag_curve_fit\"), \"source\", \"projectile\",\n"
         "\"air\", \"span\", \"knots\", \"lambda\", \"edf\", \"chi_square\", \"freedom\", \"scale\",\n"
         "\"effective_samples\" and \"correlation\" (what the samples count as, and the samples over it),\n"
         "\"rms\" and \"cv_rms\" (ft/s: the shots' velocities, and each shot's from a fit without it),\n"
         "\"points\" (mach, cd, cd_low, cd_high), \"laws\" and \"tables\" (name, form_factor, BC, rms,\n"
         "cv_rms; a table also where it overlaps the curve and by how much it differs there), \"shots\",\n"
         "\"table_file\" and \"note\". --text prints the report instead. -o writes the curve as a drag\n"
         "table that --drag-table reads: CSV for a name ending in .csv, else JSON with the band. --plot\n"
         "draws the curve and its band against the Mach number beside the laws and tables, each times\n"
         "its form factor: SVG for a name ending in .svg, else PNG.\n",
         {"--drag-table", "--gates", "--keep-outliers", "--text", "-o", "--plot"},
         true,
         curve_command},
        {"import",
         "import PATH [--format NAME] [--json | --csv]",
         "a shot string from a chronograph's or radar's files",
         "Reads the shot string of PATH: a file, a folder (a LabRadar series: SRnnnn Report.csv and its\n"
         "TRK/ShotNNNN Track.csv files) or a zip of one; - reads standard input. The format is told from\n"
         "the content; --format NAME forces one: labradar, labradar-track, xero-csv, xero-fit,\n"
         "magnetospeed, shots-csv, string-csv, paste, velora-json, xero-sheet (a ShotView .xlsx or .xls,\n"
         "a sheet a session, each shot's id its sheet's number and its own). Prints the string shot by\n"
         "shot: each shot's muzzle velocity, its measurements and its track's size, and every shot,\n"
         "measurement or track sample set aside with its reasons. --json prints it as JSON (schema 1): \"source\",\n"
         "\"units\" (as the file stated them), \"projectile\" (as set on the device), \"stated\" (the\n"
         "file's own summary figures), \"shots\" (each with \"MV\" in ft/s or null, \"MV_kind\",\n"
         "\"measurements\", \"track\" and \"marks\": the reasons it is set aside, empty when it is\n"
         "used). --csv prints the string CSV: id,time,mv then a column a measurement named by its range\n"
         "(v@10.936133yd), in ft/s, s and in, and marks. Inputs over 64 MiB and strings over 100000\n"
         "measurements are refused.\n",
         {"--format", "--json", "--csv"},
         false,
         import_command},
        {"report",
         "report FILE [SHOTS|PATH] [KEY=VALUE ...] [--title T] [--notes N] [--fit-mv] [-o report.pdf]",
         "the range report as a PDF document",
         "Writes the range report of FILE as a PDF document (A4, or Letter where the locale's paper is\n"
         "Letter): the title block (--title, and --notes such as the pellet, the batch and the rifle),\n"
         "the inputs in FILE's units, the BC with its confidence band, the plot of the active method's\n"
         "quantity and the range table. With SHOTS.csv or PATH (as fit takes them) the shots are fitted\n"
         "first, and the best law and its BC are used as the Fit window's Use enters them. A shot string\n"
         "with measurements downrange is fitted shot by shot, each shot from its own muzzle velocity, as\n"
         "fit does, and its mean muzzle velocity is used: the report adds the verdict, the ranked laws,\n"
         "the shots used and set aside with the reasons, the muzzle velocities' mean, SD and extreme\n"
         "spread, the spread and trend of the shots' own BCs, and the measurements on the plot. The shots\n"
         "of SHOTS.csv are fitted together under the ten laws. WEIGHT and CAL (or the weight the device\n"
         "was set to) add the projectile's sectional density, form factor and energy, ENERGY_LIMIT whether\n"
         "the muzzle energy and each shot's pass it. -o names the file\n"
         "(default \"Velora Report.pdf\"); its path is printed.\n",
         {"--title", "--notes", "--fit-mv", "-o"},
         true,
         report_command},
        {"table",
         "table FILE [KEY=VALUE ...]",
         "the window's range table",
         "Prints the range table as the window lists it, in the units that FILE selects, after the\n"
         "prediction pass that the program runs at start-up. With WEIGHT (gr or g) each row also gives\n"
         "the projectile's energy there, in ft·lbf and J.\n",
         {},
         true,
         table_command},
        {"prefs",
         "prefs FILE [KEY=VALUE ...]",
         "the preferences as the program reads them",
         "Prints the preferences as the program reads FILE (and the KEY=VALUE arguments), in the form\n"
         "the program saves them, one key a line.\n",
         {},
         true,
         prefs_command},
        {"first-run",
         "first-run",
         "the preferences file that a first run writes",
         "Prints the preferences file that the program writes when it starts for the first time.\n",
         {},
         false,
         first_run_command},
        {"number",
         "number TEXT [DECIMALS]",
         "TEXT read as an input field reads it",
         "Reads TEXT as an input field of the window reads a text without a unit (a comma in a text\n"
         "without a point is its decimal point; the longest leading number, the rest ignored; nothing\n"
         "read is 0) and prints it with DECIMALS decimals (0 to 12, default 4).\n",
         {},
         false,
         number_command},
    };
    return commands;
}

int help_command(const std::vector<std::string>& args, CliIo& io) {
    if (args.size() > 2) return fail(io, CliBadUsage, "help takes at most one command; see 'velora-cli --help'");
    if (args.size() == 1) {
        io.out << usage();
        return CliOk;
    }
    const Command* c = find_command(args[1]);
    if (!c) return fail(io, CliBadUsage, "unknown command '" + args[1] + "'; see 'velora-cli --help'");
    io.out << command_help(*c);
    return CliOk;
}

}  // namespace

int run_cli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
            const ReportPdfWriter& pdf, const CurvePlotWriter& plot) {
    CliIo io{in, out, err, pdf ? &pdf : nullptr, plot ? &plot : nullptr};
    if (args.empty()) return fail(io, CliBadUsage, "no command given; see 'velora-cli --help'");
    const std::string& first = args[0];
    if (first == "--version" || first == "-V") {
        if (args.size() > 1) return fail(io, CliBadUsage, first + " takes no arguments");
        out << "velora-cli " << ProgramVersion << "\n";
        return CliOk;
    }
    if (first == "help" || first == "--help" || first == "-h") return help_command(args, io);
    const Command* command = find_command(first);
    if (!command) return fail(io, CliBadUsage, "unknown command '" + first + "'; see 'velora-cli --help'");

    CommandLine cl{first, {}, {}};
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out << command_help(*command);
            return CliOk;
        }
        const char* valued = nullptr;
        for (const char* o : ValuedOptions) {
            if (a == o || a.rfind(std::string(o) + "=", 0) == 0) valued = o;
        }
        if (valued) {
            bool takes = false;
            for (const char* o : command->options) takes = takes || std::string(o) == valued;
            if (!takes) return bad_usage(io, cl, "unknown option '" + std::string(valued) + "' for " + first);
            if (a == valued && i + 1 >= args.size())
                return bad_usage(io, cl, std::string(valued) + missing_value_text(valued));
            cl.options.push_back(a == valued ? a + "=" + args[++i] : a);
            continue;
        }
        if (a.rfind("--", 0) == 0) {
            bool known = false;
            for (const char* o : command->options) known = known || a == o;
            if (!known) return bad_usage(io, cl, "unknown option '" + a + "' for " + first);
            cl.options.push_back(a);
        } else {
            cl.operands.push_back(a);
        }
    }
    return command->run(cl, io);
}

}  // namespace velora
