// velora-cli: the command-line tool over the calculator's own routines.
//
//   velora-cli prefs FILE                   the preferences file as the program reads it, in its saved form
//   velora-cli first-run                    the text a first run writes
//   velora-cli number TEXT [DECIMALS]       TEXT read as an input field reads it, with DECIMALS decimals
//   velora-cli trajectory FILE [STEP]       the flight of the file's projectile out to its target range
//
// All output is locale-free: "." is the decimal point and nothing is grouped.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velora {

inline constexpr int CliOk = 0;
inline constexpr int CliFailed = 1;      // a file could not be read
inline constexpr int CliBadUsage = 2;    // a command line the tool does not understand

// Runs one command line; `args` leaves out the program name. Results go to `out`, messages to `err`.
int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velora
