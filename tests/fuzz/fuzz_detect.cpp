// Detection: any bytes, read in the format they are taken for.
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velora::fuzz_check(velora::read_string_bytes(velora::fuzz_bytes(data, size), "input"));
    return 0;
}
