#include "cli/cli.h"

#include "app/calc_state.h"
#include "engine/atmosphere.h"
#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "services/preferences.h"

#include <cmath>
#include <memory>
#include <optional>
#include <ostream>

namespace velora {

namespace {

constexpr const char* Usage =
    "usage: velora-cli prefs FILE\n"
    "       velora-cli first-run\n"
    "       velora-cli number TEXT [DECIMALS]\n"
    "       velora-cli trajectory FILE [STEP]\n";

int bad_usage(std::ostream& err, const std::string& why)
{
    err << "velora-cli: " << why << "\n" << Usage;
    return CliBadUsage;
}

// A preferences file read into `s` as the program reads it at start-up, but without writing a
// first-run file when it is missing: the tool only reads.
bool read_prefs_argument(const std::string& path, CalcState& s, std::ostream& err)
{
    if (read_preferences_file(path, s)) return true;
    err << "velora-cli: cannot read " << path << "\n";
    return false;
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

std::string pad_left(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

int prefs_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() != 2) return bad_usage(err, "prefs takes one file");
    CalcState s;
    if (!read_prefs_argument(args[1], s, err)) return CliFailed;
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

int trajectory_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() < 2 || args.size() > 3) return bad_usage(err, "trajectory takes one file and at most a step");
    CalcState s;
    if (!read_prefs_argument(args[1], s, err)) return CliFailed;

    float step = s.TableStep;
    if (args.size() == 3) {
        float given = 0.0f;
        if (!parse_leading_number(args[2], given) || !(given >= 0.5f && given <= 1000.0f)) {
            return bad_usage(err, "the step must be a number of yards from 0.5 to 1000");
        }
        step = given;
    }

    const FlightInputs in = flight_inputs(s);
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(in, *tr);
    const float target = s.TRArray[s.stateRB];

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
    // Whole steps up to the target, then the target itself when it falls between two steps.
    const int steps = static_cast<int>(std::floor(target / step));
    for (int i = 0; i <= steps; ++i) row(static_cast<float>(i) * step);
    if (static_cast<float>(steps) * step < target) row(target);
    return CliOk;
}

}  // namespace

int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) return bad_usage(err, "no command given");
    const std::string& command = args[0];
    if (command == "prefs") return prefs_command(args, out, err);
    if (command == "number") return number_command(args, out, err);
    if (command == "trajectory") return trajectory_command(args, out, err);
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
