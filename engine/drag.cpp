#include "engine/drag.h"

#include <cmath>

namespace velora {

constexpr float DragTable[DragTableRows][DragTableColumns] = {
#include "drag_table_rows.inc"
};

namespace {

// The slope of a segment with the very arithmetic of the lookup: the difference of two singles
// divided in double.
constexpr double segment_slope(int i, int law) {
    return static_cast<double>(DragTable[i + 1][law + 1] - DragTable[i][law + 1]) /
           (DragTable[i + 1][0] - DragTable[i][0]);
}

// Worked out once, when the program is compiled.
constexpr DragSegmentTable make_segments() {
    DragSegmentTable t{};
    for (int law = 0; law < DragLawCount; ++law)
        for (int i = 0; i < DragTableLastRow; ++i)
            t.of[law][i] = {DragTable[i][0], DragTable[i + 1][0], DragTable[i][law + 1], segment_slope(i, law)};
    return t;
}

const char* const Descriptions[12] = {
    "G1  -  Standard model, Flat-base, 2-calibre nose ogive",
    "GA  -  Vardon's contender for round-nosed diabolo airgun pellets",
    "GS  -  Round Ball",
    "RA4 -  0.22 Long Rifle",
    "G7  -  VLD - long 7.5° boat-tail, 10 cal. nose ogive",
    "GA2 -  Quenby's contender for round-nosed diabolo airgun pellets",
    "SLG0 - Quenby's experimental blunt airgun slug profile",
    "SLG1 - Quenby's experimental blunt boat-tailed airgun slug profile",
    "WC0 -  Typical generic wadcutter (0.2 meplat) profile",
    "GL  -  Exposed lead projectile, flat base, round nose, no meplat",
    "",
    "",
};

const int LawAtPosition[DragLawCount] = {0, 1, 5, 2, 3, 4, 6, 7, 8, 9};
const int PositionOfLaw[DragLawCount] = {0, 1, 3, 4, 5, 2, 6, 7, 8, 9};

// Interpolation on the segment from row i to row i + 1.
double interpolate(double mach, int i, int law, double slope) {
    const float c0 = DragTable[i][law + 1];
    const float m0 = DragTable[i][0];
    return std::fabs(c0 + slope * (mach - m0));
}

int valid_law(int law) { return law >= 0 && law < DragLawCount ? law : 0; }

}  // namespace

constexpr DragSegmentTable DragSegments = make_segments();

const char* drag_law_description(int law) { return law >= 0 && law < 12 ? Descriptions[law] : ""; }

std::string drag_law_name(int law) {
    std::string name = std::string(drag_law_description(law)).substr(0, 4);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

int drag_law_at_list_position(int position) {
    return position >= 0 && position < DragLawCount ? LawAtPosition[position] : 0;
}

int list_position_of_drag_law(int law) { return law >= 0 && law < DragLawCount ? PositionOfLaw[law] : 0; }

double drag_coefficient_by_scan(double mach, int law) {
    law = valid_law(law);
    if (mach > DragTable[DragTableLastRow][0]) return std::fabs(DragTable[DragTableLastRow][law + 1]);
    int i = 0;
    while (mach > DragTable[i + 1][0]) ++i;
    return interpolate(mach, i, law, segment_slope(i, law));
}

double drag_coefficient(double mach, int law) {
    law = valid_law(law);
    if (mach > DragTable[DragTableLastRow][0]) return std::fabs(DragTable[DragTableLastRow][law + 1]);
    const DragSegment& seg = DragSegments.of[law][drag_segment_of(mach)];
    return std::fabs(seg.c0 + seg.slope * (mach - seg.mach_lo));
}

}  // namespace velora
