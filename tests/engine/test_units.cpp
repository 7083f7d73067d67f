#include <gtest/gtest.h>

#include "engine/atmosphere.h"
#include "engine/number_text.h"
#include "engine/units.h"
#include "tests/golden/golden_values.h"

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

TEST(Units, PositionAtTheEndOfTheListIsOutsideIt) {
    // One past the last entry reads as no unit: no caption, the first entry's decimals, no
    // conversion. (The time and temperature lists hold two entries in rows of three.)
    const Quantity all[] = {Quantity::Time,  Quantity::Temperature, Quantity::Velocity,
                            Quantity::Range, Quantity::SmallLength, Quantity::Pressure};
    for (Quantity q : all) {
        const int end = unit_count(q);
        SCOPED_TRACE(static_cast<int>(q));
        EXPECT_EQ(unit_decimals(q, end), unit_decimals(q, 0));
        EXPECT_EQ(unit_factor(q, end, 20.0f), 1.0f);
        EXPECT_EQ(to_display(q, end, 12.5f, 20.0f), 12.5f);
        EXPECT_EQ(from_display(q, end, 12.5f, 20.0f), 12.5f);
        EXPECT_STREQ(unit_caption(q, end), "");
    }
    EXPECT_EQ(unit_decimals(Quantity::Time, 2), 5);
    EXPECT_STREQ(unit_caption(Quantity::Velocity, 3), "");
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
    EXPECT_EQ(from_display(Quantity::Velocity, Mach, 1.0f, 0.0f), 0x1.0fc02ap+10f);  // 1087.0026 ft/s
    EXPECT_EQ(format_fixed(to_display(Quantity::Velocity, Mach, 900.0f, 30.0f), 3), "0.786");
}

TEST(Atmosphere, SpeedOfSound) {
    EXPECT_EQ(format_fixed(speed_of_sound(20.0f), 2), "1126.09");
    EXPECT_EQ(speed_of_sound(0.0f), 0x1.0fc02ap+10f);  // 1087.0026
    EXPECT_EQ(format_fixed(speed_of_sound(-20.0f), 2), "1046.45");
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

TEST(Atmosphere, SaturationPressureIsRoundedToWholePascals) {
    // 610.78 Pa at 0 °C and 1227.89 Pa at 10 °C count as 611 and 1228 Pa (a cut would make them
    // 610 and 1227); at 20 °C 2338.09 Pa counts as 2338. Full humidity gives the vapour its
    // greatest share.
    for (const golden::Density& d : golden::Densities) {
        SCOPED_TRACE(d.TMP);
        EXPECT_NEAR(air_density(d.TMP, d.PRES, d.HUMID), d.lbm_ft3, 1e-15);
    }
}

TEST(Atmosphere, DensityReadout) {
    EXPECT_STREQ(InitialDensityCaption, "Density 0.074838 Lbm/Ft³");
    EXPECT_EQ(density_readout_text(20, 29.92f, 50, 1), "Air Density: 0.07483760 Lbm/Ft³");
    EXPECT_EQ(density_readout_text(20, 29.92f, 50, 0).substr(0, 20), "Air Density: 1.19878");
    EXPECT_EQ(density_readout_text(20, 29.92f, 50, 0).substr(23), " Kg/m³");
}

}  // namespace
}  // namespace velora
