// How long one trajectory takes, and the time per integration step of half an inch.
#include <benchmark/benchmark.h>

#include <memory>
#include <variant>
#include <vector>

#include "engine/drag.h"
#include "engine/drag_curve.h"
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

// The same two flights with drag curves made at run time: the built-in law's own points (the
// same segments), and 1000 points spaced unevenly over its span, to compare with a built-in law
// step for step.
std::vector<DragPoint> uneven_points(int law) {
    std::vector<DragPoint> points;
    for (int i = 0; i < MostDragPoints; ++i) {
        const double u = static_cast<double>(i) / (MostDragPoints - 1);
        const float mach = static_cast<float>(4.2 * u * u);
        if (!points.empty() && !(mach > points.back().mach)) continue;
        points.push_back({mach, static_cast<float>(drag_coefficient(mach, law))});
    }
    return points;
}

void run_with_curve(benchmark::State& state, FlightInputs in, const std::vector<DragPoint>& points) {
    const TabulatedDragCurve curve = std::get<TabulatedDragCurve>(make_drag_curve(points));
    in.law = curve.curve();
    run(state, in);
}

void BM_TrajectoryFirstRunRunTimeCurve(benchmark::State& state) {
    const FlightInputs in = testing::first_run_flight();
    run_with_curve(state, in, state.range(0) ? uneven_points(GA2) : drag_law_points(GA2));
}
void BM_TrajectoryLongFlightRunTimeCurve(benchmark::State& state) {
    run_with_curve(state, long_flight(), state.range(0) ? uneven_points(G7) : drag_law_points(G7));
}

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
BENCHMARK(BM_TrajectoryFirstRunRunTimeCurve)->ArgName("uneven")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrajectoryLongFlightRunTimeCurve)->ArgName("uneven")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragCoefficient);

}  // namespace
}  // namespace velora
