// Hand-made trajectories whose every sample the test states, for cases a real flight cannot
// reach or would hide.
#pragma once

#include <functional>
#include <memory>

#include "solver/calc_results.h"

namespace velora::testing {

struct Samples {
    std::function<float(int)> velocity = [](int) { return 0.0f; };
    std::function<float(int)> poi = [](int) { return 0.0f; };
    std::function<float(int)> time = [](int) { return 0.0f; };
    std::function<float(int)> drop = [](int) { return 0.0f; };
};

// Samples 0..last_sample from the given functions of the whole yard.
inline std::unique_ptr<CalcResults> synthetic_results(int last_sample, const Samples& f, float apex_poi = 0.0f) {
    auto r = std::make_unique<CalcResults>();
    Trajectory& t = r->trajectory;
    for (int i = 0; i <= last_sample && i < TrajectorySize; ++i) {
        t.velocity[i] = f.velocity(i);
        t.poi[i] = f.poi(i);
        t.time[i] = f.time(i);
        t.drop[i] = f.drop(i);
    }
    t.LastSample = last_sample;
    t.ApexPOI = apex_poi;
    t.FarZero = 30.0f;
    return r;
}

}  // namespace velora::testing
