// The members of the calculator state that velora-cli writes as "state" and takes back as
// KEY=VALUE, in the order the JSON lists them: the input fields from their rows (solver/fields.h),
// the rest beside them. One list, so that every member written can be given back under the same
// name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/unit_value.h"
#include "solver/fields.h"
#include "state/calc_state.h"

namespace velora {

struct StateMember {
    const char* name;                        // as the JSON writes it: "MV", "POI", "TRArray"
    const char* file_key;                    // the preferences key ("_POI"; arrays "TRArray(i)"); null for DROP
    int count;                               // 1, or the entries of an array (TRArray 4, WinX and WinY 2)
    ValueKind kind;                          // floats: what the value measures (its unit suffixes)
    std::optional<FieldId> field;            // the input field whose check a given value goes through
    std::function<float*(CalcState&)> real;  // floats: the (first) entry
    int* (*integer)(CalcState&);             // whole numbers
    std::uint8_t* (*flag)(CalcState&);       // the three 8-bit option flags
};

const std::vector<StateMember>& state_members();

// The member a KEY names, in any letter case: a member's name, or the file's key for it
// ("_POI"; "TRArray(2)", "WinX(1)" for one entry of an array). `index` is then the entry named,
// or nothing for a whole array.
struct NamedMember {
    const StateMember* member = nullptr;
    std::optional<int> index;
};
std::optional<NamedMember> find_state_member(std::string_view key);

// The preference key of one entry of a member ("TRArray(2)", "_POI", "MV").
std::string member_file_key(const StateMember& m, int index);

}  // namespace velora
