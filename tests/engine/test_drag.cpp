#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "engine/drag.h"
#include "state/calc_state.h"

namespace velora {
namespace {

// The rows of the table that are published with the program: Mach, then G1, GA, GS, RA4, G7,
// GA2, SLG0, SLG1, WC0, GL.
const float PublishedRows[][11] = {
    {0, 0.2629, 0.4010, 0.4662, 0.2283, 0.1198, 0.5337, 0.2100, 0.1450, 0.2671, 0.3331},
    {0.1, 0.2487, 0.3250, 0.4717, 0.2282, 0.1196, 0.4357, 0.2000, 0.1439, 0.2682, 0.2880},
    {0.2, 0.2344, 0.2610, 0.4772, 0.2281, 0.1193, 0.3377, 0.1941, 0.1417, 0.2213, 0.2524},
    {0.3, 0.2214, 0.2220, 0.4827, 0.2281, 0.1194, 0.2444, 0.1940, 0.1410, 0.1812, 0.2263},
    {0.4, 0.2104, 0.1948, 0.4882, 0.2281, 0.1193, 0.1819, 0.1999, 0.1458, 0.1582, 0.2097},
    {0.5, 0.2032, 0.1880, 0.4970, 0.2281, 0.1194, 0.1690, 0.2090, 0.1510, 0.1547, 0.2026},
    {0.6, 0.2034, 0.1937, 0.5260, 0.2281, 0.1194, 0.1781, 0.2190, 0.1520, 0.1796, 0.2050},
    {0.7, 0.2170, 0.2123, 0.5920, 0.2288, 0.1202, 0.1977, 0.2320, 0.1550, 0.2072, 0.2168},
    {0.75, 0.2314, 0.2324, 0.6264, 0.2309, 0.1236, 0.2201, 0.2396, 0.1580, 0.2210, 0.2263},
    {0.8, 0.2546, 0.2601, 0.6610, 0.2334, 0.1242, 0.2478, 0.2460, 0.1600, 0.2362, 0.2545},
    {0.85, 0.2901, 0.2958, 0.6982, 0.2382, 0.1248, 0.2772, 0.2527, 0.1621, 0.2480, 0.2908},
    {0.9, 0.3415, 0.3467, 0.7370, 0.2604, 0.1664, 0.3159, 0.2770, 0.1780, 0.2624, 0.3412},
    {0.95, 0.4092, 0.4168, 0.7758, 0.3144, 0.2751, 0.3709, 0.3610, 0.2500, 0.2864, 0.4058},
    {1, 0.4805, 0.4901, 0.8140, 0.3975, 0.3803, 0.4357, 0.5420, 0.4020, 0.3166, 0.4845},
    {1.05, 0.5416, 0.5496, 0.8511, 0.4962, 0.4122, 0.4995, 0.6916, 0.4904, 0.3342, 0.5454},
    {1.1, 0.5883, 0.5930, 0.8870, 0.5719, 0.4014, 0.5390, 0.7650, 0.5290, 0.3451, 0.5875},
    {1.15, 0.6196, 0.6224, 0.9210, 0.5932, 0.3928, 0.5657, 0.8144, 0.5560, 0.3525, 0.6186},
    {1.2, 0.6393, 0.6411, 0.9510, 0.5831, 0.3884, 0.5827, 0.8331, 0.5770, 0.3572, 0.6400},
    {1.25, 0.6517, 0.6527, 0.9748, 0.5721, 0.3816, 0.5932, 0.8447, 0.5906, 0.3601, 0.6535},
    {1.3, 0.6589, 0.6591, 0.9910, 0.5651, 0.3732, 0.5990, 0.8511, 0.6000, 0.3617, 0.6614},
    {1.4, 0.6625, 0.6711, 1.0030, 0.5575, 0.3580, 0.6100, 0.8631, 0.6120, 0.3647, 0.6694},
    {1.5, 0.6573, 0.6761, 1.0080, 0.5513, 0.3440, 0.6145, 0.8681, 0.6170, 0.3660, 0.6792},
    {1.75, 0.6279, 0.6763, 1.0082, 0.5401, 0.3161, 0.6147, 0.8683, 0.6172, 0.3660, 0.7174},
    {2, 0.5934, 0.6691, 1.0010, 0.5323, 0.2980, 0.6081, 0.8611, 0.6100, 0.3642, 0.7602},
    {2.5, 0.5397, 0.6491, 0.9810, 0.5193, 0.2697, 0.5900, 0.8411, 0.5900, 0.3592, 0.8105},
    {3, 0.5133, 0.6291, 0.9610, 0.5091, 0.2424, 0.5718, 0.8211, 0.5700, 0.3542, 0.8170},
    {3.5, 0.5040, 0.6111, 0.9430, 0.5017, 0.2154, 0.5554, 0.8031, 0.5520, 0.3496, 0.7942},
    {4, 0.5005, 0.5961, 0.9280, 0.4969, 0.1941, 0.5418, 0.7881, 0.5370, 0.3459, 0.7452},
    {4.2, 0.4998, 0.5961, 0.9280, 0.4961, 0.1861, 0.5418, 0.7881, 0.5370, 0.3459, 0.7169},
};

int row_of(float mach) { return static_cast<int>(std::lround(mach * 40.0f)); }

TEST(DragTable, PublishedRowsAreStoredExactly) {
    for (const auto& published : PublishedRows) {
        const int row = row_of(published[0]);
        for (int law = 0; law + 1 < static_cast<int>(std::size(published)); ++law)
            EXPECT_EQ(DragTable[row][DragLaws[law].column], published[law + 1]) << "row " << row << " law " << law;
    }
}

TEST(DragTable, ShapeAndMachColumn) {
    for (int row = 0; row <= DragTableLastRow; ++row) {
        EXPECT_NEAR(DragTable[row][0], 0.025 * row, 1e-6);
        EXPECT_EQ(DragTable[row][DragTableColumns - 1], 0.0f);
        for (const BuiltInDragLaw& law : DragLaws) {
            // Four-decimal coefficients.
            const double scaled = DragTable[row][law.column] * 10000.0;
            EXPECT_NEAR(scaled, std::round(scaled), 1e-3);
            EXPECT_GT(DragTable[row][law.column], 0.1f);
        }
    }
    for (int col = 0; col < DragTableColumns; ++col) EXPECT_EQ(DragTable[169][col], 0.0f);
}

struct Extreme {
    int law;
    bool maximum;
    float value;
    float mach;
};

TEST(DragTable, TellingFeaturesOfTheLaws) {
    const Extreme extremes[] = {
        {G1, false, 0.2020f, 0.55f}, {G1, true, 0.6627f, 1.375f},   {G7, false, 0.1190f, 0.65f},
        {G7, true, 0.4122f, 1.05f},  {GS, false, 0.4662f, 0.0f},    {GS, true, 1.0091f, 1.625f},
        {GA, false, 0.1880f, 0.5f},  {GA2, false, 0.1689f, 0.475f}, {GL, true, 0.8188f, 2.825f},
    };
    for (const Extreme& e : extremes) {
        int best = 0;
        for (int row = 1; row <= DragTableLastRow; ++row) {
            const float c = DragTable[row][e.law + 1], b = DragTable[best][e.law + 1];
            if (e.maximum ? c > b : c < b) best = row;
        }
        EXPECT_EQ(DragTable[best][e.law + 1], e.value) << drag_law_name(e.law);
        EXPECT_EQ(best, row_of(e.mach)) << drag_law_name(e.law);
    }
    for (int row = 0; row <= row_of(0.65f); ++row) {
        EXPECT_GE(DragTable[row][RA4 + 1], 0.2281f);
        EXPECT_LE(DragTable[row][RA4 + 1], 0.2283f);
    }
    // The pellet, ball and slug laws end flat.
    for (int law : {GA, GS, GA2, SLG0, SLG1, WC0})
        EXPECT_EQ(DragTable[DragTableLastRow][law + 1], DragTable[DragTableLastRow - 1][law + 1]);
}

TEST(DragCoefficient, Lookups) {
    EXPECT_NEAR(drag_coefficient(0.0, G1), 0.2629, 1e-7);
    EXPECT_NEAR(drag_coefficient(0.0125, G1), 0.2611, 1e-6);
    EXPECT_NEAR(drag_coefficient(1.0, G7), 0.3803, 1e-6);
    // A row's own Mach is served by the segment below it, whose upper end is the row's value.
    EXPECT_NEAR(drag_coefficient(0.5, GA), 0.1880, 1e-6);
    // Above the table the last row holds.
    EXPECT_EQ(drag_coefficient(4.2001, GL), static_cast<double>(DragTable[DragTableLastRow][GL + 1]));
    EXPECT_EQ(drag_coefficient(100.0, G1), static_cast<double>(DragTable[DragTableLastRow][G1 + 1]));
}

TEST(DragCoefficient, NeverNegative) {
    for (int law = 0; law < DragLawCount; ++law)
        for (double m = 0.0; m < 4.5; m += 0.0007) ASSERT_GE(drag_coefficient(m, law), 0.0);
}

// The direct row search must give exactly what the scan from row 0 gives: dense sweep, every row
// boundary and its float and double neighbours, for every law.
TEST(DragCoefficient, DirectSearchIsBitIdenticalToTheScan) {
    auto same = [](double mach) {
        for (int law = 0; law < DragLawCount; ++law) {
            const double a = drag_coefficient(mach, law), b = drag_coefficient_by_scan(mach, law);
            if (std::isnan(b)) {
                ASSERT_TRUE(std::isnan(a)) << mach;
            } else {
                ASSERT_EQ(a, b) << "mach " << mach << " law " << law;
            }
        }
    };
    for (int k = 0; k <= 4300000; k += 29) same(k * 1e-6);
    for (int row = 0; row <= DragTableLastRow; ++row) {
        const float m = DragTable[row][0];
        const double d = m;
        for (double probe :
             {d, std::nextafter(d, 0.0), std::nextafter(d, 10.0), static_cast<double>(std::nextafter(m, 0.0f)),
              static_cast<double>(std::nextafter(m, 10.0f)), 0.025 * row, std::nextafter(0.025 * row, 0.0),
              std::nextafter(0.025 * row, 10.0)})
            same(probe);
    }
    // Single-precision Mach numbers as the flight produces them (speed / speed of sound).
    for (float v = 200.0f; v < 4000.0f; v += 0.37f) same(v / 1126.0913f);
    same(-0.5);
    same(std::numeric_limits<double>::quiet_NaN());
}

// The cursor starts from the segment of its previous lookup: along a slowing flight, across
// jumps in either direction, on the row boundaries, above the table and for unusable numbers it
// must give what the scan from row 0 gives.
TEST(DragCoefficient, CursorFromThePreviousRowIsBitIdenticalToTheScan) {
    for (int law = 0; law < DragLawCount; ++law) {
        DragCursor cursor(law);
        auto same = [&](double mach) {
            const double a = cursor.at(mach), b = drag_coefficient_by_scan(mach, law);
            if (std::isnan(b))
                ASSERT_TRUE(std::isnan(a)) << mach;
            else
                ASSERT_EQ(a, b) << "mach " << mach << " law " << law;
        };
        for (float v = 4000.0f; v > 150.0f; v -= 0.173f) same(v / 1046.0f);  // a slowing flight
        for (int row = DragTableLastRow; row >= 0; --row) {
            const double m = DragTable[row][0];
            for (double probe : {std::nextafter(m, 10.0), m, std::nextafter(m, 0.0)}) same(probe);
        }
        for (double jump :
             {0.3, 3.9, 0.0, 4.2, 4.25, 1.0, -0.5, 2.0, std::numeric_limits<double>::quiet_NaN(), 0.7, 100.0, 0.0125})
            same(jump);
    }
    // A law outside the ten reads G1, as drag_coefficient does.
    DragCursor other(42);
    EXPECT_EQ(other.at(0.5), drag_coefficient(0.5, 42));
    EXPECT_EQ(other.at(0.5), drag_coefficient(0.5, G1));
}

TEST(DragLaws, DescriptionsAndNames) {
    EXPECT_STREQ(drag_law_description(G1), "G1  -  Standard model, Flat-base, 2-calibre nose ogive");
    EXPECT_STREQ(drag_law_description(GA2), "GA2 -  Quenby's contender for round-nosed diabolo airgun pellets");
    EXPECT_STREQ(drag_law_description(SLG1), "SLG1 - Quenby's experimental blunt boat-tailed airgun slug profile");
    EXPECT_STREQ(drag_law_description(G7), "G7  -  VLD - long 7.5° boat-tail, 10 cal. nose ogive");
    EXPECT_STREQ(drag_law_description(DragLawCount), "");
    EXPECT_STREQ(drag_law_description(DragLawCount + 1), "");
    EXPECT_STREQ(drag_law_description(-1), "");
    EXPECT_EQ(drag_law_name(G1), "G1");
    EXPECT_EQ(drag_law_name(RA4), "RA4");
    EXPECT_EQ(drag_law_name(SLG0), "SLG0");
    EXPECT_EQ(drag_law_name(GL), "GL");
}

TEST(DragLaws, ListPositionMaps) {
    const int law_at[] = {0, 1, 5, 2, 3, 4, 6, 7, 8, 9};
    for (int pos = 0; pos < static_cast<int>(std::size(law_at)); ++pos) {
        EXPECT_EQ(drag_law_at_list_position(pos), law_at[pos]);
        EXPECT_EQ(list_position_of_drag_law(law_at[pos]), pos);
    }
    EXPECT_EQ(drag_law_at_list_position(2), GA2);
    EXPECT_EQ(list_position_of_drag_law(G7), 5);
    EXPECT_EQ(drag_law_at_list_position(DragLawCount), 0);
    EXPECT_EQ(drag_law_at_list_position(-1), 0);
    EXPECT_EQ(list_position_of_drag_law(42), 0);
}

TEST(DragLaws, NamesForTheListAndTheCommandLine) {
    EXPECT_EQ(drag_law_names_in_list_order(), "G1, GA, GA2, GS, RA4, G7, SLG0, SLG1, WC0 or GL");
    EXPECT_EQ(drag_law_named("RA4"), RA4);
    EXPECT_EQ(drag_law_named("ra4"), RA4);
    EXPECT_EQ(drag_law_named("sLg1"), SLG1);
    EXPECT_EQ(drag_law_named("GA2"), GA2);
    for (const char* none : {"RA5", "", "G", "3", "RA4 ", " GA", "SLG"}) EXPECT_EQ(drag_law_named(none), std::nullopt);
    // A name reads back as its law, and its description begins with it.
    for (int law = 0; law < DragLawCount; ++law) {
        EXPECT_EQ(drag_law_named(drag_law_name(law)), law);
        EXPECT_EQ(std::string(drag_law_description(law)).rfind(drag_law_name(law), 0), 0u);
    }
    EXPECT_EQ(drag_law_name(DragLawCount), "");
}

}  // namespace
}  // namespace velora
