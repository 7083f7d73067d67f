#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "output/csv_export.h"
#include "output/export_files.h"
#include "output/range_table.h"
#include "tests/output/output_fixture.h"
#include "tests/output/scripted_dialogs.h"
#include "tests/output/temp_folder.h"

namespace velora {
namespace {

using testing::read_bytes;
using testing::TempFolder;

using testing::ScriptedDialogs;
using testing::starts_with;

// The yard table to 55 yd of the first-run calculator, inches.
TableLines yard_table(int gaps) {
    CalcState s = testing::first_run_state();
    s.TR = 50.0f;
    s.statePOI = 0;
    s.Gaps = gaps;
    return fill_table(s, *testing::results_for(s));
}

const std::string YardCsv =
    "Range,Velocity,PoI,Time,Drop\r"
    "(Yard),(Ft/s),(Inch),(Sec),(Inch)\r"
    "0,785.0,-1.65,0.0000,0.00\r"
    "5,763.0,-0.95,0.0194,-0.07\r"
    "10,742.1,-0.41,0.0393,-0.29\r"
    "15,722.2,-0.02,0.0598,-0.67\r"
    "20,703.1,0.20,0.0809,-1.22\r"
    "25,684.7,0.25,0.1025,-1.94\r"
    "30,667.0,0.11,0.1247,-2.85\r"
    "35,649.9,-0.23,0.1475,-3.95\r"
    "40,633.4,-0.77,0.1708,-5.26\r"
    "45,617.5,-1.52,0.1948,-6.78\r"
    "50,602.1,-2.51,0.2194,-8.53\r"
    "55,587.2,-3.73,0.2447,-10.52\r";

TEST(CsvLine, SpacesBetweenCellsBecomeOneComma) {
    EXPECT_EQ(csv_line("  Range  Velocity     PoI     Time     Drop"), "Range,Velocity,PoI,Time,Drop");
    EXPECT_EQ(csv_line(" (Yard)   (Ft/s)   (Inch)    (Sec)   (Inch)  "), "(Yard),(Ft/s),(Inch),(Sec),(Inch)");
    // A cell wider than its column touches its neighbour and stays one field with it.
    EXPECT_EQ(csv_line("      0    800.0-123456.78   1.5000    -5.00"), "0,800.0-123456.78,1.5000,-5.00");
    EXPECT_EQ(csv_line("a b"), "a,b");
    EXPECT_EQ(csv_line("   "), "");
}

TEST(CsvText, TheTableByteForByteWhetherOrNotItHasGaps) {
    EXPECT_EQ(table_csv_text(yard_table(1)), YardCsv);
    EXPECT_EQ(table_csv_text(yard_table(0)), YardCsv);
}

TEST(CsvText, ShortRowLinesAreLeftOutButHeaderLinesNever) {
    TableLines t;
    t.header = {"  A", ""};
    t.rows = {"", "  12  ", "   123", "1 2"};
    EXPECT_EQ(table_csv_text(t), "A\r\r123\r1,2\r");
}

class CsvExport : public ::testing::Test {
protected:
    TempFolder dir;
    ScriptedDialogs dialogs;
    CalcState state = testing::first_run_state();
    TableLines table = yard_table(1);
};

TEST_F(CsvExport, WritesTheChosenFileWithCsvInPlaceOfAnUpperCaseExtension) {
    state.LastFolder = "/home/someone/Desktop/";
    dialogs.answer = dir.file("Range Day.CSV");
    save_table_csv(state, table, dialogs.hooks());

    EXPECT_EQ(dialogs.request.title, "Save Table as CSV");
    EXPECT_EQ(dialogs.request.folder, "/home/someone/Desktop/");
    EXPECT_EQ(dialogs.request.default_name, "Velora_Table.csv");
    EXPECT_EQ(dialogs.request.filter, "CSV Files (.csv) (*.csv)");

    EXPECT_EQ(state.LastFolder, dir.folder());
    const std::string written = dir.file("Range Day.csv");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"Range Day.csv"});
    const std::string bytes = read_bytes(written);
    EXPECT_EQ(bytes, YardCsv);
    EXPECT_EQ(bytes.find_first_of("\n\t\""), std::string::npos);

    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "CSV File:");
    EXPECT_EQ(dialogs.messages[0].text, "Saved as:\r" + written);
    EXPECT_EQ(dialogs.messages[0].buttons, MessageButtons::Ok);
}

TEST_F(CsvExport, ANameWithoutOrWithAnotherExtensionGetsCsv) {
    dialogs.answer = dir.file("plain");
    save_table_csv(state, table, dialogs.hooks());
    dialogs.answer = dir.file("notes.v2.txt");
    save_table_csv(state, table, dialogs.hooks());
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"notes.v2.csv", "plain.csv"}));
    // The folder chosen last is the one proposed next.
    save_table_csv(state, table, dialogs.hooks());
    EXPECT_EQ(dialogs.request.folder, dir.folder());
}

TEST_F(CsvExport, AnExistingFileIsReplacedWhole) {
    const std::string path = dir.file("Velora_Table.csv");
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(5000, 'x');
    }
    dialogs.answer = path;
    save_table_csv(state, table, dialogs.hooks());
    EXPECT_EQ(read_bytes(path), YardCsv);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"Velora_Table.csv"});
}

TEST_F(CsvExport, ACancelledDialogChangesNothing) {
    state.LastFolder = "/somewhere/";
    dialogs.answer = "";
    save_table_csv(state, table, dialogs.hooks());
    EXPECT_EQ(dialogs.dialogs, 1);
    EXPECT_EQ(state.LastFolder, "/somewhere/");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(dir.names().empty());
}

TEST_F(CsvExport, AFileThatCannotBeCreatedIsReportedWithItsPathAndLeavesNothingBehind) {
    // A folder that does not exist.
    dialogs.answer = dir.file("missing/Table.csv");
    save_table_csv(state, table, dialogs.hooks());
    EXPECT_EQ(state.LastFolder, dir.folder() + "missing/");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "CSV File:");
    EXPECT_EQ(dialogs.messages[0].text, "Could not save the table as:\r" + dir.file("missing/Table.csv"));

    // A name taken by a folder: the file is written aside first, then cannot take its place.
    std::filesystem::create_directory(dir.file("Taken.csv"));
    dialogs.answer = dir.file("Taken.csv");
    dialogs.messages.clear();
    save_table_csv(state, table, dialogs.hooks());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(starts_with(dialogs.messages[0].text, "Could not save"));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"Taken.csv"});
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("Taken.csv")));
}

TEST_F(CsvExport, AFolderWithoutWritePermissionIsReported) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const std::string locked = dir.file("locked");
    std::filesystem::create_directory(locked);
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_FALSE(export_table_csv(locked + "/Table.csv", table, dialogs.hooks()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(starts_with(dialogs.messages[0].text, "Could not save"));
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    EXPECT_TRUE(std::filesystem::is_empty(locked));
}

TEST(ExportPaths, FolderAndExtensionRules) {
    EXPECT_EQ(folder_of("/a/b/c.csv"), "/a/b/");
    EXPECT_EQ(folder_of("c.csv"), "");
    EXPECT_EQ(export_target_path("/a/b/Table.CSV", ".csv"), "/a/b/Table.csv");
    EXPECT_EQ(export_target_path("/a/b.d/Table", ".csv"), "/a/b.d/Table.csv");  // a dot in a folder is no extension
    EXPECT_EQ(export_target_path("/a/Plot.jpeg", ".png"), "/a/Plot.png");
}

// --- The table for spreadsheets ---------------------------------------------------------------

class Spreadsheet : public ::testing::Test {
protected:
    TempFolder dir;
    ScriptedDialogs dialogs;
    CalcState state = [] {
        CalcState s = testing::first_run_state();
        s.TR = 50.0f;
        s.statePOI = 0;
        s.stateTR = 2;  // metres, so a column has another unit than the rest
        return s;
    }();
    std::unique_ptr<CalcResults> results = testing::results_for(state);
};

TEST_F(Spreadsheet, OneHeaderRowWithUnitsTheTablesNumbersAndLineFeeds) {
    const TableCells cells = table_cells(state, *results);
    const std::string text = spreadsheet_csv_text(cells, {"Velora 1.2.2", "Note: a \"quoted\"\rword"});
    EXPECT_TRUE(starts_with(text,
                            "# Velora 1.2.2\n# Note: a ''quoted''word\n"
                            "Range (m),Velocity (Ft/s),PoI (Inch),Time (Sec),Drop (Inch)\n"));
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find('"'), std::string::npos);
    EXPECT_EQ(text.back(), '\n');

    // Every row of the window's table, in its order, with the commas where its spaces were.
    std::vector<std::string> shown;
    for (const std::string& line : fill_table(state, *results).rows)
        if (!line.empty()) shown.push_back(csv_line(line));
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    ASSERT_EQ(lines.size(), 2 + 1 + shown.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 3, lines.end()), shown);
}

TEST_F(Spreadsheet, PythonsCsvModuleReadsTheTablesNumbersBack) {
    if (std::system("command -v python3 >/dev/null") != 0) GTEST_SKIP() << "python3 is not installed";
    state.LastFolder = dir.folder();
    dialogs.answer = dir.file("range day.txt");
    ASSERT_TRUE(save_table_spreadsheet(state, *results, dialogs.hooks()));
    EXPECT_EQ(dialogs.request.title, "Save Table as Spreadsheet CSV");
    EXPECT_EQ(dialogs.request.default_name, "Velora_Table_Spreadsheet.csv");
    EXPECT_EQ(dialogs.request.folder, dir.folder());
    const std::string path = dir.file("range day.csv");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "CSV File:");
    EXPECT_EQ(dialogs.messages[0].text, "Saved as:\r" + path);
    const std::string text = read_bytes(path);
    EXPECT_NE(text.find("# Muzzle velocity: "), std::string::npos);
    EXPECT_NE(text.find("# Drag law: "), std::string::npos);
    EXPECT_NE(text.find("# BC: 0.0195\n"), std::string::npos);

    // Python skips the comments, takes the header row as the names and every other row as numbers,
    // and prints them again with the decimals of the table's columns.
    const std::string out = dir.file("read.txt");
    const std::string script =
        "import csv,sys\n"
        "rows=[r for r in csv.reader(open(sys.argv[1],encoding='utf-8',newline='')) if not r[0].startswith('#')]\n"
        "print('|'.join(rows[0]))\n"
        "for r in rows[1:]: print('%.0f,%.1f,%.2f,%.4f,%.2f' % tuple(float(v) for v in r))\n";
    std::ofstream(dir.file("read.py")) << script;
    ASSERT_EQ(std::system(("python3 '" + dir.file("read.py") + "' '" + path + "' > '" + out + "'").c_str()), 0);
    std::string expected = "Range (m)|Velocity (Ft/s)|PoI (Inch)|Time (Sec)|Drop (Inch)\n";
    for (const std::string& line : fill_table(state, *results).rows)
        if (!line.empty()) expected += csv_line(line) + "\n";
    EXPECT_EQ(read_bytes(out), expected);
}

TEST_F(Spreadsheet, AFailedSaveSaysWhyAndTheSpecifiedExportIsUntouched) {
    const std::string specified = table_csv_text(fill_table(state, *results));
    dialogs.answer = dir.file("missing/table.csv");
    EXPECT_FALSE(save_table_spreadsheet(state, *results, dialogs.hooks()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Could not save the table as:\r" + dir.file("missing/table.csv") + "\rNo such file or directory");
    EXPECT_EQ(state.LastFolder, dir.file("missing") + "/");
    EXPECT_TRUE(dir.names().empty());
    EXPECT_EQ(table_csv_text(fill_table(state, *results)), specified);
    EXPECT_EQ(specified.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace velora
