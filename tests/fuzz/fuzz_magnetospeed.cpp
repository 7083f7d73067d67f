// MagnetoSpeed V3 text.
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velora::fuzz_check(velora::read_magnetospeed(velora::fuzz_bytes(data, size), "LOG.CSV"));
    return 0;
}
