// The preferences file "Velora.prefs": every input, unit selection, option and the two window
// positions, kept from one run to the next as "key = value" lines in the internal units of
// CalcState, whatever units the window shows.
#pragma once

#include "services/file_replace.h"
#include "services/kept_file.h"
#include "state/calc_state.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velora {

inline constexpr const char* PreferencesFileName = "Velora.prefs";

// No preferences file comes near this (the program writes some 900 bytes); a larger file is
// something else, and is not read.
inline constexpr std::size_t LargestPreferencesFile = std::size_t{1} << 20;

// The text written on the first run, when no preferences file exists yet: 590 bytes of plain
// ASCII, lines ended by LF, beginning with an empty line, without the "mpag" key.
extern const std::string_view FirstRunPreferencesText;

// PrefsFolder + "Velora.prefs" (PrefsFolder ends with a separator, or is empty for the current
// directory).
std::string preferences_file_path(const CalcState& s);

// Reads the file of s.PrefsFolder into `s`, after removing the temporary files that a save cut
// short left there. When the file does not exist it is first created with
// FirstRunPreferencesText. A file that cannot be read (or created) is taken as that text, so the
// values are those of a first run either way. A file that exists but cannot be read (no
// permission, larger than LargestPreferencesFile, not a regular file, a link leading nowhere) is
// refused: the file returned says why, and save_preferences never writes over it in this run.
KeptFile load_preferences(CalcState& s);

// The bytes of the preferences file at `path`; nothing when `path` is not a file that can be read.
std::optional<std::string> preferences_file_text(const std::string& path);

// Fills `s` from the text of a preferences file (UTF-8 or ASCII; UTF-16 with its byte-order mark
// is read too). A key that is missing, or whose value does not
// begin with a number, takes its missing-key value. Values that the window could never have
// produced are brought back into the ranges the program works with (see the .cpp); the two
// chronograph tolerances are limited to 5 %. Keys are matched without regard to letter case,
// blanks around "=" are ignored, the last of duplicate keys counts and lines without "=" are
// skipped. Fields that the file does not store are left as they are.
void read_preferences_text(std::string_view text, CalcState& s);

// True for a key of the file ("MV", "_POI", "TRArray(2)"), in any letter case and with any blanks
// around it, as the reader matches keys.
bool is_preference_key(std::string_view key);

// True when at least one line of `text` gives a key of the file (as the reader matches keys): a
// text without one (an empty file, a binary, some other program's file) is no preferences file.
bool has_preference_key(std::string_view text);

// One key of the file as the reader takes it: a whole number (or a 0/1 flag) within lowest..highest,
// else a decimal number.
struct PreferenceKey {
    const char* name;  // as the file writes it: "MV", "_POI", "TRArray(2)"
    bool whole_number;
    int lowest, highest;  // whole numbers: the values the reader keeps (others read as missing)
};

// The keys in file order; nothing for a name that is not one (matched as is_preference_key does).
const PreferenceKey* preference_key(std::string_view name);
std::vector<PreferenceKey> preference_keys();

// The text that save_preferences writes: the UTF-8 byte-order mark and CR LF, then one
// "key = value" line per key ended by CR LF. Each value is written as the reader would bring it
// into its range, so that reading the text back and writing it again gives the same text.
//
// The unit selections, statePAN and WinX/WinY are written from `s`: the window copies its
// current list selections, tab and window positions into the state before saving.
std::string preferences_text(const CalcState& s);

// Replaces the file of s.PrefsFolder with preferences_text(s). The text is written to a new
// temporary file beside it that then takes the file's place, so an interrupted save never leaves
// half a file and a file or link planted beside it is never written through. On a failure the
// old file stays as it was and the outcome says why.
WriteOutcome save_preferences(const CalcState& s);

// The same into the file as load_preferences returned it: not over a refused file, and not over
// one that changed on the disk since this run read or wrote it unless `force` (see save_kept).
KeptSaveOutcome save_preferences(const CalcState& s, KeptFile& file, bool force = false);

}  // namespace velora
