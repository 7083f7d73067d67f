#include "engine/atmosphere.h"

#include <cmath>
#include <cstdint>

#include "engine/number_text.h"

namespace velora {

double air_density(double tmp_c, double pres_inhg, double humid_pct) {
    const double pa = pres_inhg / 0.00029529983071;
    // Saturation vapour pressure over water (Magnus), passed through a whole number of pascals.
    const double es_exact = 6.1078 * std::pow(10.0, 7.5 * tmp_c / (tmp_c + 237.3)) * 100.0;
    const auto es = static_cast<std::int32_t>(std::nearbyint(es_exact));
    const double pv = (humid_pct / 100.0) * es;
    const double pd = pa - pv;
    const double rho = pd / (287.058 * (tmp_c + 273.15)) + pv / (461.495 * (tmp_c + 273.15));
    return rho * KgM3ToLbmFt3;
}

float speed_of_sound(float tmp_c) {
    // Absolute temperature and °R in double; the coefficient is a single.
    return static_cast<float>(std::sqrt((tmp_c + 273.15) * 1.8) * 49.0223f);
}

std::string density_readout_text(float tmp_c, float pres_inhg, float humid_pct, int density_unit) {
    const double rho = air_density(tmp_c, pres_inhg, humid_pct);
    if (density_unit == 1) return "Air Density: " + format_fixed(rho, 8) + " Lbm/Ft³";
    return "Air Density: " + format_fixed(rho / KgM3ToLbmFt3, 8) + " Kg/m³";
}

}  // namespace velora
