// The largest fit the limits allow: MostFitShots shots (a 1 MiB shots file holds fewer), under all
// ten drag laws, with and without the muzzle velocity fitted. Targets: at most 2 s and 200 MB each.
// The counters give the whole program's largest resident size (kB) once the fit ran; the fit's own
// share is that less the size before it ("before_kB").
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include "solver/shot_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

long peak_resident_kb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// A long string of velocities and POIs out to 60 yd, as a radar session or many strings give.
std::vector<Shot> most_shots(const ShotFitInputs& in) {
    const std::vector<std::pair<float, ShotQuantity>> at = {{10, ShotQuantity::Velocity}, {20, ShotQuantity::Velocity},
                                                            {30, ShotQuantity::Poi},      {40, ShotQuantity::Velocity},
                                                            {50, ShotQuantity::Time},     {60, ShotQuantity::Velocity}};
    std::vector<Shot> one;
    for (const auto& [range, q] : at) one.push_back(Shot{range, q, 0.0f, std::nullopt});
    const std::vector<float> values = predict_shots(one, in.MV, 0.0195f, GA2, in);
    std::vector<Shot> shots;
    shots.reserve(MostFitShots);
    for (std::size_t i = 0; i < MostFitShots; ++i) {
        Shot s = one[i % one.size()];
        const float v = values[i % one.size()];
        // A little scatter, as real readings have.
        s.value = v + static_cast<float>(static_cast<int>(i % 7) - 3) * 0.2f * default_uncertainty(s.quantity, v);
        shots.push_back(s);
    }
    return shots;
}

void BM_FitMostShots(benchmark::State& state) {
    const bool fit_mv = state.range(0) != 0;
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    const std::vector<Shot> shots = most_shots(in);
    const long before = peak_resident_kb();
    for (auto _ : state) benchmark::DoNotOptimize(fit_shots(shots, in, {fit_mv, {}}));
    state.counters["shots"] = static_cast<double>(shots.size());
    state.counters["before_kB"] = static_cast<double>(before);
    state.counters["peak_kB"] = static_cast<double>(peak_resident_kb());
}
BENCHMARK(BM_FitMostShots)->ArgName("fit_mv")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace velora
