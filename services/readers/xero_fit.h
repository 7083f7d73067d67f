// The FIT decoder's parts that the tests and the fuzz harness reach.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "services/readers/readers.h"

namespace velora {

// The FIT CRC-16 of the bytes, continued from `crc`.
std::uint16_t fit_crc(std::string_view bytes, std::uint16_t crc = 0);

// The FIT reader, with the CRCs checked or not (the fuzz harness reaches the records either way).
StringRead decode_fit(std::string_view bytes, const std::string& name, bool check_crc);

}  // namespace velora
