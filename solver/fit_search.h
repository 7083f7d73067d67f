// The one-dimensional searches of the fits over u = ln BC: Brent's minimisation in a bracket and
// the search for an end of the interval where the weighted sum of squares reaches a target. Each
// is worked a step at a time (propose a point, take the objective there), so that a caller can
// evaluate the points of many searches together. Shared by the fit of several shots and the fit
// of a shot string; nothing here flies.
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "solver/input_limits.h"

namespace velora::fit_search {

// One point of the objective: the weighted sum of squares, the muzzle velocity it was flown
// with and the residuals measured − predicted of every shot, each in its own unit.
struct Trial {
    double S = 0;
    float mv = 0;
    std::vector<double> residuals;
};

// The BC of u = ln BC, the ends of the range exactly.
inline float bc_at(double u) { return std::clamp(static_cast<float>(std::exp(u)), MinBC, MaxBC); }

inline const double LowestU = std::log(static_cast<double>(MinBC));
inline const double HighestU = std::log(static_cast<double>(MaxBC));
constexpr int ScanPoints = 9;               // the bracketing scan over the whole BC range
constexpr double MinimumTolerance = 1e-5;   // in u: the BC to one part in 100,000
constexpr double IntervalTolerance = 1e-4;  // the interval's ends to 0.01 %

struct Point {
    double u = 0;
    Trial at;
};

// Brent's minimisation (golden sections and parabolic steps) on [a, b] from a point `x` inside
// it or on its edge whose value is known: propose() finds the next point to try (false once the
// minimum is found), take() takes the objective there.
struct BrentSearch {
    static constexpr double Golden = 0.3819660112501051;  // (3 − √5) / 2
    static constexpr int MostSteps = 100;
    double a = 0, b = 0;
    Point x, w, v;
    double d = 0, e = 0;
    double u = 0;  // the proposed point
    int steps = 0;

    BrentSearch(double a_, double b_, const Point& x_) : a(a_), b(b_), x(x_), w(x_), v(x_) {}

    bool propose() {
        const double m = 0.5 * (a + b);
        const double tol = MinimumTolerance;
        const double t2 = 2.0 * tol;
        if (steps >= MostSteps || std::fabs(x.u - m) <= t2 - 0.5 * (b - a)) return false;
        bool parabolic = false;
        if (std::fabs(e) > tol) {
            double r = (x.u - w.u) * (x.at.S - v.at.S);
            double q = (x.u - v.u) * (x.at.S - w.at.S);
            double pp = (x.u - v.u) * q - (x.u - w.u) * r;
            q = 2.0 * (q - r);
            if (q > 0.0)
                pp = -pp;
            else
                q = -q;
            r = e;
            e = d;
            if (std::fabs(pp) < std::fabs(0.5 * q * r) && pp > q * (a - x.u) && pp < q * (b - x.u)) {
                d = pp / q;
                const double next = x.u + d;
                if (next - a < t2 || b - next < t2) d = x.u < m ? tol : -tol;
                parabolic = true;
            }
        }
        if (!parabolic) {
            e = x.u < m ? b - x.u : a - x.u;
            d = Golden * e;
        }
        u = x.u + (std::fabs(d) >= tol ? d : (d > 0.0 ? tol : -tol));
        return true;
    }

    void take(const Trial& at) {
        ++steps;
        const Point fu{u, at};
        if (fu.at.S <= x.at.S) {
            if (u < x.u)
                b = x.u;
            else
                a = x.u;
            v = w;
            w = x;
            x = fu;
        } else {
            if (u < x.u)
                a = u;
            else
                b = u;
            if (fu.at.S <= w.at.S || w.u == x.u) {
                v = w;
                w = fu;
            } else if (fu.at.S <= v.at.S || v.u == x.u || v.u == w.u) {
                v = fu;
            }
        }
    }
};

// One end of the interval: from the best point towards `edge`, the first u where the objective
// reaches `target`, or `edge` itself when the objective stays below the target all the way.
// A first step of 1 % of the BC, then the step that the curvature found there suggests, then
// steps growing fourfold until the objective has crossed the target; then the Illinois form of
// the false position between the last point below and the first at or above the target.
struct IntervalEnd {
    static constexpr int MostSteps = 60;
    double target = 0, edge = 0, direction = 0;
    Point best, inside, outside;
    double h = 0.01;
    bool curvature_used = false, crossing = false, done = false;
    int kept_side = 0, steps = 0;
    double result = 0;

    IntervalEnd(const Point& best_, double edge_, double target_)
        : target(target_), edge(edge_), direction(edge_ < best_.u ? -1.0 : 1.0), best(best_), inside(best_) {
        if (best.u == edge) finish(edge);
    }

    void finish(double at) {
        done = true;
        result = at;
    }

    double next_u() const {
        if (!crossing) {
            const double u = best.u + direction * h;
            return direction * (u - edge) >= 0.0 ? edge : u;
        }
        const double ga = inside.at.S - target, gb = outside.at.S - target;
        const double a = inside.u, b = outside.u;
        const double u = b - gb * (b - a) / (gb - ga);
        if (!std::isfinite(u) || u <= std::min(a, b) || u >= std::max(a, b)) return 0.5 * (a + b);
        return u;
    }

    void take(const Point& here) {
        if (!crossing) {
            if (here.at.S >= target) {
                outside = here;
                crossing = true;
            } else if (here.u == edge) {
                finish(edge);
                return;
            } else {
                inside = here;
                const double rise = here.at.S - best.at.S;
                if (!curvature_used && rise > 0.0) {
                    // S ≈ S_min + κ h²: the target lies near h √((target − S_min) / rise); aim beyond.
                    h = std::max(h * 1.5, 1.1 * h * std::sqrt((target - best.at.S) / rise));
                    curvature_used = true;
                } else {
                    h *= 4.0;
                }
                return;
            }
        } else if (here.at.S < target) {
            // Illinois: an end kept twice has its value halved.
            if (kept_side == -1) outside.at.S = target + 0.5 * (outside.at.S - target);
            inside = here;
            kept_side = -1;
        } else {
            if (kept_side == 1) inside.at.S = target + 0.5 * (inside.at.S - target);
            outside = here;
            kept_side = 1;
        }
        if (std::fabs(outside.u - inside.u) <= IntervalTolerance || ++steps >= MostSteps)
            finish(0.5 * (inside.u + outside.u));
    }
};

}  // namespace velora::fit_search
