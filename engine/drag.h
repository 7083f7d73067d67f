// Drag curves: the drag table of the built-in laws, a drag curve as the flight is given it, and the
// lookup of the drag coefficient along a flight.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/drag_laws.h"

namespace velora {

inline constexpr int DragTableRows = 170;  // rows 0..168 filled, row 169 stays 0
inline constexpr int DragTableLastRow = 168;
// Column 0 the Mach number, then the built-in laws' columns, and one that stays 0.
inline constexpr int DragTableColumns = DragLawCount + 2;

// Row-major: DragTable[row][0] is the row's Mach number (0.025 × row), DragTable[row][column] the
// drag coefficient of the law with that column (BuiltInDragLaw::column) at it.
extern const float DragTable[DragTableRows][DragTableColumns];

// One point of a drag curve, in the single precision of the drag table.
struct DragPoint {
    float mach = 0;
    float cd = 0;
};

// One segment of a drag curve, from one point to the next, in the doubles the lookup computes in:
// the two points' Mach numbers, the coefficient at the first and the slope (the single difference
// of the coefficients divided by the single difference of the Machs).
struct DragSegment {
    double mach_lo, mach_hi, c0, slope;
};

constexpr DragSegment drag_segment(DragPoint a, DragPoint b) {
    return {a.mach, b.mach, a.cd, static_cast<double>(b.cd - a.cd) / (b.mach - a.mach)};
}

// A 64-bit digest of a curve's points, folded one point at a time from drag_points_seed(count):
// two curves with the same points (bit for bit) have the same digest and fly alike.
constexpr std::uint64_t drag_points_fold(std::uint64_t h, DragPoint p) {
    h ^= (static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(p.mach)) << 32) | std::bit_cast<std::uint32_t>(p.cd);
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 31;
    h *= 0x94d049bb133111ebull;
    return h ^ (h >> 29);
}
constexpr std::uint64_t drag_points_seed(int count) {
    return 0x9e3779b97f4a7c15ull * static_cast<std::uint64_t>(count + 1);
}

// A drag law as the flight is given it: the drag coefficient against the Mach number, linear
// between the points of its table and held at the end value beyond them. It refers to segments it
// does not own: a built-in law's last the whole run, a run-time curve's as long as that curve
// (TabulatedDragCurve). A curve without segments flies as G1.
struct DragCurve {
    const DragSegment* segments = nullptr;  // `count` segments, rising in Mach, each beginning where the last ended
    int count = 0;
    // Below this Mach number the first point's coefficient holds. A built-in law's first segment
    // serves every Mach number below its first row (none that a flight reaches), so for one it is −∞.
    double hold_below = 0;
    double first_cd = 0;       // the coefficient held below the curve
    double last_cd = 0;        // the coefficient held above it
    std::uint64_t digest = 0;  // of the points, drag_points_fold
};

// The curve of a built-in law; any other number gives G1's, as every lookup of such a number reads G1.
const DragCurve& drag_law_curve(int law);

// The segment of a curve that serves `mach`: the first whose upper end is at least `mach` (the
// first for a Mach number at or below its start, or NaN), the last for one beyond its end.
inline int drag_segment_index(const DragSegment* segments, int last, double mach) {
    int lo = 0, hi = last;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (mach > segments[mid].mach_hi)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// The lookup along one flight. A flight's Mach number changes little from one step to the next,
// so the segment of the previous lookup is tried first, against both of its ends; any other Mach
// number is searched. A lookup beyond the curve's span takes the coefficient at its end and says so
// in `beyond_span`. Everything is inline, so that a flight loop keeps its state in registers.
struct DragCursor {
    const DragSegment* segments;  // the curve's segments
    int last;                     // the index of its last segment
    double hold_below, hold_above, first_cd, last_cd;
    int row = 0;               // the segment used last
    bool beyond_span = false;  // a lookup lay beyond the curve and took its end value

    explicit DragCursor(const DragCurve& curve) {
        const DragCurve& c = curve.count > 0 ? curve : drag_law_curve(G1);
        segments = c.segments;
        last = c.count - 1;
        hold_below = c.hold_below;
        hold_above = c.segments[last].mach_hi;
        first_cd = c.first_cd;
        last_cd = c.last_cd;
    }
    explicit DragCursor(int law) : DragCursor(drag_law_curve(law)) {}

    double at(double mach) {
        const DragSegment* s = segments + row;
        if (!(mach > s->mach_lo && !(mach > s->mach_hi))) [[unlikely]] {
            if (mach > hold_above) {
                beyond_span = true;
                return last_cd;
            }
            if (mach < hold_below) {
                beyond_span = true;
                return first_cd;
            }
            row = drag_segment_index(segments, last, mach);
            s = segments + row;
        }
        return std::fabs(s->c0 + s->slope * (mach - s->mach_lo));
    }
};

// The drag coefficient of a curve at `mach`.
inline double drag_coefficient(double mach, const DragCurve& curve) { return DragCursor(curve).at(mach); }

// Drag coefficient of the built-in law `law` at `mach`, interpolated in the table; above Mach 4.2
// the last row holds. The same, bit for bit, as the linear scan below.
double drag_coefficient(double mach, int law);

// The same lookup with the plain linear scan from row 0; kept as the reference for tests.
double drag_coefficient_by_scan(double mach, int law);

}  // namespace velora
