// Cost of the fit of a shot string over all ten drag laws: the LabRadar series SR0038 with all
// its radar tracks (about 2,400 samples), each shot's muzzle velocity fitted; the same series from
// its gates only; and six typed velocities as one shot of the string fit, against the fit of
// several shots they are handed to.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "services/readers/readers.h"
#include "solver/string_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

void run_series(benchmark::State& state, bool tracks) {
    const std::filesystem::path path =
        std::filesystem::path(VELORA_REAL_DATA_DIR) / "labradar-22lr-topgenorth" / "SR0038";
    const StringRead read = read_string_path(path.string());
    if (!read.ok()) {
        state.SkipWithError("the real device files are not beside the source tree");
        return;
    }
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    const std::vector<FitShot> shots = string_fit_shots(*read.string, tracks);
    std::size_t samples = 0;
    for (const FitShot& s : shots) samples += s.measurements.size();
    StringFitOptions options;
    options.mv = MvChoice::Extrapolated;
    for (auto _ : state) benchmark::DoNotOptimize(fit_string(shots, in, options));
    state.counters["shots"] = static_cast<double>(shots.size());
    state.counters["measurements"] = static_cast<double>(samples);
}

void BM_FitSeriesTracks(benchmark::State& state) { run_series(state, true); }
BENCHMARK(BM_FitSeriesTracks)->Unit(benchmark::kMillisecond);

void BM_FitSeriesGates(benchmark::State& state) { run_series(state, false); }
BENCHMARK(BM_FitSeriesGates)->Unit(benchmark::kMillisecond);

void BM_FitSixTypedVelocities(benchmark::State& state) {
    const CalcState s = testing::first_run_state();
    const ShotFitInputs in = shot_fit_inputs(s);
    std::vector<Shot> shots;
    for (float r : {10.0f, 20.0f, 30.0f, 40.0f, 50.0f, 60.0f}) shots.push_back(Shot{r, ShotQuantity::Velocity, 0, {}});
    const std::vector<float> v = predict_shots(shots, s.MV, 0.0195f, GA2, in);
    for (std::size_t i = 0; i < shots.size(); ++i)
        shots[i].value = v[i] + (i % 2 == 0 ? 0.5f : -0.5f) * default_uncertainty(ShotQuantity::Velocity, v[i]);
    StringFitOptions options;
    options.mv = MvChoice::None;
    const std::vector<FitShot> typed = {typed_fit_shot(shots)};
    for (auto _ : state) benchmark::DoNotOptimize(fit_string(typed, in, options));
}
BENCHMARK(BM_FitSixTypedVelocities)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velora
