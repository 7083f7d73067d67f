#include <gtest/gtest.h>

#include "engine/units.h"
#include "output/print_layout.h"
#include "output/range_table.h"
#include "tests/output/output_fixture.h"

namespace velora {
namespace {

TEST(TablePrintout, TitleAndTheSevenInputLines) {
    CalcState s = testing::first_run_state();
    const auto r = testing::results_for(s);
    EXPECT_EQ(print_title(), "Velora (1.2.2)");
    const std::vector<std::string> expected = {
        "Muzzle Velocity = 785.0 Ft/s",         "Far Zero Range = 32 Yard", "Sight Height = 1.65 Inch",
        "Ballistic Coefficient = 0.0195 (GA2)", "Temperature = 23.5 °C",    "Pressure = 28.42 \"Hg",
        "Relative Humidity = 32.0 %",
    };
    EXPECT_EQ(table_print_input_lines(table_print_fields(s, *r)), expected);

    // The far zero is a whole number in the zero range's unit, whatever the field shows.
    s.stateZR = Foot;
    EXPECT_EQ(table_print_input_lines(table_print_fields(s, *r))[1], "Far Zero Range = 96 Foot");
    s.stateZR = Metre;  // 29.26
    EXPECT_EQ(table_print_input_lines(table_print_fields(s, *r))[1], "Far Zero Range = 29 Metre");
    s.stateMV = 1;
    s.stateSH = 2;
    s.stateTMP = 1;
    s.statePRES = 2;
    s.stateBC = 6;  // the list's SLG0
    const auto lines = table_print_input_lines(table_print_fields(s, *r));
    EXPECT_EQ(lines[0], "Muzzle Velocity = 239.3 m/s");
    EXPECT_EQ(lines[2], "Sight Height = 42 mm");
    EXPECT_EQ(lines[3], "Ballistic Coefficient = 0.0195 (SLG0)");
    EXPECT_EQ(lines[4], "Temperature = 74.3 °F");
    EXPECT_EQ(lines[5], "Pressure = 961.3 mBar");

    // A zero unit just past the end of its list: the far zero in yards, no unit read past the list
    s.stateZR = unit_count(Quantity::Range);
    EXPECT_EQ(table_print_input_lines(table_print_fields(s, *r))[1], "Far Zero Range = 32 ");
}

TEST(TablePrintout, FontShrinksInStepsUntilTheHeaderFits) {
    // A header 40 font sizes wide.
    const auto width = [](float size) { return 40.0f * size; };
    EXPECT_FLOAT_EQ(table_print_font_size(8.5f, width), 0.15f);  // 6 + 1.5 ≤ 8.5
    EXPECT_FLOAT_EQ(table_print_font_size(7.5f, width), 0.15f);  // fits exactly
    const float size = table_print_font_size(6.0f, width);       // needs 40 s ≤ 4.5
    EXPECT_NEAR(size, 0.11f, 1e-5f);
    EXPECT_LE(40.0f * size + 1.5f, 6.0f);
    EXPECT_GT(40.0f * (size + PrintFontStep) + 1.5f, 6.0f);
    // A page too narrow for any size stops at the smallest one instead of searching for ever.
    const float smallest = table_print_font_size(1.0f, width);
    EXPECT_GE(smallest, PrintSmallestFontSize);
    EXPECT_LT(smallest, PrintSmallestFontSize + PrintFontStep);
}

TEST(TablePrintout, LinesPerPage) {
    EXPECT_EQ(table_print_lines_per_page(11.0f, 0.15f), 45);   // 8.5 ÷ 0.1875 = 45.3
    EXPECT_EQ(table_print_lines_per_page(11.69f, 0.15f), 49);  // A4: 9.19 ÷ 0.1875 = 49.01
    EXPECT_EQ(table_print_lines_per_page(2.0f, 0.15f), -1);
}

TEST(TablePrintout, PagesHoldTitleInputsHeaderAndRowsWithoutGaps) {
    CalcState s = testing::first_run_state();
    s.TableStep = 1.0f;
    s.TR = 60.0f;  // rows 0 … 61: 62 rows
    const auto r = testing::results_for(s);
    const TableLines table = fill_table(s, *r);
    const auto inputs = table_print_input_lines(table_print_fields(s, *r));
    const int L = 30;
    const auto pages = paginate_table(table, inputs, L);

    // Page 1: 10 lines of title and inputs, 2 header lines, rows up to line 30 (18 rows);
    // later pages 2 header lines and 28 rows: 18 + 28 = 46, then 16.
    ASSERT_EQ(pages.size(), 3u);
    ASSERT_EQ(pages[0].size(), 1u + 7u + 2u + 18u);
    EXPECT_EQ(pages[0][0].text, "Velora (1.2.2)");
    EXPECT_TRUE(pages[0][0].bold);
    EXPECT_EQ(pages[0][0].slot, 0);
    EXPECT_EQ(pages[0][1].text, inputs[0]);
    EXPECT_FALSE(pages[0][1].bold);
    EXPECT_EQ(pages[0][1].slot, 2);
    EXPECT_EQ(pages[0][7].slot, 8);
    EXPECT_EQ(pages[0][8].text, table.header[0]);
    EXPECT_TRUE(pages[0][8].bold);
    EXPECT_EQ(pages[0][8].slot, 10);
    EXPECT_EQ(pages[0][9].text, table.header[1]);
    EXPECT_EQ(pages[0][10].slot, 12);
    EXPECT_FALSE(pages[0][10].bold);
    EXPECT_EQ(pages[0].back().slot, L - 1);

    ASSERT_EQ(pages[1].size(), 30u);
    EXPECT_EQ(pages[1][0].text, table.header[0]);
    EXPECT_EQ(pages[1][0].slot, 0);
    EXPECT_TRUE(pages[1][1].bold);
    EXPECT_EQ(pages[1].back().slot, 29);
    ASSERT_EQ(pages[2].size(), 2u + 16u);

    // Every row once, in order, and no empty line anywhere.
    std::vector<std::string> printed, rows;
    for (const auto& page : pages)
        for (const auto& line : page) {
            EXPECT_FALSE(line.text.empty());
            if (!line.bold && line.slot >= (&page == &pages[0] ? 12 : 2)) printed.push_back(line.text);
        }
    for (const auto& row : table.rows)
        if (!row.empty()) rows.push_back(row);
    EXPECT_EQ(printed, rows);

    // The same table without gaps prints the same.
    s.Gaps = 0;
    const auto without = paginate_table(fill_table(s, *r), inputs, L);
    ASSERT_EQ(without.size(), pages.size());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        ASSERT_EQ(without[i].size(), pages[i].size());
        for (std::size_t j = 0; j < pages[i].size(); ++j) EXPECT_EQ(without[i][j].text, pages[i][j].text);
    }
}

TEST(TablePrintout, ARowThatFillsThePageStartsNoEmptyPage) {
    TableLines t;
    t.header = {"H1", "H2"};
    t.rows = {"", "r1", "r2", "r3", "r4", "r5", "", ""};
    // Six lines a page: the title, two empty lines and the header leave room for r1 on the
    // first; the second holds the header and r2 … r5, filling it. Nothing follows.
    const auto pages = paginate_table(t, {}, 6);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].back().text, "r1");
    EXPECT_EQ(pages[0].back().slot, 5);
    EXPECT_EQ(pages[1].front().text, "H1");
    EXPECT_EQ(pages[1].back().text, "r5");
    EXPECT_EQ(pages[1].back().slot, 5);
    // Pages too short even for the header still advance, a row at a time.
    EXPECT_EQ(paginate_table(t, {}, 0).size(), 6u);
}

TEST(PlotPrintout, FourInchesHighWithinThePageWidth) {
    PrintSize size = plot_print_size(780, 390, 11.0f);
    EXPECT_FLOAT_EQ(size.width, 8.0f);
    EXPECT_FLOAT_EQ(size.height, 4.0f);
    size = plot_print_size(780, 390, 10.0f);
    EXPECT_FLOAT_EQ(size.width, 8.0f);
    size = plot_print_size(780, 390, 8.5f);  // 6.5 inches of room
    EXPECT_FLOAT_EQ(size.width, 6.5f);
    EXPECT_FLOAT_EQ(size.height, 3.25f);
    size = plot_print_size(390, 528, 8.5f);  // the window's canvas: narrower than high
    EXPECT_FLOAT_EQ(size.height, 4.0f);
    EXPECT_NEAR(size.width, 4.0f * 390.0f / 528.0f, 1e-5f);
    EXPECT_EQ(plot_print_size(0, 10, 8.5f).width, 0.0f);
    EXPECT_EQ(plot_print_size(10, 10, 1.5f).height, 0.0f);
}

}  // namespace
}  // namespace velora
