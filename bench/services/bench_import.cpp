// Reading a LabRadar series: SR0038 of the real corpus, its report and its 30 track files (about
// 2,400 samples), from the folder and from bytes already in memory. Target: 20 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "services/readers/readers.h"

namespace {

const std::filesystem::path Series = std::filesystem::path(VELORA_REAL_DATA_DIR) / "labradar-22lr-topgenorth/SR0038";

void BM_ReadSeriesFolder(benchmark::State& state) {
    if (!std::filesystem::is_directory(Series)) {
        state.SkipWithError("the real device files are not there");
        return;
    }
    for (auto _ : state) {
        velora::StringRead read = velora::read_string_path(Series.string());
        if (!read.ok() || read.string->shots.size() != 30) state.SkipWithError("SR0038 was not read");
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(BM_ReadSeriesFolder)->Unit(benchmark::kMillisecond);

void BM_ReadSeriesBytes(benchmark::State& state) {
    if (!std::filesystem::is_directory(Series)) {
        state.SkipWithError("the real device files are not there");
        return;
    }
    std::vector<velora::InputFile> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(Series)) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        files.push_back({e.path().filename().string(), bytes.str()});
    }
    for (auto _ : state) {
        velora::StringRead read = velora::read_string_files(files, "SR0038");
        benchmark::DoNotOptimize(read);
    }
}
BENCHMARK(BM_ReadSeriesBytes)->Unit(benchmark::kMillisecond);

}  // namespace
