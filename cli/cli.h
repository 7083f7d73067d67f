// velora-cli: the command-line tool over the calculator's own routines.
//
//   velora-cli trajectory FILE [KEY=VALUE ...]  the flight of the projectile as JSON (--text: a short table)
//   velora-cli solve FILE [KEY=VALUE ...]       the BC solved from the active method's measurement, as JSON
//   velora-cli predict FILE [KEY=VALUE ...]     the measurements that the BC predicts, as JSON
//       both also take DROP=INCHES (or a "DROP = value" line in FILE), --trajectory and --text
//   velora-cli table FILE [KEY=VALUE ...]       the window's range table, in the units the file selects
//   velora-cli prefs FILE [KEY=VALUE ...]       the preferences as the program reads them, in its saved form
//   velora-cli first-run                        the text a first run writes
//   velora-cli number TEXT [DECIMALS]           TEXT read as an input field reads it, with DECIMALS decimals
//
// FILE is a preferences file; each KEY=VALUE (a key of that file, in internal units) replaces the
// file's value and is read and limited like it.
// All output is locale-free: "." is the decimal point and nothing is grouped.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace velora {

inline constexpr int CliOk = 0;
inline constexpr int CliFailed = 2;        // a file could not be read
inline constexpr int CliBadUsage = 2;    // a command line the tool does not understand
inline constexpr int CliImprobableBc = 3;  // the solve left 0.004..1.2: the BC was kept

// Runs one command line; `args` leaves out the program name. Results go to `out`, messages to `err`.
int run_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velora
