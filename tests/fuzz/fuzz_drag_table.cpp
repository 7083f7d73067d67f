// The drag table reader: a refusal is one line; a table read passes the point checks, and its CSV
// and JSON forms read back to the same points and projectile.
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "engine/drag_curve.h"
#include "services/readers/drag_table.h"

namespace {

void same_or_abort(const velora::DragTableFile& a, const std::string& text) {
    const velora::DragTableRead back = velora::read_drag_table(text, "t");
    if (!back.ok()) {
        std::fprintf(stderr, "written form not read back: %s\n", back.error.c_str());
        std::abort();
    }
    const velora::DragTableFile& b = *back.table;
    if (b.points.size() != a.points.size()) std::abort();
    for (std::size_t i = 0; i < a.points.size(); ++i)
        if (b.points[i].mach != a.points[i].mach || b.points[i].cd != a.points[i].cd) std::abort();
    if (b.projectile.weight_gr != a.projectile.weight_gr || b.projectile.calibre_in != a.projectile.calibre_in ||
        b.projectile.length_in != a.projectile.length_in)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const velora::DragTableRead read = velora::read_drag_table(bytes, "t.drg");
    if (!read.ok()) {
        if (read.error.empty() || read.error.find('\n') != std::string::npos ||
            read.error.find('\r') != std::string::npos) {
            std::fprintf(stderr, "not a one-line refusal: %s\n", read.error.c_str());
            std::abort();
        }
        return 0;
    }
    const velora::DragTableFile& t = *read.table;
    if (velora::check_drag_points(t.points)) std::abort();
    same_or_abort(t, velora::drag_table_csv(t));
    same_or_abort(t, velora::drag_table_json(t));
    return 0;
}
