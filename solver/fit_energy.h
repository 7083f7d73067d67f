// The energy a fit implies: the projectile's kinetic energy at each range the shots were measured
// at, flown under the chosen law with its BC from the string's mean muzzle velocity, and each
// shot's at the muzzle, as the Fit window and velora-cli fit show them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/trajectory.h"
#include "solver/shot_fit.h"

namespace velora {

struct RangeEnergy {
    float range = 0;     // yd
    float velocity = 0;  // ft/s
    double joules = 0;
};

// The ranges of `shots` downrange, each once, rising.
std::vector<float> measurement_ranges(const std::vector<Shot>& shots);

// The energy of `weight_gr` along the flight of `flown` at each of `ranges` the flight reaches.
std::vector<RangeEnergy> energy_at_ranges(const std::vector<float>& ranges, const FlightInputs& flown,
                                          double weight_gr);

// A line of those energies: "Energy at the measured ranges under G7, BC 0.0300, from 1050.0 ft/s:
// 10.0 yd 11.20 ft·lbf (15.19 J), 30.0 yd …"; empty for none.
std::string range_energies_line(const std::vector<RangeEnergy>& energies, const std::string& law, float bc, float mv);

// A shot's energy at the muzzle for its line: "122.64 ft·lbf (166.28 J)"; empty without a weight
// or a muzzle velocity.
std::string shot_energy_text(std::optional<double> weight_gr, std::optional<float> mv);

}  // namespace velora
