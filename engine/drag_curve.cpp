#include "engine/drag_curve.h"

#include <charconv>
#include <cmath>

namespace velora {

namespace {

// The shortest text that reads back as the same single.
std::string number_text(float value) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

}  // namespace

std::optional<DragPointProblem> check_drag_points(std::span<const DragPoint> points) {
    using F = DragPointFault;
    if (points.size() < static_cast<std::size_t>(LeastDragPoints)) return DragPointProblem{-1, F::TooFew};
    if (points.size() > static_cast<std::size_t>(MostDragPoints)) return DragPointProblem{-1, F::TooMany};
    for (std::size_t i = 0; i < points.size(); ++i) {
        const DragPoint& p = points[i];
        const int at = static_cast<int>(i);
        if (!std::isfinite(p.mach)) return DragPointProblem{at, F::MachNotFinite};
        if (p.mach < 0.0f) return DragPointProblem{at, F::MachNegative};
        if (p.mach > MostDragMach) return DragPointProblem{at, F::MachTooLarge};
        if (i > 0 && !(p.mach > points[i - 1].mach)) return DragPointProblem{at, F::MachNotRising};
        if (!std::isfinite(p.cd)) return DragPointProblem{at, F::CdNotFinite};
        if (!(p.cd > 0.0f)) return DragPointProblem{at, F::CdNotPositive};
        if (p.cd > MostDragCd) return DragPointProblem{at, F::CdTooLarge};
    }
    return std::nullopt;
}

std::string drag_point_problem_text(const DragPointProblem& problem, std::span<const DragPoint> points) {
    using F = DragPointFault;
    const std::string count = std::to_string(points.size());
    switch (problem.fault) {
        case F::TooFew:
            return "a drag curve needs at least " + std::to_string(LeastDragPoints) + " points, not " + count;
        case F::TooMany: return "a drag curve has at most " + std::to_string(MostDragPoints) + " points, not " + count;
        default: break;
    }
    const auto i = static_cast<std::size_t>(problem.point);
    if (problem.point < 0 || i >= points.size()) return "a point of the drag curve is wrong";
    const DragPoint& p = points[i];
    const std::string where = "point " + std::to_string(i + 1) + ": ";
    switch (problem.fault) {
        case F::MachNotFinite: return where + "its Mach number is not a finite number";
        case F::MachNegative: return where + "its Mach number " + number_text(p.mach) + " is below 0";
        case F::MachNotRising:
            return where + "its Mach number " + number_text(p.mach) + " is not above the " +
                   number_text(points[i - 1].mach) + " before it";
        case F::CdNotFinite: return where + "its drag coefficient is not a finite number";
        case F::CdNotPositive: return where + "its drag coefficient " + number_text(p.cd) + " is not above 0";
        case F::MachTooLarge:
            return where + "its Mach number " + number_text(p.mach) + " is above " + number_text(MostDragMach);
        case F::CdTooLarge:
            return where + "its drag coefficient " + number_text(p.cd) + " is above " + number_text(MostDragCd);
        default: return where + "it is wrong";
    }
}

DragCurve TabulatedDragCurve::curve() const {
    DragCurve c;
    c.segments = segments_.data();
    c.count = static_cast<int>(segments_.size());
    c.hold_below = points_.front().mach;
    c.first_cd = points_.front().cd;
    c.last_cd = points_.back().cd;
    c.digest = digest_;
    return c;
}

std::variant<TabulatedDragCurve, DragPointProblem> make_drag_curve(std::span<const DragPoint> points) {
    if (const auto problem = check_drag_points(points)) return *problem;
    TabulatedDragCurve t;
    t.points_.assign(points.begin(), points.end());
    t.digest_ = drag_points_seed(static_cast<int>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
        t.digest_ = drag_points_fold(t.digest_, points[i]);
        if (i + 1 < points.size()) t.segments_.push_back(drag_segment(points[i], points[i + 1]));
    }
    return t;
}

std::vector<DragPoint> drag_law_points(int law) {
    const int column = DragLaws[built_in_drag_law(law) ? law : G1].column;
    std::vector<DragPoint> points;
    for (int row = 0; row <= DragTableLastRow; ++row) points.push_back({DragTable[row][0], DragTable[row][column]});
    return points;
}

}  // namespace velora
