// The preferences saved over a file that another program (another run with the same folder, a
// dotfiles tool, an editor) saved since this run read or wrote it: each side's changes are kept,
// and only a key that both changed, to different values, is asked about.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velora {

// What this run writes over the preferences file: each key that this run changed since it last
// read or wrote the file (`own_before` → `own`) takes this run's value, every other key the
// file's. `known` is the file as this run last read or wrote it; `theirs` the file on the disk now,
// as the reader reads it (a key it lacks stays as `known` has it), or `known` again when no other
// program saved it meanwhile. A key that both changed, to different values, is a conflict: it
// takes this run's value when `own_wins`, else the file's. `known`, `own_before` and `own` are
// texts that preferences_text wrote; the merged text is one too.
struct PreferencesMerge {
    std::string text;
    std::vector<std::string> conflicts;  // the keys, as the file names them, in its order
};
PreferencesMerge merge_preferences(std::string_view known, std::string_view own_before, std::string_view own,
                                   std::string_view theirs, bool own_wins);

// The question when another program changed `keys` of the file at `path` that this window changed
// too: keep the window's values?
std::string preferences_conflict_question(const std::string& path, const std::vector<std::string>& keys);

}  // namespace velora
