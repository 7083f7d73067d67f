#include "cli/state_members.h"

namespace velora {

namespace {

using K = ValueKind;

StateMember real(const char* name, const char* file_key, K kind, std::optional<FieldId> field,
                 float* (*get)(CalcState&), int count = 1) {
    return {name, file_key, count, kind, field, get, nullptr, nullptr};
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
    static const std::vector<StateMember> members = {
        real("MV", "MV", K::Velocity, FieldId::MV, [](CalcState& s) { return &s.MV; }),
        real("ZR", "ZR", K::Range, FieldId::ZR, [](CalcState& s) { return &s.ZR; }),
        real("TR", "TR", K::Range, FieldId::TR, [](CalcState& s) { return &s.TR; }),
        real(
            "TRArray", "TRArray", K::Range, std::nullopt, [](CalcState& s) { return &s.TRArray[0]; }, 4),
        real("SH", "SH", K::SmallLength, FieldId::SH, [](CalcState& s) { return &s.SH; }),
        real("TV", "TV", K::Velocity, FieldId::TV, [](CalcState& s) { return &s.TV; }),
        real("POI", "_POI", K::SmallLength, FieldId::POI, [](CalcState& s) { return &s.POI; }),
        real("ET", "ET", K::Time, FieldId::ET, [](CalcState& s) { return &s.ET; }),
        real("DROP", nullptr, K::SmallLength, FieldId::DROP, [](CalcState& s) { return &s.DROP; }),
        real("BC", "BC", K::Plain, FieldId::BC, [](CalcState& s) { return &s.BC; }),
        real("MV_TOL", "MV_TOL", K::Percent, FieldId::MV_TOL, [](CalcState& s) { return &s.MV_TOL; }),
        real("TV_TOL", "TV_TOL", K::Percent, FieldId::TV_TOL, [](CalcState& s) { return &s.TV_TOL; }),
        real("TMP", "TMP", K::Temperature, FieldId::TMP, [](CalcState& s) { return &s.TMP; }),
        real("PRES", "PRES", K::Pressure, FieldId::PRES, [](CalcState& s) { return &s.PRES; }),
        real("HUMID", "HUMID", K::Percent, FieldId::HUMID, [](CalcState& s) { return &s.HUMID; }),
        // In the range unit of the table: no suffix.
        real("TableStep", "TableStep", K::Plain, std::nullopt, [](CalcState& s) { return &s.TableStep; }),
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
