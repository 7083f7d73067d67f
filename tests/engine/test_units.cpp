#include <gtest/gtest.h>

#include "engine/atmosphere.h"
#include "engine/number_text.h"
#include "engine/units.h"

namespace velora {
namespace {

std::string shown(Quantity q, int unit, float internal, float tmp = 20.0f) {
    return format_fixed(to_display(q, unit, internal, tmp), unit_decimals(q, unit));
}

TEST(Units, CaptionsAndListsInWindowOrder) {
    EXPECT_STREQ(unit_caption(Quantity::Velocity, 0), "Ft/s");
    EXPECT_STREQ(unit_caption(Quantity::Velocity, 2), "Mach");
    EXPECT_STREQ(unit_caption(Quantity::Range, 2), "Metre");
    EXPECT_STREQ(unit_caption(Quantity::SmallLength, 1), "cm");
    EXPECT_STREQ(unit_caption(Quantity::Time, 1), "mSec");
    EXPECT_STREQ(unit_caption(Quantity::Temperature, 0), "°C");
    EXPECT_STREQ(unit_caption(Quantity::Pressure, 0), "\"Hg");
    EXPECT_STREQ(unit_caption(Quantity::Pressure, 2), "mBar");
    EXPECT_STREQ(unit_caption(Quantity::Time, 2), "");
    EXPECT_STREQ(unit_caption(Quantity::Range, -1), "");
    EXPECT_EQ(unit_count(Quantity::Time), 2);
    EXPECT_EQ(unit_count(Quantity::Pressure), 3);
}

TEST(Units, ShownValuesWithTheirDecimals) {
    EXPECT_EQ(shown(Quantity::Velocity, MPerS, 1000.0f), "304.8");
    EXPECT_EQ(shown(Quantity::Velocity, Mach, 1126.09f, 20.0f), "1.000");
    EXPECT_EQ(shown(Quantity::Velocity, Mach, 1126.09f, 0.0f), "1.036");
    EXPECT_EQ(shown(Quantity::Range, Foot, 40.0f), "120.0");
    EXPECT_EQ(shown(Quantity::Range, Metre, 40.0f), "36.6");
    EXPECT_EQ(shown(Quantity::SmallLength, Inch, 1.65f), "1.65");
    EXPECT_EQ(shown(Quantity::SmallLength, Cm, 1.65f), "4.2");
    EXPECT_EQ(shown(Quantity::SmallLength, Mm, 1.65f), "42");
    EXPECT_EQ(shown(Quantity::Time, Second, 0.1708f), "0.17080");
    EXPECT_EQ(shown(Quantity::Time, MilliSecond, 0.1708f), "170.80");
    EXPECT_EQ(shown(Quantity::Pressure, MmHg, 29.92f), "760.0");
    EXPECT_EQ(shown(Quantity::Pressure, MBar, 29.92f), "1012.0");
    EXPECT_EQ(shown(Quantity::Temperature, Fahrenheit, 20.0f), "68.0");
}

TEST(Units, TypedValuesBecomeInternal) {
    EXPECT_FLOAT_EQ(from_display(Quantity::Velocity, MPerS, 304.8f, 20.0f), 1000.0f);
    EXPECT_EQ(format_fixed(from_display(Quantity::Pressure, MBar, 1013.25f, 20.0f), 3), "29.957");
    EXPECT_FLOAT_EQ(from_display(Quantity::Temperature, Fahrenheit, -4.0f, 20.0f), -20.0f);
    EXPECT_FLOAT_EQ(from_display(Quantity::Range, Foot, 120.0f, 20.0f), 40.0f);
    // Mach goes through the speed of sound at the temperature of the moment.
    EXPECT_FLOAT_EQ(from_display(Quantity::Velocity, Mach, 1.0f, 0.0f), speed_of_sound(0.0f));
    EXPECT_NE(to_display(Quantity::Velocity, Mach, 900.0f, 0.0f), to_display(Quantity::Velocity, Mach, 900.0f, 30.0f));
}

TEST(Atmosphere, SpeedOfSound) {
    EXPECT_EQ(format_fixed(speed_of_sound(20.0f), 2), "1126.09");
    EXPECT_EQ(format_fixed(speed_of_sound(0.0f), 1), "1087.0");
    EXPECT_GE(speed_of_sound(-20.0f), 1046.0f);
}

TEST(Atmosphere, MoistAirDensity) {
    EXPECT_NEAR(air_density(20, 29.92, 50), 0.0748376, 5e-8);
    EXPECT_NEAR(air_density(20, 29.92, 50) / KgM3ToLbmFt3, 1.19878, 5e-6);
    EXPECT_NEAR(air_density(15, 29.92, 0), 0.0764697, 5e-8);
    EXPECT_NEAR(air_density(15, 29.92, 100), 0.0759833, 5e-8);
    EXPECT_NEAR(air_density(59, 29.92, 100), 0.0616316, 5e-8);
    // Humidity lowers the density.
    EXPECT_LT(air_density(25, 29.92, 80), air_density(25, 29.92, 20));
}

TEST(Atmosphere, SaturationPressureIsWholePascals) {
    // At 20 °C the saturation vapour pressure 2338.09 Pa counts as 2338 Pa: at full humidity the
    // vapour share is exactly 2338 Pa.
    const double pa = 29.92 / 0.00029529983071;
    const double t = 20.0 + 273.15;
    const double expected = ((pa - 2338.0) / (287.058 * t) + 2338.0 / (461.495 * t)) * KgM3ToLbmFt3;
    EXPECT_DOUBLE_EQ(air_density(20, 29.92, 100), expected);
}

TEST(Atmosphere, DensityReadout) {
    EXPECT_STREQ(InitialDensityCaption, "Density 0.074838 Lbm/Ft³");
    EXPECT_EQ(density_readout_text(20, 29.92f, 50, 1), "Air Density: 0.07483760 Lbm/Ft³");
    EXPECT_EQ(density_readout_text(20, 29.92f, 50, 0).substr(0, 20), "Air Density: 1.19878");
    EXPECT_EQ(density_readout_text(20, 29.92f, 50, 0).substr(23), " Kg/m³");
}

}  // namespace
}  // namespace velora
