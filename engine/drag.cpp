#include "engine/drag.h"

#include <cmath>
#include <limits>
#include <string_view>

namespace velora {

constexpr float DragTable[DragTableRows][DragTableColumns] = {
#include "drag_table_rows.inc"
};

namespace {

// The names in the table's header line: "Mach", then one a column.
constexpr std::string_view DragTableHeader[] = {
#include "drag_table_header.inc"
};

constexpr bool columns_carry_the_laws() {
    if (DragTableHeader[0] != "Mach") return false;
    for (const BuiltInDragLaw& law : DragLaws)
        if (law.column >= DragTableColumns - 1 || DragTableHeader[law.column] != law.name) return false;
    return true;
}
static_assert(std::size(DragTableHeader) == DragTableColumns - 1,
              "resources/dragtable.csv has a column for every built-in law and no other");
static_assert(columns_carry_the_laws(), "each law's column of resources/dragtable.csv is headed by its name");

constexpr DragPoint table_point(int row, int law) { return {DragTable[row][0], DragTable[row][DragLaws[law].column]}; }

struct DragSegmentTable {
    DragSegment of[DragLawCount][DragTableLastRow];
};

// Worked out once, when the program is compiled.
constexpr DragSegmentTable make_segments() {
    DragSegmentTable t{};
    for (int law = 0; law < DragLawCount; ++law)
        for (int i = 0; i < DragTableLastRow; ++i)
            t.of[law][i] = drag_segment(table_point(i, law), table_point(i + 1, law));
    return t;
}

constexpr DragSegmentTable DragSegments = make_segments();

constexpr double magnitude(float f) { return f < 0.0f ? -f : f; }

struct BuiltInCurves {
    DragCurve of[DragLawCount];
};

constexpr BuiltInCurves make_curves() {
    BuiltInCurves t{};
    for (int law = 0; law < DragLawCount; ++law) {
        DragCurve& c = t.of[law];
        c.segments = DragSegments.of[law];
        c.count = DragTableLastRow;
        c.hold_below = -std::numeric_limits<double>::infinity();
        c.first_cd = magnitude(table_point(0, law).cd);
        c.last_cd = magnitude(table_point(DragTableLastRow, law).cd);
        c.digest = drag_points_seed(DragTableLastRow + 1);
        for (int row = 0; row <= DragTableLastRow; ++row) c.digest = drag_points_fold(c.digest, table_point(row, law));
    }
    return t;
}

constexpr BuiltInCurves Curves = make_curves();

constexpr bool digests_differ() {
    for (int a = 0; a < DragLawCount; ++a)
        for (int b = 0; b < a; ++b)
            if (Curves.of[a].digest == Curves.of[b].digest) return false;
    return true;
}
static_assert(digests_differ(), "every built-in law's curve is told from the others by its digest");

}  // namespace

const DragCurve& drag_law_curve(int law) { return Curves.of[built_in_drag_law(law) ? law : G1]; }

std::string drag_law_name(int law) {
    const BuiltInDragLaw* l = built_in_drag_law(law);
    return l ? std::string(l->name) : std::string();
}

std::optional<int> drag_law_named(std::string_view name) {
    for (const BuiltInDragLaw& law : DragLaws)
        if (drag_law_checks::same_letters(law.name, name)) return law.code;
    return std::nullopt;
}

std::string drag_law_names_in_list_order() {
    std::string out;
    for (int position = 0; position < DragLawCount; ++position) {
        if (position > 0) out += position == DragLawCount - 1 ? " or " : ", ";
        out += DragLaws[drag_law_at_list_position(position)].name;
    }
    return out;
}

double drag_coefficient_by_scan(double mach, int law) {
    const int column = DragLaws[built_in_drag_law(law) ? law : G1].column;
    if (mach > DragTable[DragTableLastRow][0]) return std::fabs(DragTable[DragTableLastRow][column]);
    int i = 0;
    while (mach > DragTable[i + 1][0]) ++i;
    const float c0 = DragTable[i][column], c1 = DragTable[i + 1][column];
    const float m0 = DragTable[i][0], m1 = DragTable[i + 1][0];
    const double slope = static_cast<double>(c1 - c0) / (m1 - m0);
    return std::fabs(c0 + slope * (mach - m0));
}

double drag_coefficient(double mach, int law) { return drag_coefficient(mach, drag_law_curve(law)); }

}  // namespace velora
