#include "services/preferences.h"

#include "engine/drag_laws.h"
#include "engine/number_text.h"
#include "services/file_replace.h"
#include "services/text_encoding.h"
#include "solver/fields.h"
#include "solver/input_limits.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <system_error>

namespace velora {

namespace {

enum class KeyType { Integer, Float, Flag };

// One stored field: its key, how it is written and what a missing key reads as.
struct PrefKey {
    const char* name;
    KeyType type;
    int decimals;         // floats: decimals written
    const char* missing;  // the text a missing key reads as
    int lowest, highest;  // integers: the values the program can use (else the missing value)
    float* (*real)(CalcState&);
    int* (*integer)(CalcState&);
    std::uint8_t* (*flag)(CalcState&);
    float CalcState::*input = nullptr;  // the value of an input field (its row in solver/fields.h)
};

constexpr PrefKey float_key(const char* name, int decimals, const char* missing, float* (*field)(CalcState&)) {
    return {name, KeyType::Float, decimals, missing, 0, 0, field, nullptr, nullptr};
}

constexpr PrefKey int_key(const char* name, const char* missing, int lowest, int highest, int* (*field)(CalcState&)) {
    return {name, KeyType::Integer, 0, missing, lowest, highest, nullptr, field, nullptr};
}

constexpr PrefKey flag_key(const char* name, const char* missing, std::uint8_t* (*field)(CalcState&)) {
    return {name, KeyType::Flag, 0, missing, 0, 1, nullptr, nullptr, field};
}

constexpr PrefKey input_key(const Input& in) {
    return {in.key, KeyType::Float, in.stored, in.missing, 0, 0, nullptr, nullptr, nullptr, in.value};
}

float& real_of(const PrefKey& key, CalcState& s) { return key.input ? s.*key.input : *key.real(s); }

// The file begins with the window positions; the inputs follow.
constexpr PrefKey WindowKeys[] = {
    int_key("WinX(0)", "-1", INT_MIN, INT_MAX, [](CalcState& s) { return &s.WinX[0]; }),
    int_key("WinY(0)", "-1", INT_MIN, INT_MAX, [](CalcState& s) { return &s.WinY[0]; }),
    int_key("WinX(1)", "-1", INT_MIN, INT_MAX, [](CalcState& s) { return &s.WinX[1]; }),
    int_key("WinY(1)", "-1", INT_MIN, INT_MAX, [](CalcState& s) { return &s.WinY[1]; }),
};

// After the inputs: the target ranges of the four methods, the selections and options.
constexpr PrefKey SettingKeys[] = {
    float_key("TRArray(0)", 2, "50", [](CalcState& s) { return &s.TRArray[0]; }),
    float_key("TRArray(1)", 2, "50", [](CalcState& s) { return &s.TRArray[1]; }),
    float_key("TRArray(2)", 2, "50", [](CalcState& s) { return &s.TRArray[2]; }),
    float_key("TRArray(3)", 2, "50", [](CalcState& s) { return &s.TRArray[3]; }),
    int_key("CURVE", "5", 0, DragLawCount - 1, [](CalcState& s) { return &s.CURVE; }),
    int_key("stateMV", "0", 0, 2, [](CalcState& s) { return &s.stateMV; }),
    int_key("stateZR", "1", 0, 2, [](CalcState& s) { return &s.stateZR; }),
    int_key("stateTR", "1", 0, 2, [](CalcState& s) { return &s.stateTR; }),
    int_key("stateSH", "0", 0, 2, [](CalcState& s) { return &s.stateSH; }),
    int_key("stateTV", "0", 0, 2, [](CalcState& s) { return &s.stateTV; }),
    int_key("statePOI", "0", 0, 2, [](CalcState& s) { return &s.statePOI; }),
    int_key("stateET", "0", 0, 1, [](CalcState& s) { return &s.stateET; }),
    int_key("stateBC", "2", 0, DragLawCount - 1, [](CalcState& s) { return &s.stateBC; }),
    int_key("stateTMP", "0", 0, 1, [](CalcState& s) { return &s.stateTMP; }),
    int_key("statePRES", "0", 0, 2, [](CalcState& s) { return &s.statePRES; }),
    int_key("statePAN", "0", 0, 2, [](CalcState& s) { return &s.statePAN; }),
    int_key("stateDROP", "0", 0, 2, [](CalcState& s) { return &s.stateDROP; }),
    int_key("stateBC_VAL", "0", 0, 1, [](CalcState& s) { return &s.stateBC_VAL; }),
    int_key("ShowTarget", "0", 0, 1, [](CalcState& s) { return &s.ShowTarget; }),
    int_key("stateRB", "0", 0, 3, [](CalcState& s) { return &s.stateRB; }),
    int_key("mode", "0", 0, 1, [](CalcState& s) { return &s.mode; }),
    int_key("mpag", "5", 5, 16, [](CalcState& s) { return &s.mpag; }),
    int_key("Scheme", "0", INT_MIN, INT_MAX, [](CalcState& s) { return &s.Scheme; }),
    flag_key("AutoLogoCheck", "1", [](CalcState& s) { return &s.AutoLogoCheck; }),
    flag_key("AutoUpdateCheck", "1", [](CalcState& s) { return &s.AutoUpdateCheck; }),
    flag_key("EnableToolTips", "1", [](CalcState& s) { return &s.EnableToolTips; }),
    int_key("Gaps", "1", 0, 1, [](CalcState& s) { return &s.Gaps; }),
    float_key("TableStep", 1, "1.0", [](CalcState& s) { return &s.TableStep; }),
};

// Every key in file order: the window positions, the inputs the file keeps in the order of their
// rows, then the rest.
const std::vector<PrefKey>& keys() {
    static const std::vector<PrefKey> all = [] {
        std::vector<PrefKey> k(std::begin(WindowKeys), std::end(WindowKeys));
        for (const Input& in : Inputs)
            if (in.key != nullptr) k.push_back(input_key(in));
        k.insert(k.end(), std::begin(SettingKeys), std::end(SettingKeys));
        return k;
    }();
    return all;
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string lower_case(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The leading whole number of a value (blanks, an optional sign, digits; what follows is ignored),
// held within the int range; nothing when the value does not begin with one.
std::optional<int> leading_integer(std::string_view text) {
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    std::size_t digits = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        value = std::min(value * 10 + (text[digits] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    if (digits == 0) return std::nullopt;
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

// key (lower case) → value text; the last line of a key counts.
std::map<std::string, std::string_view> key_values(std::string_view text) {
    constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
    if (text.substr(0, ByteOrderMark.size()) == ByteOrderMark) text.remove_prefix(ByteOrderMark.size());

    std::map<std::string, std::string_view> values;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));

        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, equals));
        if (key.empty()) continue;
        values.insert_or_assign(lower_case(key), trim(line.substr(equals + 1)));
    }
    return values;
}

// A time of flight or a POI beyond these comes from no flight the program computes (its longest
// flights take a few seconds and fall a few hundred inches); a typed one of that size finds no BC.
constexpr float LongestStoredET = 100.0f;      // s
constexpr float DeepestStoredPOI = -10000.0f;  // in

// Brings loaded values that the window could never have produced back into the ranges the
// program works with: a muzzle velocity or BC of 0 would stall the flight models, a table step
// of 0 would never end the table, and a wild range would run the flight for ever. An air state
// outside the range the window takes is brought to its nearest edge; a tolerance of more than 5 %
// is taken as 5 %.
void limit_loaded_values(CalcState& s) {
    for (const Input& in : Inputs) {
        if (in.key == nullptr) continue;
        float& value = s.*in.value;
        if (in.loaded_as_typed) value = with_sign(in, value);
        value = std::clamp(value, in.loaded.low, in.loaded.high);
    }
    s.TV = std::min(s.TV, s.MV - TVBelowMV);
    for (int i = 0; i < 4; ++i) s.TRArray[i] = std::clamp(s.TRArray[i], TargetSlotMinimum[i], RangeCap);
    // Any finite step from a tenth of a unit up to the farthest range is kept; the menu itself
    // offers 1, 5, 10 and 25.
    if (!(s.TableStep >= 0.1f) || !std::isfinite(s.TableStep)) s.TableStep = 1.0f;
    s.TableStep = std::min(s.TableStep, RangeCap);
}

// The name the earlier versions of the program saved through; one of them killed while it saved
// leaves it.
constexpr const char* LegacyTemporaryName = "Velora.prefs.new";

}  // namespace

std::optional<std::string> preferences_file_text(const std::string& path) {
    KeptFileRead read = read_kept_file(path, LargestPreferencesFile);
    if (read.state != KeptFileState::Read) return std::nullopt;
    return std::move(read.bytes);
}

std::string preferences_file_path(const CalcState& s) { return s.PrefsFolder + PreferencesFileName; }

void read_preferences_text(std::string_view text, CalcState& s) {
    const std::optional<std::string> converted = utf8_of_marked_utf16(text);
    const auto values = key_values(converted ? std::string_view(*converted) : text);
    for (const PrefKey& key : keys()) {
        const auto found = values.find(lower_case(key.name));
        const std::string_view given = found == values.end() ? std::string_view() : found->second;
        switch (key.type) {
            case KeyType::Float: {
                float value = 0.0f;
                if (!parse_leading_number(given, value)) value = read_number(key.missing);
                real_of(key, s) = value;
                break;
            }
            case KeyType::Integer:
            case KeyType::Flag: {
                auto value = leading_integer(given);
                if (!value || *value < key.lowest || *value > key.highest) value = leading_integer(key.missing);
                if (key.type == KeyType::Integer)
                    *key.integer(s) = *value;
                else
                    *key.flag(s) = static_cast<std::uint8_t>(*value);
                break;
            }
        }
    }
    limit_loaded_values(s);
}

bool is_preference_key(std::string_view key) {
    const std::string wanted = lower_case(trim(key));
    return std::any_of(keys().begin(), keys().end(),
                       [&wanted](const PrefKey& k) { return lower_case(k.name) == wanted; });
}

bool has_preference_key(std::string_view text) {
    const auto values = key_values(text);
    return std::any_of(keys().begin(), keys().end(),
                       [&values](const PrefKey& k) { return values.count(lower_case(k.name)) > 0; });
}

std::vector<PreferenceKey> preference_keys() {
    std::vector<PreferenceKey> names;
    for (const PrefKey& k : keys()) {
        names.push_back({k.name, k.type != KeyType::Float, k.lowest, k.highest});
    }
    return names;
}

const PreferenceKey* preference_key(std::string_view name) {
    static const std::vector<PreferenceKey> all = preference_keys();
    const std::string wanted = lower_case(trim(name));
    for (const PreferenceKey& k : all) {
        if (lower_case(k.name) == wanted) return &k;
    }
    return nullptr;
}

std::string preferences_text(const CalcState& s) {
    // Every value as the reader would take it back: a value the reader would bring into its range
    // (a POI of -1e38 typed into the window, an endless time of flight) is written as it would
    // read, so that the file reads back to what it says.
    CalcState fields = s;
    limit_loaded_values(fields);
    std::string text = "\xEF\xBB\xBF\r\n";
    for (const PrefKey& key : keys()) {
        text += key.name;
        text += " = ";
        switch (key.type) {
            case KeyType::Float: text += format_fixed(real_of(key, fields), key.decimals); break;
            case KeyType::Integer: text += std::to_string(*key.integer(fields)); break;
            case KeyType::Flag: text += std::to_string(*key.flag(fields)); break;
        }
        text += "\r\n";
    }
    return text;
}

KeptFile load_preferences(CalcState& s) {
    // A save that was cut short (the program killed in the middle) leaves its temporary file.
    remove_stale_temporaries(s.PrefsFolder, PreferencesFileName, LegacyTemporaryName, StaleTemporaryAge);
    // A save through a link the user made leaves it beside the file the link leads to.
    remove_stale_temporaries_of(preferences_file_path(s), StaleTemporaryAge);
    KeptFile file{preferences_file_path(s), std::nullopt, std::nullopt};
    KeptFileRead read = read_kept(file, LargestPreferencesFile);
    if (read.state == KeptFileState::Missing && save_kept(file, FirstRunPreferencesText).result == KeptSave::Saved)
        read = read_kept(file, LargestPreferencesFile);
    // Missing still (the folder cannot be written) or refused: the first run's values.
    read_preferences_text(read.state == KeptFileState::Read ? std::string_view(read.bytes) : FirstRunPreferencesText,
                          s);
    return file;
}

WriteOutcome save_preferences(const CalcState& s) {
    return replace_file_contents(preferences_file_path(s), preferences_text(s), NewFileAccess::Private);
}

KeptSaveOutcome save_preferences(const CalcState& s, KeptFile& file, bool force) {
    return save_kept(file, preferences_text(s), force);
}

}  // namespace velora
