#include "solver/fit_energy.h"

#include <algorithm>
#include <memory>

#include "engine/number_text.h"
#include "engine/projectile.h"
#include "engine/sampling.h"

namespace velora {

std::vector<float> measurement_ranges(const std::vector<Shot>& shots) {
    std::vector<float> ranges;
    for (const Shot& shot : shots)
        if (shot.range > 0) ranges.push_back(shot.range);
    std::sort(ranges.begin(), ranges.end());
    ranges.erase(std::unique(ranges.begin(), ranges.end()), ranges.end());
    return ranges;
}

std::vector<RangeEnergy> energy_at_ranges(const std::vector<float>& ranges, const FlightInputs& flown,
                                          double weight_gr) {
    std::vector<RangeEnergy> out;
    if (ranges.empty()) return out;
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(flown, *tr);
    for (float range : ranges) {
        if (range > static_cast<float>(tr->LastSample)) break;
        const auto v = static_cast<float>(velocity_at(*tr, range));
        out.push_back({range, v, kinetic_energy_j(weight_gr, v)});
    }
    return out;
}

std::string range_energies_line(const std::vector<RangeEnergy>& energies, const std::string& law, float bc, float mv) {
    if (energies.empty()) return {};
    std::string line = "Energy at the measured ranges under " + law + ", BC " + format_fixed(bc, 4) + ", from " +
                       format_fixed(mv, 1) + " ft/s:";
    for (std::size_t i = 0; i < energies.size(); ++i)
        line += (i ? ", " : " ") + format_fixed(energies[i].range, 1) + " yd " + energy_text(energies[i].joules);
    return line;
}

std::string shot_energy_text(std::optional<double> weight_gr, std::optional<float> mv) {
    if (!weight_gr || !mv) return {};
    return energy_text(kinetic_energy_j(*weight_gr, *mv));
}

}  // namespace velora
