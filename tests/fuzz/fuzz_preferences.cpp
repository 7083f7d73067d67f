// The preferences reader: any bytes give a state of finite values within the program's ranges (a
// target velocity below the muzzle velocity),
// and the text written from it reads back to the same text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/preferences.h"
#include "solver/fields.h"
#include "solver/input_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CalcState s;
    read_preferences_text(bytes, s);
    for (const Input& in : Inputs) {
        if (in.key == nullptr) continue;
        const float value = s.*in.value;
        // The target velocity stays below the muzzle velocity, which may take it under its own range.
        const bool below_mv = in.value == &CalcState::TV && value <= s.MV - TVBelowMV;
        if (!std::isfinite(value) || (value < in.loaded.low && !below_mv) || value > in.loaded.high) {
            std::fprintf(stderr, "%s read as %g\n", in.key, static_cast<double>(value));
            std::abort();
        }
    }
    for (const float range : s.TRArray)
        if (!std::isfinite(range)) std::abort();
    if (!std::isfinite(s.TableStep) || !(s.TableStep >= 0.1f)) std::abort();
    const std::string written = preferences_text(s);
    CalcState back;
    read_preferences_text(written, back);
    if (preferences_text(back) != written) {
        std::fprintf(stderr, "written:\n%s\nread back as:\n%s\n", written.c_str(), preferences_text(back).c_str());
        std::abort();
    }
    (void)has_preference_key(bytes);
    return 0;
}
