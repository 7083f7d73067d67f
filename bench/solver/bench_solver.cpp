// Cost of the solver: one flight of its model (and its time per step), one solve per method at a
// short and a long target range, and the range limit.
#include <benchmark/benchmark.h>

#include <memory>

#include "solver/bc_solver.h"
#include "solver/recalculate.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

// A state whose active measurement belongs to its own BC at `range`.
CalcState measured_state(int method, float range, float mv, float bc, int law) {
    CalcState s = testing::first_run_state();
    s.MV = mv;
    s.BC = bc;
    s.CURVE = law;
    s.stateRB = method;
    s.TR = range;
    s.ZR = range / 1.6f;
    const AirState air = air_state(s);
    const float m = predict_measurement(mv, bc, s.ZR, s.SH, range, law, method, air);
    switch (method) {
        case DeltaPOI: s.POI = m; break;
        case DeltaT: s.ET = m; break;
        case DeltaV: s.TV = m; break;
        default: s.DROP = m; break;
    }
    return s;
}

// One flight of the model: a solve costs some eight of them (fifteen bisection steps, their
// midpoints flown three at a time side by side).
void BM_PredictMeasurement(benchmark::State& state) {
    const CalcState s = testing::first_run_state();
    const AirState air = air_state(s);
    const float range = static_cast<float>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(predict_measurement(s.MV, s.BC, s.ZR, s.SH, range, s.CURVE, DeltaV, air));
    // The velocity is read after the step that passes a yard beyond the target: 72 half-inch
    // steps per yard. Seconds per step, printed with an SI prefix ("25n" is 25 ns).
    state.counters["per_step"] = benchmark::Counter(
        (range + 1.0) * 72.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PredictMeasurement)->ArgName("yd")->Arg(40)->Arg(600)->Unit(benchmark::kMicrosecond);

void BM_SolveBc(benchmark::State& state) {
    const int method = static_cast<int>(state.range(0));
    const float range = static_cast<float>(state.range(1));
    // At 1000 yd the first-run pellet would not arrive; a fast slug does.
    const CalcState s = range > 500.0f ? measured_state(method, range, 3000.0f, 0.4f, G7)
                                       : measured_state(method, range, 785.0f, 0.0195f, GA2);
    for (auto _ : state) benchmark::DoNotOptimize(solve_bc(s));
}
BENCHMARK(BM_SolveBc)
    ->ArgNames({"method", "yd"})
    ->ArgsProduct({{DeltaPOI, DeltaT, DeltaV, DeltaD}, {40, 1000}})
    ->Unit(benchmark::kMillisecond);

// The recalculation passes are in bench_pass.cpp.

void BM_MaxTargetRange(benchmark::State& state) {
    const CalcState s = testing::first_run_state();
    for (auto _ : state) benchmark::DoNotOptimize(max_target_range(s));
}
BENCHMARK(BM_MaxTargetRange)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velora
