// Garmin Xero ShotView CSV.
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velora::fuzz_check(velora::read_xero_csv(velora::fuzz_bytes(data, size), "s.csv"));
    return 0;
}
