#include "cli/cli.h"
#include "engine/number_text.h"
#include "services/preferences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace velora {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int code = -1;
    std::string out, err;
};

CliRun run(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    CliRun r;
    r.code = run_cli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("velora_cli_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string file(const std::string& bytes) const
    {
        const fs::path path = folder / "Velora.prefs";
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    fs::path folder;
};

TEST(Cli, NumberReadsAsAFieldDoes)
{
    EXPECT_EQ(run({"number", " 12.345e1abc", "2"}).out, "123.45\n");
    EXPECT_EQ(run({"number", "1.3%"}).out, "1.3000\n");
    EXPECT_EQ(run({"number", "abc", "1"}).out, "0.0\n");
    EXPECT_EQ(run({"number", "0.125", "2"}).out, "0.13\n");
    EXPECT_EQ(run({"number", "-850", "0"}).out, "-850\n");
    for (const char* decimals : {"13", "-1", "x", "", "2.5"}) {
        const CliRun r = run({"number", "5", decimals});
        EXPECT_EQ(r.code, CliBadUsage) << decimals;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(Cli, FirstRunPrintsTheDefaultFile)
{
    const CliRun r = run({"first-run"});
    EXPECT_EQ(r.code, CliOk);
    EXPECT_EQ(r.out, FirstRunPreferencesText);
}

TEST(Cli, CommandLinesItDoesNotUnderstand)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"solve"}, {"first-run", "x"}, {"prefs"}, {"number"}, {"trajectory"}, {"prefs", "a", "b"}}) {
        const CliRun r = run(args);
        EXPECT_EQ(r.code, CliBadUsage);
        EXPECT_NE(r.err.find("usage: velora-cli"), std::string::npos);
    }
    EXPECT_EQ(run({"help"}).code, CliOk);
}

TEST_F(CliFiles, PrefsShowsTheValuesAsLoaded)
{
    const CliRun r = run({"prefs", file("\xEF\xBB\xBF\r\nMV_TOL = 7.5\r\nmv = 801.25\r\nScheme = 7\r\n")});
    ASSERT_EQ(r.code, CliOk);
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 45u);
    EXPECT_EQ(lines.front(), "WinX(0) = -1");
    EXPECT_EQ(lines.back(), "TableStep = 1.0");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MV_TOL = 5.0"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MV = 801.3"), lines.end());  // 801.25 is held exactly: the half rounds up
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Scheme = 7"), lines.end());
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

TEST_F(CliFiles, AMissingFileIsReportedAndNotCreated)
{
    const std::string path = (folder / "nothing.prefs").string();
    for (const char* command : {"prefs", "trajectory"}) {
        const CliRun r = run({command, path});
        EXPECT_EQ(r.code, CliFailed);
        EXPECT_NE(r.err.find(path), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(run({"prefs", folder.string()}).code, CliFailed);
}

TEST_F(CliFiles, TrajectoryOfTheFirstRunFileMeetsItsOwnMeasurements)
{
    // The first-run file holds the velocity, PoI and time that its BC predicts at 40 yd.
    const CliRun r = run({"trajectory", file(std::string(FirstRunPreferencesText)), "--text"});
    ASSERT_EQ(r.code, CliOk) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 7u + 9u);
    EXPECT_EQ(lines[0], "Drag law GA2, BC 0.0195, muzzle velocity 785.0 ft/s, sight height 1.65 in, zero range 32.0 yd");
    EXPECT_EQ(lines[3], "Target range 40.0 yd, step 5.0 yd");
    EXPECT_EQ(lines[5], "  Range  Velocity      PoI     Time     Drop");
    EXPECT_EQ(lines[7].substr(0, 26), "    0.0     785.0    -1.65");
    EXPECT_EQ(lines.back().substr(0, 35), "   40.0     633.4    -0.77   0.1708");
}

TEST_F(CliFiles, TrajectoryStepsEndAtTheTarget)
{
    const std::string path = file(std::string(FirstRunPreferencesText));
    const auto fine = lines_of(run({"trajectory", path, "TableStep=0.5", "--text"}).out);
    EXPECT_EQ(fine.size(), 7u + 81u);
    EXPECT_EQ(fine[8].substr(0, 7), "    0.5");

    // 15 yd steps: 0, 15, 30, and the target at 40 between two steps.
    const auto coarse = lines_of(run({"trajectory", path, "tablestep = 15", "--text"}).out);
    ASSERT_EQ(coarse.size(), 7u + 4u);
    EXPECT_EQ(coarse[9].substr(0, 7), "   30.0");
    EXPECT_EQ(coarse[10].substr(0, 7), "   40.0");

    // A step of 0 is read as the file reader reads it: the table step it cannot use becomes 1 yd.
    EXPECT_EQ(lines_of(run({"trajectory", path, "TableStep=0", "--text"}).out).size(), 7u + 41u);
}

TEST_F(CliFiles, TableIsTheWindowsRangeTable)
{
    const std::string path = file(std::string(FirstRunPreferencesText));
    const CliRun r = run({"table", path});
    ASSERT_EQ(r.code, CliOk) << r.err;
    const auto lines = lines_of(r.out);
    // Two header lines; rows 0..45 yd every 5 yd in groups of five between empty lines, and as
    // ten is a multiple of five, two empty lines at the end.
    ASSERT_EQ(lines.size(), 2u + 10u + 4u);
    EXPECT_EQ(lines[0], "  Range  Velocity     PoI     Time     Drop");
    EXPECT_EQ(lines[1], " (Yard)   (Ft/s)     (mm)    (Sec)   (Inch)");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[8], "");
    EXPECT_EQ(lines[12], "     40    633.4      -19   0.1708    -5.26");
    EXPECT_EQ(lines[14], "");
    EXPECT_EQ(lines[15], "");

    const auto metres = lines_of(run({"table", path, "stateTR=2", "stateMV=1", "Gaps=0"}).out);
    EXPECT_EQ(metres[1].substr(0, 16), "    (m)    (m/s)");
    EXPECT_EQ(std::count(metres.begin(), metres.end(), ""), 2);
}

TEST_F(CliFiles, ArgumentsMustBeKeysOfTheFile)
{
    const std::string path = file(std::string(FirstRunPreferencesText));
    for (const char* arg : {"Step=5", "MV", "=5", "MV785"}) {
        const CliRun r = run({"solve", path, arg});
        EXPECT_EQ(r.code, CliBadUsage) << arg;
        EXPECT_TRUE(r.out.empty()) << arg;
    }
    // An argument replaces the file's value and is limited like it.
    const auto lines = lines_of(run({"prefs", path, "MV=5000", "_poi=0.5", "stateRB=2"}).out);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "MV = 4000.0"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "_POI = -0.500"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "stateRB = 2"), lines.end());
}

// The value text of a field line of solve or predict ("TV          600.0 Ft/s").
std::string field_value(const std::string& out, const std::string& name)
{
    for (const std::string& line : lines_of(out)) {
        if (line.rfind(name + " ", 0) == 0) {
            std::istringstream words(line.substr(name.size()));
            std::string value;
            words >> value;
            return value;
        }
    }
    return "(no line " + name + ")";
}

TEST_F(CliFiles, PredictGivesTheMeasurementsOfTheFirstRunFile)
{
    const CliRun r = run({"predict", file(std::string(FirstRunPreferencesText)), "--text"});
    ASSERT_EQ(r.code, CliOk) << r.err;
    const auto lines = lines_of(r.out);
    EXPECT_EQ(lines[0], "One Chronograph (∆POI)");
    EXPECT_EQ(lines[2], "BC 0.0195 kept");
    EXPECT_EQ(field_value(r.out, "TV"), "633.4");
    EXPECT_EQ(field_value(r.out, "POI"), "-19");  // the file shows the PoI in mm: -0.767 in
    EXPECT_EQ(field_value(r.out, "TR"), "40.0");
    EXPECT_EQ(field_value(r.out, "MV_TOL"), "1.6%");
    EXPECT_NE(r.out.find("ZR           32.0 Yard (Far Zero)\n"), std::string::npos);
    EXPECT_EQ(lines.back().rfind("Maximum BC ", 0), 0u);
}

TEST_F(CliFiles, SolveAndPredictAreInverse)
{
    const std::string path = file(std::string(FirstRunPreferencesText));
    const CliRun solved = run({"solve", path, "stateRB=2", "TV=600", "--text"});
    ASSERT_EQ(solved.code, CliOk) << solved.err;
    const std::string bc_line = lines_of(solved.out)[2];
    ASSERT_EQ(bc_line.size(), std::string("BC 0.0000 solved").size()) << bc_line;
    EXPECT_EQ(bc_line.substr(bc_line.size() - 7), " solved");
    const std::string bc = bc_line.substr(3, 6);
    EXPECT_GT(read_number(bc), 0.0195f);  // slower at the target than the file's BC predicts: a better BC
    EXPECT_EQ(field_value(solved.out, "TV"), "600.0");

    const CliRun predicted = run({"predict", path, "stateRB=2", "BC=" + bc, "--text"});
    ASSERT_EQ(predicted.code, CliOk);
    EXPECT_NEAR(read_number(field_value(predicted.out, "TV")), 600.0f, 0.5f);
    EXPECT_EQ(field_value(predicted.out, "DROP"), field_value(solved.out, "DROP"));
}

TEST_F(CliFiles, AnImprobableSolveKeepsTheBcAndSaysWhy)
{
    const CliRun r = run({"solve", file(std::string(FirstRunPreferencesText)), "stateRB=2", "TV=783", "--text"});
    EXPECT_EQ(r.code, CliImprobableBc);
    EXPECT_EQ(lines_of(r.out)[2], "BC 0.0195 kept");
    EXPECT_NE(r.err.find("Input Error ... \nThe entered parameters result in an improbable BC value.\n"),
              std::string::npos);
    EXPECT_NE(r.err.find("BC[GA2 ] is greater than 1.2000"), std::string::npos);
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace velora
