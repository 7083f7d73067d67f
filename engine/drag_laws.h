// The built-in drag laws: one table, from which everything else that names, lists or numbers a law
// is derived (the count, the window's list and its two maps, the texts, the preference ranges, the
// command line's names). A new built-in law is one row here and one column of
// resources/dragtable.csv.
#pragma once

#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "state/calc_state.h"

namespace velora {

struct BuiltInDragLaw {
    int code;                      // its number, the value of CURVE (DragLaw); the row's place in the table
    std::string_view name;         // the short name, at most four characters: "GA2"
    std::string_view description;  // the text beside the list; begins with the name padded to four characters
    int list_position;             // its place in the window's drag-law list (stateBC)
    int column;                    // its column in resources/dragtable.csv (column 0 is the Mach number)
};

inline constexpr BuiltInDragLaw DragLaws[] = {
    {G1, "G1", "G1  -  Standard model, Flat-base, 2-calibre nose ogive", 0, 1},
    {GA, "GA", "GA  -  Vardon's contender for round-nosed diabolo airgun pellets", 1, 2},
    {GS, "GS", "GS  -  Round Ball", 3, 3},
    {RA4, "RA4", "RA4 -  0.22 Long Rifle", 4, 4},
    {G7, "G7", "G7  -  VLD - long 7.5° boat-tail, 10 cal. nose ogive", 5, 5},
    {GA2, "GA2", "GA2 -  Quenby's contender for round-nosed diabolo airgun pellets", 2, 6},
    {SLG0, "SLG0", "SLG0 - Quenby's experimental blunt airgun slug profile", 6, 7},
    {SLG1, "SLG1", "SLG1 - Quenby's experimental blunt boat-tailed airgun slug profile", 7, 8},
    {WC0, "WC0", "WC0 -  Typical generic wadcutter (0.2 meplat) profile", 8, 9},
    {GL, "GL", "GL  -  Exposed lead projectile, flat base, round nose, no meplat", 9, 10},
};

inline constexpr int DragLawCount = static_cast<int>(std::size(DragLaws));

// The law of a number; nothing for a number that names none.
constexpr const BuiltInDragLaw* built_in_drag_law(int code) {
    return code >= 0 && code < DragLawCount ? &DragLaws[code] : nullptr;
}

// The drag-law list converts between a list position and a law; any other value maps to 0.
constexpr int drag_law_at_list_position(int position) {
    for (const BuiltInDragLaw& law : DragLaws)
        if (law.list_position == position) return law.code;
    return 0;
}
constexpr int list_position_of_drag_law(int law) {
    const BuiltInDragLaw* l = built_in_drag_law(law);
    return l ? l->list_position : 0;
}

// The description beside the list; "" for a number that names no law.
constexpr const char* drag_law_description(int law) {
    const BuiltInDragLaw* l = built_in_drag_law(law);
    return l ? l->description.data() : "";
}

// The short name as messages, the plot and the command line show it ("G1", "GA2", "SLG0"); "" for a
// number that names no law.
std::string drag_law_name(int law);

// The law a name gives, in any letter case ("RA4", "ra4"); nothing for a name of no law.
std::optional<int> drag_law_named(std::string_view name);

// The names in the order of the window's list, the last two joined by "or": "G1, GA, …, WC0 or GL".
std::string drag_law_names_in_list_order();

namespace drag_law_checks {

constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool same_letters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

constexpr bool table_is_sound() {
    for (int i = 0; i < DragLawCount; ++i) {
        const BuiltInDragLaw& law = DragLaws[i];
        // Each row at the place of its number, the descriptions and the short names cut from them agreeing.
        if (law.code != i || law.name.empty() || law.name.size() > 4) return false;
        if (law.description.size() < 4 || law.description.substr(0, law.name.size()) != law.name) return false;
        for (std::size_t k = law.name.size(); k < 4; ++k)
            if (law.description[k] != ' ') return false;
        // A name is no number: the command line takes either.
        if (!(lower(law.name[0]) >= 'a' && lower(law.name[0]) <= 'z') || law.name.find(' ') != std::string_view::npos)
            return false;
        if (law.column < 1 || law.list_position < 0 || law.list_position >= DragLawCount) return false;
        for (int j = 0; j < i; ++j) {
            const BuiltInDragLaw& other = DragLaws[j];
            if (other.list_position == law.list_position || other.column == law.column) return false;
            if (same_letters(other.name, law.name)) return false;
        }
    }
    return true;
}

}  // namespace drag_law_checks

static_assert(drag_law_checks::table_is_sound(),
              "each drag law at the place of its number, with a name of one to four characters that begins its "
              "description, and a list position and column of its own");

}  // namespace velora
