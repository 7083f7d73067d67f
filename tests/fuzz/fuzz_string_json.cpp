// The string's JSON form; what it reads is written and read back to the same text.
#include <cstdlib>

#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const velora::StringRead read = velora::read_string_json(velora::fuzz_bytes(data, size), "s.json");
    velora::fuzz_check(read);
    if (read.ok()) {
        const std::string json = velora::string_json(*read.string);
        const velora::StringRead again = velora::read_string_json(json, "s.json");
        if (!again.ok() || velora::string_json(*again.string) != json) std::abort();
    }
    return 0;
}
