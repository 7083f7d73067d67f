// The projectile of the Fit window, kept beside the preferences in "Velora.projectile" (the
// preferences file itself is left as it is): one "key=value" a line, "#" lines passed over.
//
//   weight=8.44         weight_unit=gr|g
//   calibre=0.177       calibre_unit=in|mm
//   length=             length_unit=in|mm      (empty: not given)
//   energy_limit=none | 12 ft·lbf | 7.5 J | a typed energy with its unit
//   drag_table=PATH       (only when a drag table is in use)
//
// Each value is read as the window reads it: a number in its unit, within the projectile's limits.
// A file that fails is refused in one line naming the file, the line and the fault.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/projectile.h"

namespace velora {

inline constexpr const char* ProjectileFileName = "Velora.projectile";
inline constexpr std::size_t LargestProjectileFile = 64 * 1024;

// The fields as the user left them: each number as typed (empty when not given) and its unit.
struct ProjectileSettings {
    std::string weight, weight_unit = "gr";
    std::string calibre, calibre_unit = "in";
    std::string length, length_unit = "mm";
    std::string energy_limit = "none";
    std::string drag_table;  // the path of the Fit window's drag table; empty: none
};

struct ProjectileFileRead {
    ProjectileSettings settings;
    std::string error;  // "Velora.projectile line 2: a weight from 0.5 to 1500 gr (0.032 to 97.2 g)"
    bool ok() const { return error.empty(); }
};

ProjectileFileRead read_projectile_file(std::string_view bytes, const std::string& name);
std::string projectile_file_text(const ProjectileSettings& s);

// What the fields give: the projectile (source "typed"), the limit, and the first field that does
// not read with its reason ("Weight: …"); a field left empty gives nothing.
struct ProjectileOfSettings {
    Projectile projectile;
    std::optional<EnergyLimit> limit;
    std::string error;
};
ProjectileOfSettings projectile_of(const ProjectileSettings& s);

}  // namespace velora
