// The ten drag laws: the drag table, the law descriptions, the list-position maps and the lookup.
#pragma once

#include <cmath>
#include <string>

namespace velora {

inline constexpr int DragTableRows = 170;    // rows 0..168 filled, row 169 stays 0
inline constexpr int DragTableColumns = 12;  // column 0 Mach, 1..10 the laws, 11 stays 0
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

// One segment of a law's curve, from table row i to row i + 1, in the doubles the lookup computes
// in: the two rows' Mach numbers, the coefficient at row i and the segment's slope (the single
// difference of the coefficients divided by the single difference of the Machs).
struct DragSegment {
    double mach_lo, mach_hi, c0, slope;
};

// DragSegments.of[law][i]: the segment that serves a Mach number above row i's and at most row
// i + 1's (row 0's segment also serves Mach 0 and below).
struct DragSegmentTable {
    DragSegment of[DragLawCount][DragTableLastRow];
};
extern const DragSegmentTable DragSegments;

// The segment of a Mach number at most Mach 4.2: the first row i + 1 whose Mach is at least
// `mach` (row 0 for Mach 0, below it, or NaN) — the very row the scan from row 0 stops at. The
// row is guessed from the spacing of 0.025 and settled against the stored row Machs.
inline int drag_segment_of(double mach) {
    int i = 0;
    if (mach > 0.0) {
        i = static_cast<int>(mach * 40.0);
        if (i > DragTableLastRow - 1) i = DragTableLastRow - 1;
        while (i > 0 && !(mach > DragTable[i][0])) --i;
        while (mach > DragTable[i + 1][0]) ++i;
    }
    return i;
}

// The lookup along one flight. A flight's Mach number changes little from one step to the next,
// so the segment of the previous lookup is tried first, against both of its ends; any other Mach
// number is searched. Same result as drag_coefficient, bit for bit. Everything is inline, so that
// a flight loop keeps its state in registers.
struct DragCursor {
    const DragSegment* segments;  // the law's 168 segments
    double above_table;           // the law's coefficient above Mach 4.2 (the last row's)
    int row = 0;                  // the segment used last

    explicit DragCursor(int law)
        : segments(DragSegments.of[law >= 0 && law < DragLawCount ? law : 0]),
          above_table(std::fabs(DragTable[DragTableLastRow][(law >= 0 && law < DragLawCount ? law : 0) + 1])) {}

    double at(double mach) {
        const DragSegment* s = segments + row;
        if (!(mach > s->mach_lo && !(mach > s->mach_hi))) [[unlikely]] {
            if (mach > DragTable[DragTableLastRow][0]) return above_table;
            row = drag_segment_of(mach);
            s = segments + row;
        }
        return std::fabs(s->c0 + s->slope * (mach - s->mach_lo));
    }
};

}  // namespace velora
