// Garmin Xero FIT: the reader as it stands, and the records reached past the CRCs (checked
// without them, and with the header's size and the CRC put right).
#include "services/readers/xero_fit.h"
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = velora::fuzz_bytes(data, size);
    velora::fuzz_check(velora::read_xero_fit(bytes, "s.fit"));
    velora::fuzz_check(velora::decode_fit(bytes, "s.fit", false));
    if (size >= 14) {
        std::string fixed(bytes);
        const std::size_t records = fixed.size() - 14;
        fixed[0] = 12;
        for (int i = 0; i < 4; ++i) fixed[4 + i] = static_cast<char>(records >> (8 * i));
        fixed.replace(8, 4, ".FIT");
        const std::uint16_t crc = velora::fit_crc(std::string_view(fixed).substr(0, fixed.size() - 2));
        fixed[fixed.size() - 2] = static_cast<char>(crc & 0xFF);
        fixed[fixed.size() - 1] = static_cast<char>(crc >> 8);
        velora::fuzz_check(velora::read_xero_fit(fixed, "s.fit"));
    }
    return 0;
}
