// The Fit window's projectile file: a refusal is one line naming the file; a file read gives
// fields that read as a projectile, and its text reads back to the same fields.
#include <cstdlib>
#include <string_view>

#include "services/projectile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const velora::ProjectileFileRead r = velora::read_projectile_file(bytes, "p");
    if (!r.ok()) {
        if (r.error.rfind("p", 0) != 0 || r.error.find('\n') != std::string::npos) std::abort();
        return 0;
    }
    if (!velora::projectile_of(r.settings).error.empty()) std::abort();
    const velora::ProjectileFileRead back = velora::read_projectile_file(velora::projectile_file_text(r.settings), "p");
    if (!back.ok()) std::abort();
    const velora::ProjectileSettings &a = r.settings, &b = back.settings;
    if (a.weight != b.weight || a.weight_unit != b.weight_unit || a.calibre != b.calibre ||
        a.calibre_unit != b.calibre_unit || a.length != b.length || a.length_unit != b.length_unit ||
        a.energy_limit != b.energy_limit)
        std::abort();
    return 0;
}
