// Values with a unit suffix, against conversions worked by hand.
#include <gtest/gtest.h>

#include "engine/unit_value.h"

namespace velora {
namespace {

float internal(std::string_view text, ValueKind kind) {
    const UnitValue v = read_unit_value(text, kind);
    EXPECT_TRUE(v.ok()) << text << ": " << v.error;
    return v.value;
}

TEST(UnitValue, EachSuffixGivesTheInternalValue) {
    EXPECT_FLOAT_EQ(internal("785", ValueKind::Velocity), 785.0f);
    EXPECT_FLOAT_EQ(internal("785ft/s", ValueKind::Velocity), 785.0f);
    EXPECT_FLOAT_EQ(internal("785 fps", ValueKind::Velocity), 785.0f);
    EXPECT_FLOAT_EQ(internal("240m/s", ValueKind::Velocity), 787.40157f);  // 240 / 0.3048
    EXPECT_FLOAT_EQ(internal("40yd", ValueKind::Range), 40.0f);
    EXPECT_FLOAT_EQ(internal("36.576m", ValueKind::Range), 40.0f);  // 40 × 0.9144
    EXPECT_FLOAT_EQ(internal("120ft", ValueKind::Range), 40.0f);
    EXPECT_FLOAT_EQ(internal("1.65in", ValueKind::SmallLength), 1.65f);
    EXPECT_FLOAT_EQ(internal("8mm", ValueKind::SmallLength), 0.31496063f);  // 8 / 25.4
    EXPECT_FLOAT_EQ(internal("4.191cm", ValueKind::SmallLength), 1.65f);
    EXPECT_FLOAT_EQ(internal("0.1708s", ValueKind::Time), 0.1708f);
    EXPECT_FLOAT_EQ(internal("170.8ms", ValueKind::Time), 0.1708f);
    EXPECT_FLOAT_EQ(internal("23.5C", ValueKind::Temperature), 23.5f);
    EXPECT_FLOAT_EQ(internal("-4F", ValueKind::Temperature), -20.0f);
    EXPECT_FLOAT_EQ(internal("68 °F", ValueKind::Temperature), 20.0f);
    EXPECT_FLOAT_EQ(internal("28.42inHg", ValueKind::Pressure), 28.42f);
    EXPECT_FLOAT_EQ(internal("760mmHg", ValueKind::Pressure), 29.921259f);  // 760 / 25.4
    // The window's millibar: 1013.25 typed in mBar is 29.957 inHg, and hPa is the same unit.
    EXPECT_FLOAT_EQ(internal("1013.25mbar", ValueKind::Pressure), 29.95739f);  // 1013.25 / 33.82304
    EXPECT_EQ(internal("1013.25hPa", ValueKind::Pressure), internal("1013.25 mBar", ValueKind::Pressure));
    EXPECT_FLOAT_EQ(internal("32%", ValueKind::Percent), 32.0f);
    EXPECT_FLOAT_EQ(internal("1.6", ValueKind::Percent), 1.6f);
    EXPECT_FLOAT_EQ(internal("0.0195", ValueKind::Plain), 0.0195f);
    // Letter case and the sign as typed.
    EXPECT_FLOAT_EQ(internal("-240 M/S", ValueKind::Velocity), -787.40157f);
    EXPECT_FLOAT_EQ(internal("1e3MS", ValueKind::Time), 1.0f);
}

TEST(UnitValue, RefusesWhatIsNotANumberWithAUnitOfItsQuantity) {
    for (const char* text : {"", "abc", " ", "nan", "inf", "m/s", ".", "-"}) {
        EXPECT_EQ(read_unit_value(text, ValueKind::Velocity).error, "not a number") << text;
    }
    EXPECT_EQ(read_unit_value("785kmh", ValueKind::Velocity).error, "'kmh' is not a unit of velocity (ft/s, fps, m/s)");
    EXPECT_EQ(read_unit_value("40 yd yd", ValueKind::Range).error, "'yd yd' is not a unit of range (yd, m, ft)");
    EXPECT_EQ(read_unit_value("40ms", ValueKind::Range).error, "'ms' is not a unit of range (yd, m, ft)");
    EXPECT_EQ(read_unit_value("1e", ValueKind::Pressure).error,
              "'e' is not a unit of pressure (inHg, mmHg, mbar, hPa)");
    EXPECT_EQ(read_unit_value("20K", ValueKind::Temperature).error, "'K' is not a unit of temperature (C, F)");
    EXPECT_EQ(read_unit_value("5 percent", ValueKind::Percent).error, "'percent' is not a unit of a percentage (%)");
    EXPECT_EQ(read_unit_value("0.02in", ValueKind::Plain).error, "takes no unit ('in' follows the number)");
    EXPECT_FALSE(read_unit_value("785fps", ValueKind::Range).ok());
    EXPECT_EQ(read_unit_value("abc", ValueKind::Range).value, 0.0f);
}

// A number beyond the float range reads as the largest float; a conversion that would make it
// infinite is refused like any other value that cannot be taken.
TEST(UnitValue, AConversionThatOverflowsIsRefused) {
    EXPECT_EQ(read_unit_value("1e39m/s", ValueKind::Velocity).error, "too large a velocity to convert from m/s");
    EXPECT_FALSE(read_unit_value("-3.4e38 M/S", ValueKind::Velocity).ok());
    EXPECT_EQ(read_unit_value("3.3e38 m", ValueKind::Range).error, "too large a range to convert from m");
    EXPECT_EQ(read_unit_value("1e39m/s", ValueKind::Velocity).value, 0.0f);
    // Without a unit, or in a unit that makes it smaller, the value stays finite and is taken.
    EXPECT_EQ(internal("1e39", ValueKind::Velocity), 3.4028235e38f);
    EXPECT_EQ(internal("-1e39ft/s", ValueKind::Velocity), -3.4028235e38f);
    EXPECT_FLOAT_EQ(internal("1e39mm", ValueKind::SmallLength), 3.4028235e38f / 25.4f);
    EXPECT_FLOAT_EQ(internal("1e39ms", ValueKind::Time), 3.4028235e35f);
}

// A refusal is one line whatever followed the number: control characters are shown escaped.
TEST(UnitValue, ARefusalQuotesWhatFollowedTheNumberOnOneLine) {
    EXPECT_EQ(read_unit_value("3\nm", ValueKind::Range).error,
              "'\\nm' is not a unit of range (" + unit_suffixes(ValueKind::Range) + ")");
    EXPECT_EQ(read_unit_value(std::string_view("3\0%\r", 4), ValueKind::Percent).error,
              "'\\x00%\\r' is not a unit of a percentage (%)");
    EXPECT_EQ(read_unit_value("3 m\x7f", ValueKind::Plain).error, "takes no unit ('m\\x7f' follows the number)");
}

TEST(UnitValue, ListsTheSuffixesOfAQuantity) {
    EXPECT_EQ(unit_suffixes(ValueKind::SmallLength), "in, mm, cm");
    EXPECT_EQ(unit_suffixes(ValueKind::Temperature), "C, F");
    EXPECT_EQ(unit_suffixes(ValueKind::Time), "s, ms");
    EXPECT_EQ(unit_suffixes(ValueKind::Percent), "%");
    EXPECT_EQ(unit_suffixes(ValueKind::Plain), "");
}

TEST(UnitValue, TellsAUnitAfterTheNumberFromOtherText) {
    for (const char* text : {"50m", "50 m", "240m/s", "12ms", "68F", "1013hPa", "1.6%", "20 °C", "5e", "50 kg", "1x"})
        EXPECT_TRUE(has_unit_suffix(text)) << text;
    // No number, nothing after it, or something that cannot begin a unit.
    for (const char* text : {"", "m", "50", " 50 ", "1052,5", "1,052.5", "50-", "50/", "abc", "1e3"})
        EXPECT_FALSE(has_unit_suffix(text)) << text;
}

}  // namespace
}  // namespace velora
