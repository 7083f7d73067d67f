// Cost of the fit from several shots over all ten drag laws: six velocities of an air-gun pellet
// out to 60 yd (the figure the README quotes), a mix of POI, time and velocity, the same six
// velocities with the muzzle velocity fitted too, and a slug's six velocities out to 150 yd.
#include <benchmark/benchmark.h>

#include "solver/shot_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

std::vector<Shot> made_shots(const ShotFitInputs& in, int law, float bc,
                             const std::vector<std::pair<float, ShotQuantity>>& at) {
    std::vector<Shot> shots;
    for (const auto& [range, q] : at) shots.push_back(Shot{range, q, 0.0f, std::nullopt});
    const std::vector<float> values = predict_shots(shots, in.MV, bc, law, in);
    // A little scatter, as real readings have: alternately above and below.
    for (std::size_t i = 0; i < shots.size(); ++i)
        shots[i].value = values[i] + (i % 2 == 0 ? 0.5f : -0.5f) * default_uncertainty(shots[i].quantity, values[i]);
    return shots;
}

using Q = ShotQuantity;

void run_fit(benchmark::State& state, const CalcState& s, int law, float bc,
             const std::vector<std::pair<float, ShotQuantity>>& at, bool fit_mv) {
    const ShotFitInputs in = shot_fit_inputs(s);
    const std::vector<Shot> shots = made_shots(in, law, bc, at);
    for (auto _ : state) benchmark::DoNotOptimize(fit_shots(shots, in, {fit_mv, {}}));
}

const std::vector<std::pair<float, ShotQuantity>> SixVelocities = {
    {10, Q::Velocity}, {20, Q::Velocity}, {30, Q::Velocity}, {40, Q::Velocity}, {50, Q::Velocity}, {60, Q::Velocity}};

void BM_FitSixVelocities(benchmark::State& state) {
    run_fit(state, testing::first_run_state(), GA2, 0.0195f, SixVelocities, false);
}
BENCHMARK(BM_FitSixVelocities)->Unit(benchmark::kMillisecond);

void BM_FitSixMixed(benchmark::State& state) {
    run_fit(state, testing::first_run_state(), GA2, 0.0195f,
            {{20, Q::Poi}, {40, Q::Poi}, {55, Q::Poi}, {40, Q::Time}, {55, Q::Time}, {55, Q::Velocity}}, false);
}
BENCHMARK(BM_FitSixMixed)->Unit(benchmark::kMillisecond);

void BM_FitSixVelocitiesAndMuzzleVelocity(benchmark::State& state) {
    run_fit(state, testing::first_run_state(), GA2, 0.0195f, SixVelocities, true);
}
BENCHMARK(BM_FitSixVelocitiesAndMuzzleVelocity)->Unit(benchmark::kMillisecond);

void BM_FitSlugTo150Yards(benchmark::State& state) {
    CalcState s = testing::first_run_state();
    s.MV = 900.0f;
    run_fit(state, s, SLG1, 0.07f,
            {{25, Q::Velocity},
             {50, Q::Velocity},
             {75, Q::Velocity},
             {100, Q::Velocity},
             {125, Q::Velocity},
             {150, Q::Velocity}},
            false);
}
BENCHMARK(BM_FitSlugTo150Yards)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velora
