// A drag curve made at run time: a table of (Mach, Cd) points, a projectile's own or one a maker
// publishes. It flies as a built-in law does: the same segments, the same lookup, the same
// arithmetic, so a curve of a built-in law's own points flies that law to the last bit. Beyond its
// Mach span the coefficient at the nearer end holds, and the flight says so (DragCursor::beyond_span,
// Trajectory::BeyondDragCurve).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "engine/drag.h"

namespace velora {

inline constexpr int LeastDragPoints = 2;
inline constexpr int MostDragPoints = 1000;
// No projectile a shooter fires flies faster than this, and no drag coefficient comes near the
// other: a table beyond them is a misreading (a column of velocities, a value in thousandths).
inline constexpr float MostDragMach = 20.0f;
inline constexpr float MostDragCd = 10.0f;

// What is wrong with a table of points.
enum class DragPointFault {
    TooFew,         // fewer than two points
    TooMany,        // more than 1000
    MachNotFinite,  // a Mach number that is not a number, or infinite
    MachNegative,
    MachNotRising,  // not above the Mach number before it
    CdNotFinite,
    CdNotPositive,
    MachTooLarge,  // above MostDragMach
    CdTooLarge,    // above MostDragCd
};

struct DragPointProblem {
    int point = -1;  // the point at fault (from 0), or -1 for the table as a whole
    DragPointFault fault = DragPointFault::TooFew;
};

// The first fault of a table of points, or nothing: 2 to 1000 points, each Mach number finite, from
// 0 to 20 and above the one before, each coefficient finite, above 0 and at most 10.
std::optional<DragPointProblem> check_drag_points(std::span<const DragPoint> points);

// The fault in words, naming the point from 1 ("point 3: its Mach number 0.5 is not above the 0.5
// before it"), for a reader to put after the file and line.
std::string drag_point_problem_text(const DragPointProblem& problem, std::span<const DragPoint> points);

// A curve made from points that passed check_drag_points. It owns its points and segments; the
// DragCurve it gives refers to them, so it must outlive every flight flown with it. Copies are
// curves of their own.
class TabulatedDragCurve {
public:
    const std::vector<DragPoint>& points() const { return points_; }
    float first_mach() const { return points_.front().mach; }
    float last_mach() const { return points_.back().mach; }

    // The curve as the flight is given it.
    DragCurve curve() const;

private:
    friend std::variant<TabulatedDragCurve, DragPointProblem> make_drag_curve(std::span<const DragPoint> points);

    std::vector<DragPoint> points_;
    std::vector<DragSegment> segments_;
    std::uint64_t digest_ = 0;
};

// The curve through `points`, or the first fault that stops it.
std::variant<TabulatedDragCurve, DragPointProblem> make_drag_curve(std::span<const DragPoint> points);

// The points of a built-in law's column, rows 0 to 168 of the drag table.
std::vector<DragPoint> drag_law_points(int law);

}  // namespace velora
