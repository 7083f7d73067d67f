// The air of the range: moist-air density and the speed of sound.
#pragma once

#include <string>

namespace velora {

// Density of moist air in lbm/ft³ from temperature (°C), pressure (inHg) and relative humidity (%).
double air_density(double tmp_c, double pres_inhg, double humid_pct);

// Speed of sound in ft/s at a temperature in °C.
float speed_of_sound(float tmp_c);

inline constexpr double KgM3ToLbmFt3 = 0.06242796073727268;

// The caption of the density line before its first click.
inline constexpr const char* InitialDensityCaption = "Density 0.074838 Lbm/Ft³";

// The density line after a click: `density_unit` 1 = lbm/ft³, 0 = kg/m³.
std::string density_readout_text(float tmp_c, float pres_inhg, float humid_pct, int density_unit);

}  // namespace velora
