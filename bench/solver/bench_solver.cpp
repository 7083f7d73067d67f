// Cost of the solver: one solve per method at a short and a long target range, the recalculation
// pass that a measurement edit runs (solve and confidence limits), and the slowest accepted case.
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

// One flight of the model: a solve costs about eight of them (fifteen bisection steps, the
// candidates of each pair of steps flown together).
void BM_PredictMeasurement(benchmark::State& state) {
    const CalcState s = testing::first_run_state();
    const AirState air = air_state(s);
    for (auto _ : state)
        benchmark::DoNotOptimize(predict_measurement(s.MV, s.BC, s.ZR, s.SH, 40.0f, s.CURVE, DeltaV, air));
}
BENCHMARK(BM_PredictMeasurement)->Unit(benchmark::kMicrosecond);

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

// The pass after an edit of the target velocity on the first-run inputs with DeltaV: two
// trajectories, the solve, the range limit and the confidence limits (two more solves and a
// trajectory).
void BM_SolvePassWithConfidence(benchmark::State& state) {
    CalcState s = testing::first_run_state();
    s.stateRB = DeltaV;
    auto r = std::make_unique<CalcResults>();
    s.ChangeKind = 1;
    recalculate(s, *r, true);
    const CalcState start = s;
    for (auto _ : state) {
        s = start;
        s.ChangeKind = 2;
        benchmark::DoNotOptimize(recalculate(s, *r, true));
    }
}
BENCHMARK(BM_SolvePassWithConfidence)->Unit(benchmark::kMillisecond);

// The slowest accepted case: 4000 ft/s, BC 1.2 under G7, target at the range limit.
void BM_WorstCasePass(benchmark::State& state) {
    CalcState s = testing::first_run_state();
    s.MV = 4000.0f;
    s.BC = 1.2f;
    s.CURVE = G7;
    s.stateBC = 5;
    s.stateRB = DeltaV;
    s.MV_TOL = 5.0f;
    s.TV_TOL = 5.0f;
    s.TRArray[DeltaV] = 2.0f * max_target_range(s);
    auto r = std::make_unique<CalcResults>();
    s.ChangeKind = 1;
    recalculate(s, *r, true);
    const CalcState start = s;
    state.counters["target_yd"] = start.TR;
    for (auto _ : state) {
        s = start;
        s.ChangeKind = 2;
        benchmark::DoNotOptimize(recalculate(s, *r, true));
    }
}
BENCHMARK(BM_WorstCasePass)->Unit(benchmark::kMillisecond);

void BM_MaxTargetRange(benchmark::State& state) {
    const CalcState s = testing::first_run_state();
    for (auto _ : state) benchmark::DoNotOptimize(max_target_range(s));
}
BENCHMARK(BM_MaxTargetRange)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velora
