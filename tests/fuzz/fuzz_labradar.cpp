// LabRadar: the report and the track readers on the input, and the series reader on the input cut
// in two (a report and a track file).
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = velora::fuzz_bytes(data, size);
    velora::fuzz_check(velora::read_labradar_report(bytes, "r.csv"));
    velora::fuzz_check(velora::read_labradar_track(bytes, "t.csv"));
    const std::size_t half = size / 2;
    velora::fuzz_check(velora::read_labradar_series(
        {{"a", std::string(bytes.substr(0, half))}, {"b", std::string(bytes.substr(half))}}, "series"));
    return 0;
}
