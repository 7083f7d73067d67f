// velora-cli: the command-line tool over the calculator's own routines.
//
//   velora-cli trajectory FILE [KEY=VALUE ...] [--text]   the flight of the file's projectile
//   velora-cli solve FILE [KEY=VALUE ...] [--trajectory | --text]    the BC from the measurement
//   velora-cli predict FILE [KEY=VALUE ...] [--trajectory | --text]  the measurements from the BC
//   velora-cli fit FILE SHOTS.csv [KEY=VALUE ...] [--fit-mv] [--text]  the BC under each law from shots
//   velora-cli report FILE [SHOTS|PATH] [--title T] [-o report.pdf]  the range report as PDF
//   velora-cli table FILE [KEY=VALUE ...]                 the window's range table
//   velora-cli prefs FILE [KEY=VALUE ...]                 the preferences as the program reads them
//   velora-cli first-run                                  the text a first run writes
//   velora-cli number TEXT [DECIMALS]                     TEXT read as an input field reads it
//   velora-cli help [COMMAND], velora-cli COMMAND --help, velora-cli --version
//
// FILE is a preferences file, "-" for standard input; each KEY=VALUE sets one member of the state
// (cli/state_arguments.h). A failure writes exactly one line to standard error.
// All output is locale-free: "." is the decimal point and nothing is grouped.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace velora {

struct ReportContent;
struct CurvePlot;

// Writes the report as a PDF at the path and answers the reason of a failure, or nothing. The
// program gives it (it needs Qt's PDF writer); without one the report command refuses.
using ReportPdfWriter = std::function<std::string(const std::string& path, const ReportContent& content)>;

// Writes the plot of a fitted drag curve as PNG or SVG at the path and answers the reason of a
// failure, or nothing; without one, curve --plot refuses.
using CurvePlotWriter = std::function<std::string(const std::string& path, const CurvePlot& plot)>;

inline constexpr int CliOk = 0;
inline constexpr int CliFailed = 2;        // a file that cannot be read, or is no preferences file
inline constexpr int CliBadUsage = 2;      // a command line the tool does not take
inline constexpr int CliImprobableBc = 3;  // the solve left 0.004..1.2: the BC was kept

// Runs one command line; `args` leaves out the program name. FILE "-" is read from `in`; results
// go to `out`, messages to `err`.
int run_cli(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
            const ReportPdfWriter& pdf = {}, const CurvePlotWriter& plot = {});

}  // namespace velora
