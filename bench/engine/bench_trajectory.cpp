// How long one trajectory takes, and the time per integration step of half an inch.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/drag.h"
#include "engine/trajectory.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

FlightInputs long_flight() {
    FlightInputs in = testing::first_run_flight();
    in.MV = 4000.0f;
    in.BC = 1.2f;
    in.law = drag_law_curve(G7);
    in.ZR = 100.0f;
    return in;
}

void run(benchmark::State& state, const FlightInputs& in) {
    auto tr = std::make_unique<Trajectory>();
    for (auto _ : state) {
        compute_trajectory(in, *tr);
        benchmark::DoNotOptimize(tr->FarZero);
    }
    // 72 steps of half an inch per yard flown.
    const double steps = (tr->LastSample + 1) * 72.0;
    state.counters["yards"] = tr->LastSample;
    // Seconds per step (printed with an SI prefix: "39n" is 39 ns).
    state.counters["per_step"] =
        benchmark::Counter(steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_TrajectoryFirstRun(benchmark::State& state) { run(state, testing::first_run_flight()); }
void BM_TrajectoryLongFlight(benchmark::State& state) { run(state, long_flight()); }

void BM_DragCoefficient(benchmark::State& state) {
    double mach = 0.0;
    double sum = 0.0;
    for (auto _ : state) {
        sum += drag_coefficient(mach, G7);
        mach += 0.0001;
        if (mach > 3.8) mach = 0.0;
    }
    benchmark::DoNotOptimize(sum);
}

BENCHMARK(BM_TrajectoryFirstRun)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrajectoryLongFlight)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragCoefficient);

}  // namespace
}  // namespace velora
