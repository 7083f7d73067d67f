// Values typed with a unit: the first byte picks the quantity, the rest is the text. A value read is
// finite, a refusal says why in one line, and the longest leading number is never infinite.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/number_text.h"
#include "engine/unit_value.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora;
    if (size == 0) return 0;
    const auto kind = static_cast<ValueKind>(data[0] % 8);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const UnitValue v = read_unit_value(text, kind);
    if (v.ok() ? !std::isfinite(v.value) : v.error.find_first_of("\r\n") != std::string::npos) std::abort();
    if (!v.ok() && v.value != 0.0f) std::abort();
    float number = 0.0f;
    std::string_view rest;
    const bool read = parse_leading_number(text, number, rest);
    if (!std::isfinite(number) || (!read && number != 0.0f) || rest.size() > text.size()) std::abort();
    return 0;
}
