#include "cli/state_members.h"

namespace velora {

namespace {

using K = ValueKind;

// An input field's value, from its row.
StateMember input_member(const Input& in) {
    return {in.name, in.key, 1, in.kind, in.field, [value = in.value](CalcState& s) { return &(s.*value); },
            nullptr, nullptr};
}

StateMember real(const char* name, K kind, float* (*get)(CalcState&), int count = 1) {
    return {name, name, count, kind, std::nullopt, get, nullptr, nullptr};
}

StateMember whole(const char* name, int* (*get)(CalcState&), int count = 1) {
    return {name, name, count, K::Plain, std::nullopt, nullptr, get, nullptr};
}

StateMember flag(const char* name, std::uint8_t* (*get)(CalcState&)) {
    return {name, name, 1, K::Plain, std::nullopt, nullptr, nullptr, get};
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

const std::vector<StateMember>& state_members() {
    static const std::vector<StateMember> members = [] {
        // The inputs in the order of their rows, the target range's four slots after it.
        std::vector<StateMember> m;
        for (const Input& in : Inputs) {
            m.push_back(input_member(in));
            if (in.field == FieldId::TR)
                m.push_back(real(
                    "TRArray", K::Range, [](CalcState& s) { return &s.TRArray[0]; }, 4));
        }
        // In the range unit of the table: no suffix.
        m.push_back(real("TableStep", K::Plain, [](CalcState& s) { return &s.TableStep; }));
        const StateMember settings[] = {
            whole("CURVE", [](CalcState& s) { return &s.CURVE; }),
            whole("stateBC", [](CalcState& s) { return &s.stateBC; }),
            whole("stateRB", [](CalcState& s) { return &s.stateRB; }),
            whole("stateBC_VAL", [](CalcState& s) { return &s.stateBC_VAL; }),
            whole("stateMV", [](CalcState& s) { return &s.stateMV; }),
            whole("stateZR", [](CalcState& s) { return &s.stateZR; }),
            whole("stateTR", [](CalcState& s) { return &s.stateTR; }),
            whole("stateSH", [](CalcState& s) { return &s.stateSH; }),
            whole("stateTV", [](CalcState& s) { return &s.stateTV; }),
            whole("statePOI", [](CalcState& s) { return &s.statePOI; }),
            whole("stateET", [](CalcState& s) { return &s.stateET; }),
            whole("stateDROP", [](CalcState& s) { return &s.stateDROP; }),
            whole("stateTMP", [](CalcState& s) { return &s.stateTMP; }),
            whole("statePRES", [](CalcState& s) { return &s.statePRES; }),
            whole("statePAN", [](CalcState& s) { return &s.statePAN; }),
            whole("mode", [](CalcState& s) { return &s.mode; }),
            whole("mpag", [](CalcState& s) { return &s.mpag; }),
            whole("ShowTarget", [](CalcState& s) { return &s.ShowTarget; }),
            whole("Gaps", [](CalcState& s) { return &s.Gaps; }),
            flag("AutoUpdateCheck", [](CalcState& s) { return &s.AutoUpdateCheck; }),
            flag("AutoLogoCheck", [](CalcState& s) { return &s.AutoLogoCheck; }),
            flag("EnableToolTips", [](CalcState& s) { return &s.EnableToolTips; }),
            whole("Scheme", [](CalcState& s) { return &s.Scheme; }),
            whole(
                "WinX", [](CalcState& s) { return &s.WinX[0]; }, 2),
            whole(
                "WinY", [](CalcState& s) { return &s.WinY[0]; }, 2),
        };
        m.insert(m.end(), std::begin(settings), std::end(settings));
        return m;
    }();
    return members;
}

std::optional<NamedMember> find_state_member(std::string_view key) {
    for (const StateMember& m : state_members()) {
        if (same_letters(key, m.name) || (m.file_key && m.count == 1 && same_letters(key, m.file_key))) {
            return NamedMember{&m, std::nullopt};
        }
        for (int i = 0; m.count > 1 && i < m.count; ++i) {
            if (same_letters(key, member_file_key(m, i))) return NamedMember{&m, i};
        }
    }
    return std::nullopt;
}

std::string member_file_key(const StateMember& m, int index) {
    if (!m.file_key) return m.name;
    if (m.count == 1) return m.file_key;
    return std::string(m.file_key) + "(" + std::to_string(index) + ")";
}

}  // namespace velora
