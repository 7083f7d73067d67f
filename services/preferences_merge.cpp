#include "services/preferences_merge.h"

#include <map>
#include <optional>

#include "services/preferences.h"
#include "services/text_encoding.h"
#include "state/calc_state.h"

namespace velora {

namespace {

// The values of a text that preferences_text wrote, by key.
std::map<std::string, std::string, std::less<>> written_values(std::string_view text) {
    std::map<std::string, std::string, std::less<>> values;
    for (std::string_view line : split_lines(text)) {
        const std::size_t eq = line.find(" = ");
        if (eq != std::string_view::npos) values[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 3));
    }
    return values;
}

}  // namespace

PreferencesMerge merge_preferences(std::string_view known, std::string_view own_before, std::string_view own,
                                   std::string_view theirs, bool own_wins) {
    const auto was = written_values(known), mine_before = written_values(own_before), mine = written_values(own);
    // Their file as this program would write it, each key it gives read onto what was known.
    const std::optional<std::string> decoded = utf8_of_marked_utf16(theirs);
    const std::string_view their_text = decoded ? std::string_view(*decoded) : theirs;
    CalcState read;
    read_preferences_text(known, read);
    read_preferences_text(their_text, read);
    const auto their_values = written_values(preferences_text(read));
    std::map<std::string, std::string, std::less<>> given;  // the keys their file gives
    for (std::string_view line : split_lines(their_text)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (const PreferenceKey* key = preference_key(line.substr(0, eq))) given[key->name];
    }
    const auto value_in = [](const auto& values, const std::string& key) {
        const auto at = values.find(key);
        return at == values.end() ? std::string() : at->second;
    };
    PreferencesMerge merged;
    merged.text = "\xEF\xBB\xBF\r\n";
    for (const PreferenceKey& key : preference_keys()) {
        const std::string name = key.name;
        const std::string mine_now = value_in(mine, name), before = value_in(was, name);
        const std::string file_now = given.count(name) != 0 ? value_in(their_values, name) : before;
        const bool mine_changed = mine_now != value_in(mine_before, name), theirs_changed = file_now != before;
        std::string value = mine_changed ? mine_now : file_now;
        if (mine_changed && theirs_changed && file_now != mine_now) {
            merged.conflicts.push_back(name);
            value = own_wins ? mine_now : file_now;
        }
        merged.text += name + " = " + value + "\r\n";
    }
    return merged;
}

std::string preferences_conflict_question(const std::string& path, const std::vector<std::string>& keys) {
    std::string names;
    for (const std::string& key : keys) names += (names.empty() ? "" : ", ") + key;
    return "\rThe preferences file was changed by another program since Velora read it:\r" + path + "\rBoth changed " +
           names + ".\rKeep the " + (keys.size() == 1 ? "value" : "values") +
           " of this window?\r(No takes the file's; every other change, this window's and the other program's, is "
           "kept.)";
}

}  // namespace velora
