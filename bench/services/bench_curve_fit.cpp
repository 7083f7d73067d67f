// Cost of fitting a projectile's own drag curve from the LabRadar series SR0038 with all its radar
// tracks (about 2,000 velocities of 30 shots): the curve, its penalty chosen by the likelihood, its
// band, each shot held out once, and the ten laws beside it each cross-validated the same way.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "engine/projectile.h"
#include "services/readers/readers.h"
#include "solver/curve_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

void BM_FitCurveSR0038(benchmark::State& state) {
    const std::filesystem::path path =
        std::filesystem::path(VELORA_REAL_DATA_DIR) / "labradar-22lr-topgenorth" / "SR0038";
    const StringRead read = read_string_path(path.string());
    if (!read.ok()) {
        state.SkipWithError("the real device files are not beside the source tree");
        return;
    }
    const std::vector<FitShot> shots = string_fit_shots(*read.string, true);
    const CurveFitInputs in = curve_fit_inputs(air_state(testing::first_run_state()), sectional_density(36.0, 0.2225));
    std::size_t samples = 0;
    for (const FitShot& s : shots) samples += s.measurements.size();
    for (auto _ : state) benchmark::DoNotOptimize(fit_drag_curve(shots, in));
    state.counters["shots"] = static_cast<double>(shots.size());
    state.counters["velocities"] = static_cast<double>(samples);
}
BENCHMARK(BM_FitCurveSR0038)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velora
