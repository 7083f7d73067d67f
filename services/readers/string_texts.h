// The texts of a shot string that the command line and the Fit window show: pure functions.
#pragma once

#include <string>

#include "solver/shot_string.h"

namespace velora {

// The string shot by shot, in ft/s and yd: a head with the source, the units the file stated, the
// projectile as set on the device and the spread of the muzzle velocities; one line a shot with
// its muzzle velocity, its measurements and its track's size; under it, each item set aside with
// its reasons; last the reader's notes.
std::string string_listing(const ShotString& s);

// "mean 1228.5, SD 22.1, extreme spread 116.0 ft/s over 29 shots" in the velocity unit given
// (engine/units.h: 0 ft/s, 1 m/s, 2 Mach at `tmp` °C); empty without a muzzle velocity.
std::string mv_summary_text(const MvSummary& m, int velocity_unit, float tmp);

// "SR0038 (LabRadar series or report), LBR-0013797, Series 0038"
std::string string_source_text(const ShotString& s);

}  // namespace velora
