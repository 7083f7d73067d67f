// The generic forms: the string CSV, the shots CSV and pasted text.
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = velora::fuzz_bytes(data, size);
    velora::fuzz_check(velora::read_string_csv(bytes, "s.csv"));
    velora::fuzz_check(velora::read_shots_csv(bytes, "shots.csv"));
    velora::fuzz_check(velora::read_pasted_text(bytes, "clipboard"));
    return 0;
}
