#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/atmosphere.h"
#include "engine/units.h"
#include "output/popup_menus.h"
#include "output/range_table.h"
#include "tests/golden/golden_values.h"
#include "tests/output/output_fixture.h"
#include "tests/output/synthetic_trajectory.h"

namespace velora {
namespace {

using Lines = std::vector<std::string>;

// The first-run calculator with its target at 50 yards, every column in its first unit but the
// range, which is `range_unit`.
CalcState state_at_50(int range_unit) {
    CalcState s = testing::first_run_state();
    s.TR = 50.0f;
    s.stateTR = range_unit;
    s.statePOI = 0;
    return s;
}

TableLines table_of(const CalcState& s) { return fill_table(s, *testing::results_for(s)); }

int count_empty(const Lines& rows) {
    int n = 0;
    for (const auto& row : rows) n += row.empty();
    return n;
}

TEST(PadLeft, FillsToTheWidthAndKeepsLongerTextsWhole) {
    EXPECT_EQ(pad_left("PoI", 8), "     PoI");
    EXPECT_EQ(pad_left("Velocity", 8), "Velocity");
    EXPECT_EQ(pad_left("-123456.78", 9), "-123456.78");
    EXPECT_EQ(pad_left("7", 4, "0"), "0007");
    EXPECT_EQ(pad_left("x", 4, "ab"), "ababx");  // a longer pad stops once the width is reached
    EXPECT_EQ(pad_left("x", 4, ""), "x");
}

TEST(RangeTable, YardsTo55InStepsOf5WithGaps) {
    const TableLines t = table_of(state_at_50(Yard));
    const Lines header = {
        "  Range  Velocity     PoI     Time     Drop",
        " (Yard)   (Ft/s)   (Inch)    (Sec)   (Inch)",
    };
    // The stored first-run measurements stand at 40 yd: 633.4 ft/s, −0.767", 0.1708 s.
    const Lines rows = {
        "",
        "      0    785.0    -1.65   0.0000     0.00",
        "      5    763.0    -0.95   0.0194    -0.07",
        "     10    742.1    -0.41   0.0393    -0.29",
        "     15    722.2    -0.02   0.0598    -0.67",
        "     20    703.1     0.20   0.0809    -1.22",
        "",
        "     25    684.7     0.25   0.1025    -1.94",
        "     30    667.0     0.11   0.1247    -2.85",
        "     35    649.9    -0.23   0.1475    -3.95",
        "     40    633.4    -0.77   0.1708    -5.26",
        "     45    617.5    -1.52   0.1948    -6.78",
        "",
        "     50    602.1    -2.51   0.2194    -8.53",
        "     55    587.2    -3.73   0.2447   -10.52",
        "",
    };
    EXPECT_EQ(t.header, header);
    EXPECT_EQ(t.rows, rows);
    // "Velocity" ends one column right of the velocity values; from "PoI" on the columns line up.
    EXPECT_EQ(t.header[0].find("Velocity") + 8, 17u);
    EXPECT_EQ(t.rows[1].find("785.0") + 5, 16u);
    EXPECT_EQ(t.header[0].find("PoI") + 3, 25u);
    EXPECT_EQ(t.rows[1].find("-1.65") + 5, 25u);
}

TEST(RangeTable, SelectionsAtTheEndOfTheirListsReadAsTheFirstUnits) {
    // One past the last entry of every column's unit list: feet, ft/s, inches and seconds, the
    // same table as with the first entries chosen.
    CalcState past = state_at_50(Foot);
    past.stateTR = unit_count(Quantity::Range);
    past.stateMV = unit_count(Quantity::Velocity);
    past.statePOI = unit_count(Quantity::SmallLength);
    past.stateET = unit_count(Quantity::Time);
    past.stateDROP = unit_count(Quantity::SmallLength);
    CalcState first = state_at_50(Foot);
    first.stateMV = first.statePOI = first.stateET = first.stateDROP = 0;
    const TableLines t = table_of(past);
    EXPECT_EQ(t.header[1], " (Foot)   (Ft/s)   (Inch)    (Sec)   (Inch)");
    EXPECT_EQ(t.rows, table_of(first).rows);
}

TEST(RangeTable, FeetEndAt160BecauseTheSinglePrecisionThirdFallsShortOf165) {
    const TableLines t = table_of(state_at_50(Foot));
    EXPECT_EQ(t.header[1], " (Foot)   (Ft/s)   (Inch)    (Sec)   (Inch)");
    ASSERT_GE(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[t.rows.size() - 2], "    160    592.1    -3.30   0.2362    -9.83");
    EXPECT_EQ(t.rows.back(), "");
    EXPECT_EQ(t.rows.size() - count_empty(t.rows), 33u);  // 0, 5, …, 160 ft
    // 120 ft is the 40-yard row of the yard table.
    bool found = false;
    for (const auto& row : t.rows) found |= row == "    120    633.4    -0.77   0.1708    -5.26";
    EXPECT_TRUE(found);
}

TEST(RangeTable, MetresTo50) {
    const TableLines t = table_of(state_at_50(Metre));
    const Lines expected = {
        "",
        "      0    785.0    -1.65   0.0000     0.00",
        "      5    761.0    -0.90   0.0212    -0.09",
        "     10    738.3    -0.32   0.0431    -0.35",
        "     15    716.8     0.06   0.0657    -0.81",
        "     20    696.1     0.24   0.0889    -1.47",
        "",
        "     25    676.4     0.21   0.1128    -2.34",
        "     30    657.3    -0.06   0.1374    -3.44",
        "     35    639.1    -0.56   0.1627    -4.78",
        "     40    621.5    -1.31   0.1887    -6.38",
        "     45    604.5    -2.34   0.2155    -8.24",
        "",
        "     50    588.1    -3.65   0.2430   -10.39",
        "",
    };
    EXPECT_EQ(t.header[1], "    (m)   (Ft/s)   (Inch)    (Sec)   (Inch)");
    EXPECT_EQ(t.rows, expected);
}

TEST(RangeTable, MetreRowsConvertWithTheFullSinglePrecisionFactor) {
    // Zeroed at 40 m, 900 ft/s with BC 0.05: the 40-m row reads the path at 43.744532 yd, where
    // the drop is -4.45 inches; a factor cut to 1.0936 would read it at 43.744 yd and show -4.44.
    const golden::Flight& g = golden::MetreTableFlight;
    CalcState s = testing::first_run_state();
    s.MV = g.MV;
    s.BC = g.BC;
    s.ZR = g.ZR;
    s.TR = 55.0f;
    s.stateZR = Metre;
    s.stateTR = Metre;
    s.statePOI = Inch;
    const TableLines t = table_of(s);
    std::string row_40m;
    for (const auto& row : t.rows)
        if (row.substr(0, 7) == "     40") row_40m = row;
    ASSERT_EQ(row_40m.size(), 43u);
    EXPECT_EQ(row_40m.substr(34), pad_left(golden::MetreTableDropAt40m, 9));
    EXPECT_EQ(row_40m.substr(34), "    -4.45");
}

TEST(RangeTable, TenRowsEndWithTwoEmptyLinesAndNoGapsLeavesOnlyTheOuterOnes) {
    CalcState s = testing::first_run_state();  // TR 40 yd, step 5: rows 0 … 45
    s.statePOI = 0;
    const TableLines with_gaps = table_of(s);
    ASSERT_EQ(with_gaps.rows.size(), 1u + 10u + 2u + 1u);
    EXPECT_EQ(with_gaps.rows[with_gaps.rows.size() - 3], "     45    617.5    -1.52   0.1948    -6.78");
    EXPECT_EQ(with_gaps.rows[with_gaps.rows.size() - 2], "");
    EXPECT_EQ(with_gaps.rows.back(), "");

    s.Gaps = 0;
    const TableLines without = table_of(s);
    ASSERT_EQ(without.rows.size(), 12u);
    EXPECT_EQ(without.rows.front(), "");
    EXPECT_EQ(without.rows.back(), "");
    EXPECT_EQ(count_empty(without.rows), 2);
    Lines filled_with, filled_without;
    for (const auto& row : with_gaps.rows)
        if (!row.empty()) filled_with.push_back(row);
    for (const auto& row : without.rows)
        if (!row.empty()) filled_without.push_back(row);
    EXPECT_EQ(filled_with, filled_without);
}

TEST(RangeTable, HalfStepsShowOneDecimalAndTheEndRoundsHalfToEven) {
    CalcState s = testing::first_run_state();
    s.statePOI = 0;
    s.TableStep = 0.5f;
    s.TR = 2.0f;  // 2.5 rounds to 2
    TableLines t = table_of(s);
    Lines ranges;
    for (const auto& row : t.rows)
        if (!row.empty()) ranges.push_back(row.substr(0, 7));
    EXPECT_EQ(ranges, (Lines{"    0.0", "    0.5", "    1.0", "    1.5", "    2.0"}));

    s.TR = 3.0f;  // 3.5 rounds to 4
    t = table_of(s);
    EXPECT_EQ(t.rows[t.rows.size() - 2].substr(0, 7), "    4.0");

    s.TableStep = 1.0f;  // any other step: whole numbers
    t = table_of(s);
    EXPECT_EQ(t.rows[1].substr(0, 7), "      0");
}

TEST(RangeTable, ColumnsInTheOtherUnits) {
    CalcState s = testing::first_run_state();
    s.TR = 1.0f;
    s.TableStep = 1.0f;
    s.TMP = 20.0f;
    s.stateMV = 1;
    s.statePOI = 1;
    s.stateET = 1;
    s.stateDROP = 2;
    testing::Samples f;
    f.velocity = [](int) { return 1000.0f; };
    f.poi = [](int) { return -1.0f; };
    f.time = [](int) { return 0.1708f; };
    f.drop = [](int) { return -2.0f; };
    const auto r = testing::synthetic_results(10, f);
    TableLines t = fill_table(s, *r);
    EXPECT_EQ(t.header[1], " (Yard)    (m/s)     (cm)   (mSec)     (mm)");
    EXPECT_EQ(t.rows[1], "      0    304.8     -2.5    170.8      -51");

    s.stateMV = 2;  // Mach, 3 decimals, at the temperature of the moment
    f.velocity = [](int) { return 1126.09f; };
    t = fill_table(s, *testing::synthetic_results(10, f));
    EXPECT_EQ(t.header[1].substr(7, 9), "   (Mach)");
    EXPECT_EQ(t.rows[1].substr(7, 9), "    1.000");
    s.TMP = 0.0f;
    t = fill_table(s, *testing::synthetic_results(10, f));
    EXPECT_EQ(t.rows[1].substr(7, 9), "    1.036");
}

TEST(RangeTable, ACellTooWideForItsColumnPushesTheRestRight) {
    CalcState s = testing::first_run_state();
    s.TR = 0.0f;
    s.TableStep = 1.0f;
    s.statePOI = 0;
    testing::Samples f;
    f.velocity = [](int) { return 800.0f; };
    f.poi = [](int) { return -123456.78f; };
    f.time = [](int) { return 1.5f; };
    f.drop = [](int) { return -5.0f; };
    const TableLines t = fill_table(s, *testing::synthetic_results(10, f));
    ASSERT_EQ(t.rows.size(), 4u);  // limit 1: rows 0 and 1
    EXPECT_EQ(t.rows[1], "      0    800.0-123456.78   1.5000    -5.00");
}

TEST(RangeTable, RowsPastTheEndOfTheFlightRepeatItsLastReading) {
    CalcState s = testing::first_run_state();
    s.TR = 6.0f;
    s.TableStep = 1.0f;
    s.Gaps = 0;
    s.statePOI = 0;
    testing::Samples f;
    f.velocity = [](int i) { return 800.0f - 10.0f * static_cast<float>(i); };
    const TableLines t = fill_table(s, *testing::synthetic_results(4, f));
    ASSERT_EQ(t.rows.size(), 2u + 8u);  // 0 … 7 yd
    EXPECT_EQ(t.rows[3].substr(7, 9), "    780.0");
    EXPECT_EQ(t.rows[4].substr(7, 9), "    770.0");  // yard 3 = LastSample − 1
    EXPECT_EQ(t.rows[8].substr(7, 9), "    770.0");
}

TEST(RangeTable, UnusableStepsAndRangesEndTheTable) {
    CalcState s = testing::first_run_state();
    const auto r = testing::results_for(s);
    for (float step : {0.0f, -5.0f, std::numeric_limits<float>::quiet_NaN()}) {
        s.TableStep = step;
        const TableLines t = fill_table(s, *r);
        ASSERT_EQ(t.rows.size(), 3u) << step;  // only the muzzle row
        EXPECT_EQ(t.rows[1].substr(0, 7), "      0");
    }
    s.TableStep = 5.0f;
    s.TR = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(fill_table(s, *r).rows, (Lines{"", ""}));
    s.TR = 40.0f;
    s.TableStep = 1e-30f;  // would take some 2^24 rows to reach the end: cut off, not endless
    EXPECT_EQ(fill_table(s, *r).rows.size(), 1u + MostTableRows + MostTableRows / GapInterval + 1u);
}

TEST(TableMenu, ItemsTicksAndTitles) {
    CalcState s = testing::first_run_state();
    auto items = table_menu_items(s);
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(items[0].kind, PopupMenuItem::Title);
    EXPECT_EQ(items[0].text, "Table Option Menu:");
    EXPECT_EQ(items[1].kind, PopupMenuItem::Separator);
    ASSERT_EQ(items[2].kind, PopupMenuItem::Submenu);
    EXPECT_EQ(items[2].text, "Table Step ...");
    const auto& steps = items[2].items;
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps[0].text, "Step Size:");
    EXPECT_EQ(steps[0].kind, PopupMenuItem::Title);
    EXPECT_EQ(steps[1].kind, PopupMenuItem::Separator);
    const char* texts[] = {"1", "5", "10", "25"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(steps[2 + i].text, texts[i]);
        EXPECT_EQ(steps[2 + i].command, TableStep1Command + i);
        EXPECT_EQ(steps[2 + i].checked, i == 1);  // TableStep 5
    }
    EXPECT_EQ(items[4].text, "Hide Table Gaps");
    EXPECT_EQ(items[4].command, TableGapsCommand);
    EXPECT_EQ(items[6].text, "Print Table");
    EXPECT_EQ(items[7].text, "Save Table as .CSV");
    EXPECT_EQ(items[7].command, SaveTableCsvCommand);
    // Added after the specified items: the table for spreadsheets.
    EXPECT_EQ(items[8].text, "Save Table as Spreadsheet CSV…");
    EXPECT_EQ(items[8].command, SaveTableSpreadsheetCommand);
    EXPECT_EQ(items[8].mnemonic, 'V');

    s.Gaps = 0;
    s.TableStep = 0.5f;  // no entry of its own: nothing ticked
    items = table_menu_items(s, MenuStage::Initial);
    EXPECT_EQ(items[0].text, "Table Popup Menu:");
    EXPECT_EQ(items[4].text, "Show Table Gaps");
    for (const auto& item : items[2].items) EXPECT_FALSE(item.checked);

    EXPECT_EQ(table_step_of_command(TableStep25Command), 25.0f);
    EXPECT_EQ(table_step_of_command(TableGapsCommand), 0.0f);
}

TEST(PlotMenu, MarkerTextFollowsShowTarget) {
    CalcState s;
    s.ShowTarget = 1;
    auto items = plot_menu_items(s);
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[0].text, "Plot Option Menu:");
    EXPECT_EQ(items[2].text, "Hide Target Marker");
    EXPECT_EQ(items[2].command, TargetMarkerCommand);
    EXPECT_EQ(items[4].text, "Print Image");
    EXPECT_EQ(items[5].text, "Save Image");
    EXPECT_EQ(items[5].command, SaveImageCommand);
    EXPECT_EQ(items[6].text, "Save Image at Print Size…");
    EXPECT_EQ(items[6].command, SaveImagePrintSizeCommand);
    EXPECT_EQ(items[6].mnemonic, 'I');

    s.ShowTarget = 0;
    EXPECT_EQ(plot_menu_items(s)[2].text, "Show Target Marker");
    // A marker value other than 0 and 1: the rebuilt menu hides, the window's first one shows.
    s.ShowTarget = 2;
    EXPECT_EQ(plot_menu_items(s)[2].text, "Hide Target Marker");
    items = plot_menu_items(s, MenuStage::Initial);
    EXPECT_EQ(items[0].text, "Plot Popup Menu:");
    EXPECT_EQ(items[2].text, "Show Target Marker");
}

}  // namespace
}  // namespace velora
