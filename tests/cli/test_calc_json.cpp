// velora-cli solve, predict and trajectory: the pass or flight of a file as one JSON object.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <unistd.h>

#include "cli/calc_json.h"
#include "cli/cli.h"
#include "output/range_table.h"
#include "services/preferences.h"
#include "solver/bc_solver.h"
#include "solver/recalculate.h"

namespace velora {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct CliResult {
    int code = -1;
    std::string out, err;
};

CliResult run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    CliResult r;
    r.code = run_cli(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

class CalcJson : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() / ("velora_json_" + std::to_string(::getpid()) + "_" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }
    std::string file(const std::string& bytes) const {
        const fs::path path = folder / "Velora.prefs";
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    fs::path folder;
};

// The pass that the tool runs, run here on the library.
struct Direct {
    CalcState s;
    std::unique_ptr<CalcResults> r = std::make_unique<CalcResults>();
    RecalcOutcome outcome;
    Direct(std::string_view text, int kind) {
        read_preferences_text(text, s);
        if (const auto drop = drop_line(text)) s.DROP = *drop;
        s.ChangeKind = kind;
        outcome = recalculate(s, *r, true);
    }
};

float as_float(const json& j) { return static_cast<float>(j.get<double>()); }

// The preference keys of the state's fields, with their values from the JSON, as KEY=VALUE.
std::vector<std::string> state_arguments(const json& state) {
    std::vector<std::string> args;
    for (const auto& [key, value] : state.items()) {
        if (key == "DROP") continue;  // not a key of the file
        if (value.is_array()) {
            for (std::size_t i = 0; i < value.size(); ++i)
                args.push_back(key + "(" + std::to_string(i) + ")=" + value[i].dump());
        } else {
            args.push_back((key == "POI" ? "_POI" : key) + "=" + value.dump());
        }
    }
    return args;
}

TEST_F(CalcJson, PredictOnTheFirstRunFileGivesTheLibrarysPassAndReadsBackExactly) {
    const std::string path = file(std::string(FirstRunPreferencesText));
    const CliResult first = run({"predict", path});
    ASSERT_EQ(first.code, CliOk) << first.err;
    const json j = json::parse(first.out);

    const Direct d(FirstRunPreferencesText, 1);
    const json& st = j["state"];
    EXPECT_EQ(as_float(st["MV"]), d.s.MV);
    EXPECT_EQ(as_float(st["TV"]), d.s.TV);
    EXPECT_EQ(as_float(st["POI"]), d.s.POI);
    EXPECT_EQ(as_float(st["ET"]), d.s.ET);
    EXPECT_EQ(as_float(st["DROP"]), d.s.DROP);
    EXPECT_EQ(as_float(st["BC"]), d.s.BC);
    EXPECT_EQ(as_float(st["TR"]), 40.0f);
    EXPECT_EQ(st["TRArray"].size(), 4u);
    EXPECT_EQ(st["CURVE"].get<int>(), GA2);
    EXPECT_EQ(st["stateRB"].get<int>(), DeltaPOI);
    const json& dv = j["derived"];
    EXPECT_EQ(as_float(dv["FarZero"]), d.r->trajectory.FarZero);
    EXPECT_EQ(as_float(dv["NearZero"]), d.r->trajectory.NearZero);
    EXPECT_EQ(as_float(dv["ApexRange"]), 24.0f);
    EXPECT_EQ(as_float(dv["ApexPOI"]), d.r->trajectory.ApexPOI);
    EXPECT_EQ(dv["ZeroIsFar"].get<int>(), 1);
    EXPECT_EQ(dv["LastSample"].get<int>(), d.r->trajectory.LastSample);
    EXPECT_EQ(as_float(dv["MaxZeroRange"]), d.r->MaxZeroRange);
    EXPECT_EQ(as_float(dv["MaxTargetRange"]), d.r->MaxTargetRange);
    EXPECT_TRUE(j["message"].is_null());
    EXPECT_EQ(j["confidence"]["max"], d.outcome.confidence->maximum);
    EXPECT_EQ(j["confidence"]["mean"], d.outcome.confidence->mean);
    EXPECT_EQ(j["confidence"]["min"], d.outcome.confidence->minimum);
    EXPECT_FALSE(j.contains("trajectory"));
    const TableLines table = fill_table(d.s, *d.r);
    EXPECT_EQ(j["table"]["header"].get<std::vector<std::string>>(), table.header);
    EXPECT_EQ(j["table"]["rows"].get<std::vector<std::string>>(), table.rows);
    EXPECT_EQ(j["table"]["header"][1], " (Yard)   (Ft/s)     (mm)    (Sec)   (Inch)");
    EXPECT_EQ(j["table"]["rows"][10], "     40    633.4      -19   0.1708    -5.26");

    // The state fed back as the file's values gives the same object again, byte for byte.
    std::vector<std::string> args = {"predict", path};
    for (const std::string& a : state_arguments(st)) args.push_back(a);
    const CliResult again = run(args);
    ASSERT_EQ(again.code, CliOk) << again.err;
    EXPECT_EQ(again.out, first.out);
}

TEST_F(CalcJson, SolvesTheDropOfTheFile) {
    // The last line of a key counts: the method goes after the first-run lines.
    const std::string text = std::string(FirstRunPreferencesText) + "drop = 9\r\nstateRB = 3\n";
    const std::string path = file(text);
    const CliResult r = run({"solve", path});
    ASSERT_EQ(r.code, CliOk) << r.err;
    const json j = json::parse(r.out);
    const Direct d(text, 2);
    EXPECT_EQ(d.s.stateRB, DeltaD);
    EXPECT_EQ(as_float(j["state"]["BC"]), d.s.BC);
    EXPECT_LT(d.s.BC, 0.0195f);  // more drop than the file's BC predicts (8.53 in)
    EXPECT_NEAR(as_float(j["state"]["DROP"]), -9.0f, 0.2f);
}

TEST_F(CalcJson, ImprobableSolveCarriesTheMessageWithItsCarriageReturns) {
    const std::string path = file(std::string(FirstRunPreferencesText));
    const CliResult r = run({"solve", path, "stateRB=2", "TV=783"});
    EXPECT_EQ(r.code, CliImprobableBc);
    const json j = json::parse(r.out);
    ASSERT_TRUE(j["message"].is_string());
    EXPECT_EQ(j["message"].get<std::string>(), improbable_bc_message(GA2, false));
    EXPECT_EQ(as_float(j["state"]["BC"]), 0.0195f);
}

TEST_F(CalcJson, TrajectoryArraysOnRequest) {
    const std::string path = file(std::string(FirstRunPreferencesText));
    const CliResult r = run({"predict", path, "--trajectory"});
    ASSERT_EQ(r.code, CliOk) << r.err;
    const json j = json::parse(r.out);
    const Direct d(FirstRunPreferencesText, 1);
    const int count = d.r->trajectory.LastSample + 1;
    for (const char* key : {"drop", "velocity", "time", "poi"}) ASSERT_EQ(j["trajectory"][key].size(), count) << key;
    EXPECT_EQ(as_float(j["trajectory"]["velocity"][0]), 785.0f);
    EXPECT_EQ(as_float(j["trajectory"]["velocity"][40]), d.r->trajectory.velocity[40]);
    EXPECT_EQ(as_float(j["trajectory"]["poi"][count - 1]), d.r->trajectory.poi[count - 1]);
    EXPECT_EQ(as_float(j["trajectory"]["time"][100]), d.r->trajectory.time[100]);
}

TEST_F(CalcJson, TrajectoryOfTheLoadedFile) {
    const CliResult r = run({"trajectory", file(std::string(FirstRunPreferencesText)), "TMP=10"});
    ASSERT_EQ(r.code, CliOk) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(as_float(j["state"]["MV"]), 785.0f);
    EXPECT_EQ(as_float(j["state"]["BC"]), 0.0195f);
    EXPECT_EQ(as_float(j["state"]["TMP"]), 10.0f);  // the argument comes after the file's line
    EXPECT_EQ(j["state"]["CURVE"].get<int>(), GA2);
    EXPECT_EQ(j["state"]["TRArray"].size(), 4u);
    const json& dv = j["derived"];
    EXPECT_EQ(dv.size(), 6u);
    EXPECT_EQ(as_float(dv["FarZero"]), 32.0f);
    EXPECT_EQ(dv["ZeroIsFar"].get<int>(), 1);
    const int last = dv["LastSample"].get<int>();
    EXPECT_GT(last, 250);
    EXPECT_LT(last, 400);
    for (const char* key : {"drop", "velocity", "time", "poi"}) EXPECT_EQ(j["trajectory"][key].size(), last + 1u) << key;
    EXPECT_EQ(as_float(j["trajectory"]["velocity"][0]), 785.0f);
    EXPECT_EQ(as_float(j["trajectory"]["time"][0]), 0.0f);
    EXPECT_FALSE(j.contains("message"));
}

TEST_F(CalcJson, AnUnreadableFileIsExitStatusTwo) {
    const CliResult r = run({"trajectory", (folder / "missing.prefs").string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST(DropLine, FirstDropLineInAnyCaseTakenAsTheDropField) {
    EXPECT_FALSE(drop_line("MV = 785\nSH = 1.65\n").has_value());
    EXPECT_EQ(drop_line("MV = 785\r\n  Drop =  5.25\r\nDROP = 7\n"), -5.25f);
    EXPECT_EQ(drop_line("DROP=-3"), -3.0f);
    EXPECT_EQ(drop_line("DROP = 0.05"), -0.1f);
    EXPECT_FALSE(drop_line("stateDROP = 1\nDROPS = 2\n").has_value());
}

TEST(CalcJsonText, EscapesTheMessageAndWritesNonFiniteAsNull) {
    CalcState s;
    s.MV = std::numeric_limits<float>::infinity();
    auto r = std::make_unique<CalcResults>();
    RecalcOutcome o;
    o.message = std::string("\ra \"b\"\\\x01");
    const json j = json::parse(calculation_json(s, *r, o, false));
    EXPECT_TRUE(j["state"]["MV"].is_null());
    EXPECT_EQ(j["message"].get<std::string>(), "\ra \"b\"\\\x01");
    EXPECT_TRUE(j["confidence"].is_null());
}

}  // namespace
}  // namespace velora
