// Cost of the fit of a shot string over all ten drag laws: the LabRadar series SR0038 with all
// its radar tracks (about 2,400 samples), each shot's muzzle velocity fitted; the same series from
// its gates only; and six typed velocities as one shot of the string fit, against the fit of
// several shots they are handed to; and the largest string an import lets in (SR0038's tracked
// shots again and again up to MostStringMeasurements), with the program's largest resident size.
// Targets for that one: at most 2 s and 200 MB.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <filesystem>

#include "services/readers/readers.h"
#include "solver/string_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

StringRead read_series() {
    const std::filesystem::path path =
        std::filesystem::path(VELORA_REAL_DATA_DIR) / "labradar-22lr-topgenorth" / "SR0038";
    return read_string_path(path.string());
}

void run_series(benchmark::State& state, bool tracks) {
    const StringRead read = read_series();
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

long peak_resident_kb() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void BM_FitLargestString(benchmark::State& state) {
    const StringRead read = read_series();
    if (!read.ok()) {
        state.SkipWithError("the real device files are not beside the source tree");
        return;
    }
    const ShotFitInputs in = shot_fit_inputs(testing::first_run_state());
    const std::vector<FitShot> series = string_fit_shots(*read.string, true);
    std::vector<FitShot> shots;
    std::size_t samples = 0;
    for (std::size_t i = 0; !series.empty(); ++i) {
        const FitShot& s = series[i % series.size()];
        if (samples + s.measurements.size() > MostStringMeasurements) break;
        samples += s.measurements.size();
        shots.push_back(s);
        shots.back().name += " copy " + std::to_string(i / series.size());
    }
    StringFitOptions options;
    options.mv = MvChoice::Extrapolated;
    const long before = peak_resident_kb();
    for (auto _ : state) benchmark::DoNotOptimize(fit_string(shots, in, options));
    state.counters["shots"] = static_cast<double>(shots.size());
    state.counters["measurements"] = static_cast<double>(samples);
    state.counters["before_kB"] = static_cast<double>(before);
    state.counters["peak_kB"] = static_cast<double>(peak_resident_kb());
}
BENCHMARK(BM_FitLargestString)->Unit(benchmark::kMillisecond)->Iterations(1);

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
