#include "engine/projectile.h"

#include <gtest/gtest.h>

#include "engine/number_text.h"

#include <cmath>

namespace velora {
namespace {

// A .177 pellet of 8.44 gr at 800 ft/s, worked out by hand: 8.44 gr = 0.54690 g, 800 ft/s =
// 243.84 m/s, ½ m v² = 16.2587 J = 11.992 ft·lbf; SD = 8.44 / 7000 / 0.177² = 0.038486 lb/in².
TEST(Projectile, EnergyMomentumAndSectionalDensityOfAPellet) {
    EXPECT_NEAR(kinetic_energy_j(8.44, 800), 16.2587, 5e-4);
    EXPECT_NEAR(kinetic_energy_ftlbf(8.44, 800), 11.9917, 5e-4);
    EXPECT_EQ(format_fixed(kinetic_energy_ftlbf(8.44, 800), 1), "12.0");
    EXPECT_NEAR(momentum_ns(8.44, 800), 0.133357, 1e-6);
    EXPECT_NEAR(sectional_density(8.44, 0.177), 0.038486, 1e-6);
    EXPECT_EQ(format_fixed(sectional_density(8.44, 0.177), 4), "0.0385");
    // The record gives an SD only with both its weight and its calibre.
    Projectile p;
    p.weight_gr = 8.44;
    EXPECT_FALSE(sectional_density(p));
    p.calibre_in = 0.177;
    EXPECT_NEAR(*sectional_density(p), 0.038486, 1e-6);
    // A BC equal to the SD is the law's own shape; half of it is twice its drag.
    EXPECT_DOUBLE_EQ(form_factor(0.04, 0.04), 1.0);
    EXPECT_DOUBLE_EQ(form_factor(0.04, 0.02), 2.0);
    // 12 ft·lbf is the UK limit: 16.27 J.
    EXPECT_NEAR(uk_energy_limit().joules, 16.2698, 1e-4);
    EXPECT_DOUBLE_EQ(germany_energy_limit().joules, 7.5);
}

TEST(Projectile, TypedValuesAreReadInTheirUnits) {
    struct Case {
        const char* text;
        ProjectileQuantity q;
        double value;
    };
    const Case cases[] = {
        {"8.44", ProjectileQuantity::Weight, 8.44},
        {"8.44gr", ProjectileQuantity::Weight, 8.44},
        {" 8.44 Grains ", ProjectileQuantity::Weight, 8.44},
        {"0.547g", ProjectileQuantity::Weight, 0.547 * GrainsPerGram},
        {".177in", ProjectileQuantity::Calibre, 0.177},
        {"5.5mm", ProjectileQuantity::Calibre, 5.5 / 25.4},
        {"0.22", ProjectileQuantity::Calibre, 0.22},
        {"13mm", ProjectileQuantity::Length, 13 / 25.4},
        {"12ftlbf", ProjectileQuantity::Energy, 12},
        {"16.27J", ProjectileQuantity::Energy, 16.27 / JoulesPerFootPound},
    };
    for (const Case& c : cases) {
        const ProjectileValue v = read_projectile_value(c.text, c.q);
        EXPECT_TRUE(v.ok()) << c.text << ": " << v.error;
        EXPECT_NEAR(v.value, c.value, 1e-9) << c.text;
    }
}

TEST(Projectile, ImpossibleValuesAreRefusedWithAReason) {
    struct Case {
        const char* text;
        ProjectileQuantity q;
        const char* error;
    };
    const Case cases[] = {
        {"", ProjectileQuantity::Weight, "not a number"},
        {"heavy", ProjectileQuantity::Weight, "not a number"},
        {"nan", ProjectileQuantity::Weight, "not a number"},
        {"inf", ProjectileQuantity::Calibre, "not a number"},
        {"-8.44", ProjectileQuantity::Weight, "a weight from 0.5 to 1500 gr (0.032 to 97.2 g)"},
        {"0", ProjectileQuantity::Weight, "a weight from 0.5 to 1500 gr (0.032 to 97.2 g)"},
        {"1e400", ProjectileQuantity::Weight, "a weight from 0.5 to 1500 gr (0.032 to 97.2 g)"},
        {"8.44kg", ProjectileQuantity::Weight, "'kg' is not a unit of weight (gr, g)"},
        {"5.5", ProjectileQuantity::Calibre,
         "a calibre from 0.1 to 1 in (2.54 to 25.4 mm); for millimetres write 5.5mm"},
        {"8.44 gr gr", ProjectileQuantity::Weight, "'gr gr' is not a unit of weight (gr, g)"},
    };
    for (const Case& c : cases) {
        const ProjectileValue v = read_projectile_value(c.text, c.q);
        EXPECT_EQ(v.error, c.error) << c.text;
    }
}

TEST(Projectile, EnergyLimitsAsTyped) {
    EXPECT_FALSE(read_energy_limit("none").limit);
    EXPECT_TRUE(read_energy_limit("").ok());
    const EnergyLimitRead uk = read_energy_limit("12ftlbf");
    ASSERT_TRUE(uk.limit);
    EXPECT_EQ(uk.limit->text, "12 ft·lbf");
    EXPECT_NEAR(uk.limit->joules, 16.2698, 1e-4);
    const EnergyLimitRead de = read_energy_limit("7.5 J");
    ASSERT_TRUE(de.limit);
    EXPECT_EQ(de.limit->text, "7.5 J");
    EXPECT_NEAR(de.limit->joules, 7.5, 1e-12);
    // Passed only above the limit as shown, to the hundredth of its own unit.
    EXPECT_FALSE(passes_energy_limit(12.004 * JoulesPerFootPound, *uk.limit));
    EXPECT_TRUE(passes_energy_limit(12.006 * JoulesPerFootPound, *uk.limit));
    EXPECT_FALSE(passes_energy_limit(7.504, *de.limit));
    EXPECT_TRUE(passes_energy_limit(7.506, *de.limit));
    EXPECT_EQ(energy_text(16.2587), "11.99 ft·lbf (16.26 J)");
    EXPECT_FALSE(read_energy_limit("-3J").ok());
    EXPECT_FALSE(read_energy_limit("lots").ok());
}

TEST(Projectile, TextShowsEachValueInBothUnits) {
    Projectile p;
    EXPECT_EQ(projectile_text(p), "");
    p.calibre_in = 0.177;
    EXPECT_EQ(projectile_text(p), "calibre 0.177 in (4.50 mm)");
    p.weight_gr = 8.44;
    p.length_in = 0.24;
    EXPECT_EQ(projectile_text(p), "8.44 gr (0.547 g), calibre 0.177 in (4.50 mm), length 0.240 in (6.10 mm)");
}

}  // namespace
}  // namespace velora
