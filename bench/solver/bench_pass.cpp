// The recalculation pass as the window runs it with the output panel shown: after a measurement
// edit (solve, ChangeKind 2) and after any other edit (predict, ChangeKind 1), for the first-run
// inputs under every method, for a long flight and for the slowest accepted case; and the
// redisplay whose inputs did not change (a unit change, the panel button, the BC display).
//
// Every timed full pass starts from the same state with the results of the last pass forgotten,
// so that it computes everything; the redisplay keeps them.
#include <benchmark/benchmark.h>

#include <memory>

#include "solver/bc_solver.h"
#include "solver/recalculate.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

// The active method's measurement as the model gives it for the state's own BC, refilled by one
// prediction pass (which also settles the far zero and the range limits).
CalcState settled(CalcState s, CalcResults& r) {
    s.ChangeKind = 1;
    recalculate(s, r, true);
    return s;
}

// MV 2900 ft/s, BC 0.365 under G1, two chronographs 600 yd apart.
CalcState long_flight() {
    CalcState s = testing::first_run_state();
    s.MV = 2900.0f;
    s.BC = 0.365f;
    s.CURVE = G1;
    s.stateBC = 0;
    s.stateRB = DeltaV;
    s.TRArray[DeltaV] = 600.0f;
    return s;
}

// The slowest accepted case: 4000 ft/s, BC 0.8 under G7 (the law that carries furthest), the target
// at the range limit, both chronographs' errors 1.6 %: every solve runs all its halvings over
// some 1660 yd.
CalcState slowest_case() {
    CalcState s = testing::first_run_state();
    s.MV = 4000.0f;
    s.BC = 0.8f;
    s.CURVE = G7;
    s.stateBC = 5;
    s.stateRB = DeltaV;
    s.MV_TOL = 1.6f;
    s.TV_TOL = 1.6f;
    s.TRArray[DeltaV] = 2.0f * max_target_range(s);
    return s;
}

void forget_results(CalcResults& r) { r.cache.clear(); }

// One full pass of `kind` per iteration.
void run_pass(benchmark::State& state, const CalcState& inputs, int kind) {
    auto r = std::make_unique<CalcResults>();
    const CalcState start = settled(inputs, *r);
    CalcState s = start;
    state.counters["target_yd"] = start.TR;
    for (auto _ : state) {
        s = start;
        s.ChangeKind = kind;
        forget_results(*r);
        benchmark::DoNotOptimize(recalculate(s, *r, true));
    }
    if (s.BC != start.BC && kind == 1) state.SkipWithError("a prediction pass changed the BC");
}

// A redisplay after a pass whose inputs stand.
void run_redisplay(benchmark::State& state, const CalcState& inputs) {
    auto r = std::make_unique<CalcResults>();
    const CalcState start = settled(inputs, *r);
    CalcState s = start;
    for (auto _ : state) {
        s.ChangeKind = 0;
        benchmark::DoNotOptimize(recalculate(s, *r, true));
    }
}

void BM_FirstRunPass(benchmark::State& state) {
    CalcState s = testing::first_run_state();
    s.stateRB = static_cast<int>(state.range(0));
    run_pass(state, s, static_cast<int>(state.range(1)));
}
BENCHMARK(BM_FirstRunPass)
    ->ArgNames({"method", "kind"})
    ->ArgsProduct({{DeltaPOI, DeltaT, DeltaV, DeltaD}, {1, 2}})
    ->Unit(benchmark::kMillisecond);

void BM_LongFlightPass(benchmark::State& state) { run_pass(state, long_flight(), static_cast<int>(state.range(0))); }
BENCHMARK(BM_LongFlightPass)->ArgName("kind")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_SlowestCasePass(benchmark::State& state) { run_pass(state, slowest_case(), static_cast<int>(state.range(0))); }
BENCHMARK(BM_SlowestCasePass)->ArgName("kind")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_UnchangedRedisplay(benchmark::State& state) {
    run_redisplay(state, state.range(0) == 0 ? testing::first_run_state() : long_flight());
}
BENCHMARK(BM_UnchangedRedisplay)->ArgName("long")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace velora
