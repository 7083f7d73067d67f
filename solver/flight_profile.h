// The speed and the time along one flight of the solver's model, kept on an even grid of range,
// from which the fit of a shot string reads every shot under every BC.
//
// A pellet's speed along its path obeys dv/dx = −(drag of v) / BC, which does not depend on where
// it started. So the flight of a shot that leaves at a slower muzzle velocity is the part of one
// faster flight that follows the point where that flight has slowed to it; and under a BC λ times
// as large the same speeds are reached λ times as far out, in λ times the time. One flight per law
// (from the fastest muzzle velocity the string may need) thus gives the velocity and the time of
// flight of every shot at every BC:
//
//     v(r) = V(s + r / λ),   t(r) = λ (T(s + r / λ) − T(s)),   λ = BC / BC_flown
//
// where V(s) is the shot's muzzle velocity. What this leaves out is gravity's share in the speed
// (the path bends down, so the pellet is a little faster at the same range): for a .22 LR over
// 60 m some 0.01 ft/s, for a pellet over 100 yd about 0.2 ft/s, far below what a chronograph or a
// radar resolves. The height of the path is not read from a profile: shots with a POI or a drop
// are flown one by one.
#pragma once

#include <vector>

#include "engine/drag.h"
#include "solver/bc_solver.h"

namespace velora {

struct FlightProfile {
    float bc = 0;                 // the BC flown
    double spacing = 0;           // ft between grid points
    std::vector<float> velocity;  // ft/s at x = k × spacing
    std::vector<float> time;      // s at the same points
    bool cut = false;             // the flight ended (or was cut off) before it slowed to the speed asked for

    double top() const { return velocity.empty() ? 0.0 : velocity.front(); }
    double end() const { return velocity.size() < 2 ? 0.0 : spacing * static_cast<double>(velocity.size() - 1); }
    bool empty() const { return velocity.size() < 2; }

    // Linear between grid points; beyond either end the end segment goes on.
    struct Reading {
        double v, slope, t;  // ft/s, dv/dx (ft/s per ft), s
        bool beyond;         // outside the grid
    };
    Reading at(double x) const {
        const std::size_t n = velocity.size();
        const double k = x / spacing;
        std::size_t i;
        bool beyond = false;
        if (!(k >= 0.0)) {
            i = 0;
            beyond = true;
        } else if (k >= static_cast<double>(n - 1)) {
            i = n - 2;
            beyond = k > static_cast<double>(n - 1);
        } else {
            i = static_cast<std::size_t>(k);
        }
        const double f = k - static_cast<double>(i);
        const double v0 = velocity[i], v1 = velocity[i + 1];
        const double t0 = time[i], t1 = time[i + 1];
        return {v0 + (v1 - v0) * f, (v1 - v0) / spacing, t0 + (t1 - t0) * f, beyond};
    }

    // The range (ft, from the start of the flight) at which it has slowed to `v`: 0 for a speed at
    // or above its start, its end for one it never slows to.
    double position_of(double v) const;
};

// The flight of the solver's model from `mv` (ft/s) with `bc` under `law` through the air of
// `course` (its speed of sound and density), kept every half-inch step until it has slowed below
// `slowest` (ft/s) or gone `farthest` ft, whichever comes first.
FlightProfile fly_profile(const DragCurve& law, float mv, float bc, float slowest, double farthest,
                          const FlightCourse& course);

// Several such flights, flown side by side (each exactly as alone).
struct ProfileOrder {
    const DragCurve* law;
    float mv, bc, slowest;
    double farthest;
};
std::vector<FlightProfile> fly_profiles(const std::vector<ProfileOrder>& orders, const FlightCourse& course);

}  // namespace velora
