// The shots file of the Fit window: any bytes give finite shots and one-line refusals by line, and
// the shots written back read as the same values.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "services/shots_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velora;
    const ShotsText t = parse_shots_text(std::string_view(reinterpret_cast<const char*>(data), size));
    if (t.lines.size() != t.shots.size()) std::abort();
    int last = 0;
    for (const ShotsLineError& e : t.errors) {
        if (e.line < 1 || e.line < last || e.reason.empty() || e.reason.find_first_of("\r\n") != std::string::npos) {
            std::fprintf(stderr, "line %d: %s\n", e.line, e.reason.c_str());
            std::abort();
        }
        last = e.line;
    }
    for (const Shot& shot : t.shots) {
        if (!std::isfinite(shot.range) || !std::isfinite(shot.value)) std::abort();
        if (shot.uncertainty && !std::isfinite(*shot.uncertainty)) std::abort();
    }
    const ShotsText back = parse_shots_text(shots_text(t.shots));
    if (!back.errors.empty() || back.shots.size() != t.shots.size()) std::abort();
    for (std::size_t i = 0; i < t.shots.size(); ++i) {
        const Shot &a = t.shots[i], &b = back.shots[i];
        if (a.range != b.range || a.quantity != b.quantity || a.value != b.value || a.uncertainty != b.uncertainty) {
            std::fprintf(stderr, "shot %zu did not read back\n", i);
            std::abort();
        }
    }
    return 0;
}
