#include "engine/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velora {
namespace {

TEST(FormatFixed, WritesTheStoredFloatsAsTheFileShowsThem) {
    EXPECT_EQ(format_fixed(785.0f, 1), "785.0");
    EXPECT_EQ(format_fixed(-0.767f, 3), "-0.767");
    EXPECT_EQ(format_fixed(0.1708f, 4), "0.1708");
    EXPECT_EQ(format_fixed(0.0195f, 4), "0.0195");
    EXPECT_EQ(format_fixed(633.4f, 1), "633.4");
    EXPECT_EQ(format_fixed(28.42f, 2), "28.42");
    EXPECT_EQ(format_fixed(40.0f, 2), "40.00");
}

TEST(FormatFixed, NoDecimalsMeansNoPoint) {
    EXPECT_EQ(format_fixed(42.0, 0), "42");
    EXPECT_EQ(format_fixed(41.6, 0), "42");
    EXPECT_EQ(format_fixed(-41.6, 0), "-42");
    EXPECT_EQ(format_fixed(0.4, 0), "0");
}

TEST(FormatFixed, RoundsToNearestWithHalvesAwayFromZero) {
    EXPECT_EQ(format_fixed(0.125, 2), "0.13");
    EXPECT_EQ(format_fixed(-0.125, 2), "-0.13");
    EXPECT_EQ(format_fixed(2.5, 0), "3");
    EXPECT_EQ(format_fixed(22.25f, 1), "22.3");
    EXPECT_EQ(format_fixed(9.995, 2), "9.99");  // held just below the half
    EXPECT_EQ(format_fixed(2.675, 2), "2.67");  // held just below the half
    EXPECT_EQ(format_fixed(9.5, 0), "10");
    EXPECT_EQ(format_fixed(99.95f, 1), "99.9");  // the float lies below the half
    EXPECT_EQ(format_fixed(999.5, 0), "1000");
    EXPECT_EQ(format_fixed(9.96875, 4), "9.9688");
    EXPECT_EQ(format_fixed(0.5, 0), "1");
    EXPECT_EQ(format_fixed(1.0 / 3.0, 12), "0.333333333333");
}

TEST(FormatFixed, SignOnlyForValuesBelowZero) {
    EXPECT_EQ(format_fixed(-0.0, 2), "0.00");
    EXPECT_EQ(format_fixed(0.0, 1), "0.0");
    // What rounds to zero shows no sign, at any number of decimals; what shows a digit keeps it.
    EXPECT_EQ(format_fixed(-0.001, 2), "0.00");
    EXPECT_EQ(format_fixed(-0.03, 1), "0.0");
    EXPECT_EQ(format_fixed(-0.4, 0), "0");
    EXPECT_EQ(format_fixed(-0.5, 0), "-1");
    EXPECT_EQ(format_fixed(-0.005, 2), "-0.01");
    EXPECT_EQ(format_fixed(-0.0049, 2), "0.00");
    EXPECT_EQ(format_fixed(-1e-9, 12), "-0.000000001000");
}

TEST(FormatFixed, ConversionsOfTheUnitFields) {
    EXPECT_EQ(format_fixed(1000.0f * 0.3048f, 1), "304.8");
    EXPECT_EQ(format_fixed(40.0f * 3.0f, 1), "120.0");
    EXPECT_EQ(format_fixed(40.0f * 0.9144f, 1), "36.6");
    EXPECT_EQ(format_fixed(1.65f * 2.54f, 1), "4.2");
    EXPECT_EQ(format_fixed(1.65f * 25.4f, 0), "42");
    EXPECT_EQ(format_fixed(0.1708f, 5), "0.17080");
    EXPECT_EQ(format_fixed(0.1708f * 1000.0f, 2), "170.80");
    EXPECT_EQ(format_fixed(29.92f * 25.4f, 1), "760.0");
}

TEST(FormatFixed, DecimalsOutsideTheRangeAreLimited) {
    EXPECT_EQ(format_fixed(1.5, -3), "2");
    EXPECT_EQ(format_fixed(0.1, 40), "0.100000000000");
}

TEST(FormatFixed, ExtremeValuesStayWhole) {
    const std::string big = format_fixed(std::numeric_limits<double>::max(), 12);
    EXPECT_EQ(big.size(), 309u + 1u + 12u);
    EXPECT_EQ(big.substr(0, 5), "17976");
    EXPECT_EQ(format_fixed(-std::numeric_limits<double>::max(), 0).size(), 310u);
    EXPECT_EQ(format_fixed(std::numeric_limits<double>::denorm_min(), 12), "0.000000000000");
    EXPECT_EQ(format_fixed(std::nan(""), 2), "nan");
    EXPECT_EQ(format_fixed(-INFINITY, 2), "-inf");
}

TEST(ParseLeadingNumber, ReadsTheLongestLeadingNumber) {
    float v = -1.0f;
    EXPECT_TRUE(parse_leading_number("785.0", v));
    EXPECT_FLOAT_EQ(v, 785.0f);
    EXPECT_TRUE(parse_leading_number("1.3%", v));
    EXPECT_FLOAT_EQ(v, 1.3f);
    EXPECT_TRUE(parse_leading_number("12,5", v));
    EXPECT_FLOAT_EQ(v, 12.0f);
    EXPECT_TRUE(parse_leading_number("1.2.3", v));
    EXPECT_FLOAT_EQ(v, 1.2f);
    EXPECT_TRUE(parse_leading_number("600 ft/s", v));
    EXPECT_FLOAT_EQ(v, 600.0f);
    EXPECT_TRUE(parse_leading_number("7e", v));
    EXPECT_FLOAT_EQ(v, 7.0f);
    EXPECT_TRUE(parse_leading_number("7e+", v));
    EXPECT_FLOAT_EQ(v, 7.0f);
    EXPECT_TRUE(parse_leading_number("7E-x", v));
    EXPECT_FLOAT_EQ(v, 7.0f);
}

TEST(ParseLeadingNumber, SignsPointsAndExponents) {
    float v = 0.0f;
    EXPECT_TRUE(parse_leading_number("   -850", v));
    EXPECT_FLOAT_EQ(v, -850.0f);
    EXPECT_TRUE(parse_leading_number("\t+0.5", v));
    EXPECT_FLOAT_EQ(v, 0.5f);
    EXPECT_TRUE(parse_leading_number(".25", v));
    EXPECT_FLOAT_EQ(v, 0.25f);
    EXPECT_TRUE(parse_leading_number("5.", v));
    EXPECT_FLOAT_EQ(v, 5.0f);
    EXPECT_TRUE(parse_leading_number("1.5e3", v));
    EXPECT_FLOAT_EQ(v, 1500.0f);
    EXPECT_TRUE(parse_leading_number("25E-1", v));
    EXPECT_FLOAT_EQ(v, 2.5f);
    EXPECT_TRUE(parse_leading_number("-0", v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_TRUE(std::signbit(v));
}

TEST(ParseLeadingNumber, RoundsOnceToTheNearestFloat) {
    float v = 0.0f;
    ASSERT_TRUE(parse_leading_number("0.0195", v));
    EXPECT_EQ(v, 0.0195f);
    ASSERT_TRUE(parse_leading_number("29.92", v));
    EXPECT_EQ(v, 29.92f);
    // Halfway between 1 and the next float up, plus a little: reads as the next float.
    ASSERT_TRUE(parse_leading_number("1.00000005960464477539062500001", v));
    EXPECT_EQ(v, std::nextafter(1.0f, 2.0f));
}

TEST(ParseLeadingNumber, TextThatIsNotANumber) {
    for (const char* text : {"", "   ", "abc", ".", "-", "+.", "-.e5", "e5", "nan", "inf", "-infinity", "%5", "- 5"}) {
        float v = 99.0f;
        EXPECT_FALSE(parse_leading_number(text, v)) << text;
        EXPECT_EQ(v, 0.0f) << text;
        EXPECT_EQ(read_number(text), 0.0f) << text;
    }
}

TEST(ParseLeadingNumber, HexIsReadOnlyUpToTheLetter) {
    float v = 0.0f;
    EXPECT_TRUE(parse_leading_number("0x1p4", v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_TRUE(parse_leading_number("12abc", v));
    EXPECT_EQ(v, 12.0f);
}

TEST(ParseLeadingNumber, NeverLeavesTheFiniteFloats) {
    const float largest = std::numeric_limits<float>::max();
    float v = 0.0f;
    EXPECT_TRUE(parse_leading_number("1e39", v));
    EXPECT_EQ(v, largest);
    EXPECT_TRUE(parse_leading_number("-123456789e300", v));
    EXPECT_EQ(v, -largest);
    EXPECT_TRUE(parse_leading_number("1e999999999999999999999999", v));
    EXPECT_EQ(v, largest);
    EXPECT_TRUE(parse_leading_number("0.000001e-60", v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_TRUE(parse_leading_number("-1e-999999999999999999999999", v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_TRUE(parse_leading_number(std::string(400, '9'), v));
    EXPECT_EQ(v, largest);
    EXPECT_TRUE(parse_leading_number("0." + std::string(400, '0') + "1", v));
    EXPECT_EQ(v, 0.0f);
    EXPECT_TRUE(parse_leading_number("0." + std::string(400, '0') + "1e420", v));
    EXPECT_FLOAT_EQ(v, 1e19f);
    EXPECT_TRUE(parse_leading_number("1e-40", v));
    EXPECT_GT(v, 0.0f);
    EXPECT_TRUE(std::isfinite(read_number("3.5e38")));
}

TEST(ParseLeadingNumber, StopsAtTheEndOfTheView) {
    const std::string text = "123456";
    float v = 0.0f;
    EXPECT_TRUE(parse_leading_number(std::string_view(text).substr(0, 3), v));
    EXPECT_EQ(v, 123.0f);
}

TEST(FormatAndRead, RoundTripsTheStoredDecimals) {
    for (float value : {785.0f, -0.767f, 0.1708f, 0.0195f, 1.6f, 28.42f, 40.0f, 4000.0f, 0.004f, 1.2f}) {
        for (int decimals : {1, 2, 3, 4}) {
            const std::string text = format_fixed(value, decimals);
            EXPECT_EQ(format_fixed(read_number(text), decimals), text);
        }
    }
}

TEST(DecimalComma, OneCommaWithoutAPointIsTheDecimalPoint) {
    EXPECT_EQ(with_decimal_point("1052,5"), "1052.5");
    EXPECT_EQ(with_decimal_point("-0,75 m/s"), "-0.75 m/s");
    EXPECT_EQ(with_decimal_point(",5"), ".5");
    // Anything else stays as typed, and reads as before: up to the comma.
    EXPECT_EQ(with_decimal_point("1,052.5"), "1,052.5");
    EXPECT_EQ(with_decimal_point("1,052,500"), "1,052,500");
    EXPECT_EQ(with_decimal_point("1052.5"), "1052.5");
    EXPECT_EQ(with_decimal_point(""), "");
    EXPECT_EQ(read_number(with_decimal_point("1052,5")), 1052.5f);
    EXPECT_EQ(read_number(with_decimal_point("1,052,500")), 1.0f);
}

}  // namespace
}  // namespace velora
