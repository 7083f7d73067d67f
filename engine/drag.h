// The ten drag laws: the drag table, the law descriptions, the list-position maps and the lookup.
#pragma once

#include <string>

namespace velora {

inline constexpr int DragTableRows = 170;   // rows 0..168 filled, row 169 stays 0
inline constexpr int DragTableColumns = 12; // column 0 Mach, 1..10 the laws, 11 stays 0
inline constexpr int DragTableLastRow = 168;
inline constexpr int DragLawCount = 10;

// Row-major: DragTable[row][0] is the row's Mach number (0.025 × row), DragTable[row][law + 1]
// the drag coefficient of the law at it.
extern const float DragTable[DragTableRows][DragTableColumns];

// The description list: 12 texts, entries 10 and 11 empty (as is any index outside 0..11).
const char* drag_law_description(int law);

// The short name of a law as messages and the plot show it: the first four characters of its
// description, trailing blanks removed ("G1", "GA2", "SLG0").
std::string drag_law_name(int law);

// The drag-law list shows G1, GA, GA2, GS, RA4, G7, SLG0, SLG1, WC0, GL. These convert between a
// list position and the law; any other value maps to 0.
int drag_law_at_list_position(int position);
int list_position_of_drag_law(int law);

// Drag coefficient of `law` at `mach`, interpolated in the table. Above Mach 4.2 the last row
// holds. The row is found directly from the Mach number; the result is bit-identical to the
// linear scan below.
double drag_coefficient(double mach, int law);

// The same lookup with the plain linear scan from row 0; kept as the reference for tests.
double drag_coefficient_by_scan(double mach, int law);

}  // namespace velora
