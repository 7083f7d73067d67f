// What a velora-cli command computes from: the preferences FILE (a path, or "-" for standard
// input) and the KEY=VALUE arguments after it.
//
// The file is read as the window reads it at start-up, leniently. The arguments are not: a key
// that is no member of the state, a value that is not a number in a unit of its quantity, a whole
// number outside the values the program uses, a temperature or pressure outside the window's
// range and a target range beyond the flight's limit are refused, each with one line that names
// it. A value given for an input field goes through that field's check, as if typed into the
// field in the internal unit (MV=5000 becomes 4000, POI=0.5 becomes -0.5); the other values are
// limited as the file's are. The zero and target ranges are checked last, against the flight of
// everything else given, as the window checks them after the pass that the other edits ran; a
// range equal to the one the file holds is taken as it stands. TR is the target range of the
// active method, as the target-range field edits it; after loading it is that entry of TRArray.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "state/calc_state.h"

namespace velora {

// The bytes of FILE, into `text`; nothing when read, else the one-line reason
// ("cannot read x.prefs: No such file or directory"). `what` names what the file should be, for
// one that is too large ("x.prefs is too large for a preferences file").
std::optional<std::string> read_input(const std::string& path, std::istream& in, std::string& text,
                                      const std::string& what = "a preferences file");

// The name of FILE in messages: "standard input" for "-".
std::string input_name(const std::string& path);

// Fills `s` from the file's text and the arguments; nothing when done, else the one-line reason.
// The drop, which the file does not store, comes from the last DROP argument, else the file's
// first "DROP = value" line, else the state's own value, each taken as the drop field takes it.
std::optional<std::string> load_state(std::string_view file_text, const std::string& file_name,
                                      const std::vector<std::string>& arguments, CalcState& s);

}  // namespace velora
