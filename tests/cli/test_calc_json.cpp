// velora-cli solve, predict and trajectory: the JSON object, the values given as KEY=VALUE with
// their units and limits, and the state that goes back in as it came out.
#include "tests/cli/cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <memory>

#include "cli/calc_json.h"
#include "engine/number_text.h"
#include "services/preferences.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using nlohmann::json;

float as_float(const json& j) { return static_cast<float>(j.get<double>()); }

json json_of(const std::vector<std::string>& args) {
    const CliRun r = run(args);
    EXPECT_EQ(r.code, 0) << r.err;
    return r.code == 0 ? json::parse(r.out) : json();
}

TEST_F(CliFiles, PredictOnTheFirstRunFileGivesItsOwnMeasurements) {
    const CliRun r = run({"predict", first_run_file()});
    ASSERT_EQ(r.code, 0) << r.err;
    // The schema number comes first.
    EXPECT_EQ(r.out.rfind("{\n  \"schema\": 1,\n  \"state\": {\n    \"MV\": 785,", 0), 0u) << r.out.substr(0, 80);
    const json j = json::parse(r.out);
    EXPECT_EQ(j["schema"], CliJsonSchema);
    // The first-run file holds what its BC predicts at 40 yd, to the decimals it is written with.
    const CalcState first = testing::first_run_state();
    const json& st = j["state"];
    EXPECT_NEAR(as_float(st["TV"]), first.TV, 0.05f);
    EXPECT_NEAR(as_float(st["POI"]), first.POI, 0.0005f);
    EXPECT_NEAR(as_float(st["ET"]), first.ET, 0.00005f);
    EXPECT_EQ(as_float(st["BC"]), first.BC);
    EXPECT_EQ(as_float(st["TR"]), first.TR);
    EXPECT_EQ(st["TRArray"], json::parse("[40, 50, 60, 50]"));
    EXPECT_EQ(st["WinX"], json::parse("[-1, -1]"));
    EXPECT_EQ(st["CURVE"].get<int>(), GA2);
    EXPECT_EQ(st["stateRB"].get<int>(), DeltaPOI);
    // The zero of the file is the far zero; the apex lies between the two zeros.
    const json& dv = j["derived"];
    EXPECT_NEAR(as_float(dv["FarZero"]), 32.0f, 0.05f);
    EXPECT_EQ(dv["ZeroIsFar"].get<int>(), 1);
    EXPECT_LT(as_float(dv["NearZero"]), as_float(dv["ApexRange"]));
    EXPECT_LT(as_float(dv["ApexRange"]), as_float(dv["FarZero"]));
    EXPECT_EQ(as_float(dv["MaxTargetRange"]), 2.0f * as_float(dv["MaxZeroRange"]));
    EXPECT_TRUE(j["message"].is_null());
    EXPECT_FALSE(j.contains("trajectory"));
    EXPECT_EQ(j["table"]["header"][1], " (Yard)   (Ft/s)     (mm)    (Sec)   (Inch)");
    EXPECT_EQ(j["table"]["rows"][10], "     40    633.4      -19   0.1708    -5.26");
}

TEST_F(CliFiles, ConfidenceLimitsAsTextsAndAsNumbers) {
    const std::string path = first_run_file();
    // Each number is the value behind its text; the mean is the midpoint of the limits shown.
    const json c = json_of({"solve", path, "stateRB=2", "TV=600"})["confidence"];
    for (const auto& [text, value] : {std::pair{"max", "max_bc"}, {"mean", "mean_bc"}, {"min", "min_bc"}}) {
        ASSERT_TRUE(c[value].is_number()) << value;
        EXPECT_EQ(format_fixed(as_float(c[value]), 4), c[text].get<std::string>()) << value;
    }
    EXPECT_LT(as_float(c["min_bc"]), as_float(c["max_bc"]));
    EXPECT_FLOAT_EQ(as_float(c["mean_bc"]), (as_float(c["max_bc"]) + as_float(c["min_bc"])) / 2.0f);

    // A velocity at the target so close to the muzzle's that the slower muzzle reading needs a BC
    // above 1.2: the maximum and the mean are unknown, the minimum is known.
    const json near = json_of({"solve", path, "stateRB=2", "TV=775"})["confidence"];
    EXPECT_EQ(near["max"], "??????");
    EXPECT_EQ(near["mean"], "??????");
    EXPECT_TRUE(near["max_bc"].is_null());
    EXPECT_TRUE(near["mean_bc"].is_null());
    EXPECT_EQ(format_fixed(as_float(near["min_bc"]), 4), near["min"].get<std::string>());
}

TEST_F(CliFiles, UnitSuffixesGiveTheInternalValues) {
    // trajectory prints the state as loaded, no pass over it.
    const json st = json_of({"trajectory", first_run_file(), "MV=240m/s", "TV=180m/s", "ZR=30m", "SH=42mm", "POI=1.9cm",
                             "ET=170.8ms", "DROP=13cm", "TMP=75F", "PRES=1013hPa", "HUMID=45%", "MV_TOL=2%",
                             "TV_TOL=1.5", "stateRB=1", "TRArray=120ft,50yd,45m,60"})["state"];
    EXPECT_FLOAT_EQ(as_float(st["MV"]), 787.40157f);    // 240 / 0.3048
    EXPECT_FLOAT_EQ(as_float(st["TV"]), 590.55118f);    // 180 / 0.3048
    EXPECT_FLOAT_EQ(as_float(st["ZR"]), 32.808399f);    // 30 / 0.9144
    EXPECT_FLOAT_EQ(as_float(st["SH"]), 1.6535433f);    // 42 / 25.4
    EXPECT_FLOAT_EQ(as_float(st["POI"]), -0.7480315f);  // below the aim: 1.9 / 2.54
    EXPECT_FLOAT_EQ(as_float(st["ET"]), 0.1708f);
    EXPECT_FLOAT_EQ(as_float(st["DROP"]), -5.1181102f);  // 13 / 2.54
    EXPECT_FLOAT_EQ(as_float(st["TMP"]), 23.888889f);    // (75 − 32) / 1.8
    EXPECT_FLOAT_EQ(as_float(st["PRES"]), 29.95f);       // the window's millibar: 1013 / 33.82304
    EXPECT_FLOAT_EQ(as_float(st["HUMID"]), 45.0f);
    EXPECT_FLOAT_EQ(as_float(st["MV_TOL"]), 2.0f);
    EXPECT_FLOAT_EQ(as_float(st["TV_TOL"]), 1.5f);
    EXPECT_FLOAT_EQ(as_float(st["TRArray"][0]), 40.0f);
    EXPECT_FLOAT_EQ(as_float(st["TRArray"][1]), 50.0f);
    EXPECT_FLOAT_EQ(as_float(st["TRArray"][2]), 49.212598f);  // 45 / 0.9144
    EXPECT_FLOAT_EQ(as_float(st["TRArray"][3]), 60.0f);

    // TR is the active method's target range.
    const json more = json_of({"trajectory", first_run_file(), "TR=180ft", "stateRB=1"})["state"];
    EXPECT_EQ(more["TRArray"], json::parse("[40, 60, 60, 50]"));
    EXPECT_EQ(as_float(more["TR"]), 60.0f);
    // Without a suffix a value is in the internal unit.
    const json plain = json_of({"trajectory", first_run_file(), "MV=240", "PRES=29", "ZR=30", "POI=-1.9"})["state"];
    EXPECT_EQ(as_float(plain["MV"]), 240.0f);
    EXPECT_EQ(as_float(plain["PRES"]), 29.0f);
    EXPECT_EQ(as_float(plain["ZR"]), 30.0f);
    EXPECT_EQ(as_float(plain["POI"]), -1.9f);
}

TEST_F(CliFiles, GivenValuesGoThroughTheirFieldsChecks) {
    const json st = json_of({"trajectory", first_run_file(), "MV=-850", "POI=0.5", "DROP=0.05", "BC=-0.02", "HUMID=120",
                             "MV_TOL=7.5%", "TV=900"})["state"];
    EXPECT_EQ(as_float(st["MV"]), 850.0f);  // the sign dropped
    EXPECT_EQ(as_float(st["POI"]), -0.5f);  // always below
    EXPECT_EQ(as_float(st["DROP"]), -0.1f);
    EXPECT_EQ(as_float(st["BC"]), 0.02f);
    EXPECT_EQ(as_float(st["HUMID"]), 100.0f);
    EXPECT_EQ(as_float(st["MV_TOL"]), 5.0f);
    EXPECT_EQ(as_float(st["TV"]), 848.0f);  // at most 2 ft/s below the muzzle velocity
    const json edges = json_of({"trajectory", first_run_file(), "MV=5000", "BC=2", "TMP=60", "PRES=19"})["state"];
    EXPECT_EQ(as_float(edges["MV"]), 4000.0f);
    EXPECT_EQ(as_float(edges["BC"]), 1.2f);
    EXPECT_EQ(as_float(edges["TMP"]), 60.0f);
    EXPECT_EQ(as_float(edges["PRES"]), 19.0f);
}

TEST_F(CliFiles, RangesAreLimitedAsTheWindowLimitsThem) {
    const std::string path = first_run_file();
    const float limit = as_float(json_of({"predict", path})["derived"]["MaxTargetRange"]);
    ASSERT_GT(limit, 100.0f);
    const std::string shown_limit = format_fixed(limit, 0);

    // Up to the flight's limit a target is taken; beyond it the target is refused with the
    // field's range hint, in the unit the file shows the target range in.
    EXPECT_EQ(as_float(json_of({"predict", path, "TR=" + json_number(limit)})["state"]["TR"]), limit);
    const std::string beyond = "TR=" + json_number(limit + 0.5f);
    const CliRun far = run({"predict", path, beyond});
    EXPECT_TRUE(refused_in_one_line(far));
    EXPECT_EQ(far.err, "velora-cli: '" + beyond + "' is beyond the flight's limit: Target Range (40 to " + shown_limit +
                           " Yard)\n");
    const CliRun metres = run({"solve", path, "stateRB=2", "stateTR=2", "TRArray=40,50,1000yd,50"});
    EXPECT_TRUE(refused_in_one_line(metres));
    EXPECT_EQ(metres.err, "velora-cli: 'TRArray=40,50,1000yd,50' is beyond the flight's limit: Target Range (9 to " +
                              format_fixed(0.9144f * limit, 0) + " Metre)\n");
    EXPECT_TRUE(refused_in_one_line(run({"trajectory", path, "stateRB=3", "TRArray(3)=1500"})));

    // Below the limit the window's rules: the point-of-impact target a quarter beyond the far
    // zero, each method's minimum, the zero range at least 1 yd and at most its limit.
    EXPECT_NEAR(as_float(json_of({"predict", path, "TR=35"})["state"]["TR"]), 40.0f, 0.05f);
    EXPECT_EQ(as_float(json_of({"predict", path, "stateRB=2", "TR=5"})["state"]["TR"]), 10.0f);
    EXPECT_EQ(as_float(json_of({"predict", path, "stateRB=3", "TR=5"})["state"]["TR"]), 20.0f);
    // A zero short of the apex is a near zero, and kept when its far zero lies within the limit.
    const json near = json_of({"predict", path, "ZR=16.3"});
    EXPECT_EQ(as_float(near["state"]["ZR"]), 16.3f);
    EXPECT_EQ(near["derived"]["ZeroIsFar"], 0);
    EXPECT_EQ(as_float(near["derived"]["NearZero"]), 16.3f);
    EXPECT_GT(as_float(near["derived"]["FarZero"]), as_float(near["derived"]["ApexRange"]));
    // A zero beyond its limit, or a near zero of 1 yd whose far zero lies beyond it, is the limit.
    for (const char* zero : {"ZR=5000", "ZR=0.5"}) {
        const json capped = json_of({"predict", path, zero});
        EXPECT_EQ(as_float(capped["state"]["ZR"]), as_float(capped["derived"]["MaxZeroRange"])) << zero;
    }
    EXPECT_TRUE(refused_in_one_line(run({"predict", path, "ZR=5000", "TR=5000"})));
    // The other methods' targets are limited as the file's are.
    const json slots = json_of({"trajectory", path, "TRArray=40,5,3000,50"})["state"]["TRArray"];
    EXPECT_EQ(slots, json::parse("[40, 10, 1901, 50]"));

    // A file's own target beyond the limit is computed as the window computes it, and giving it
    // back unchanged is no edit.
    const std::string wide = file(std::string(FirstRunPreferencesText) + "TRArray(0) = 1500\n", "wide.prefs");
    EXPECT_EQ(as_float(json_of({"predict", wide})["state"]["TR"]), 1500.0f);
    EXPECT_EQ(as_float(json_of({"predict", wide, "TRArray=1500,50,60,50"})["state"]["TR"]), 1500.0f);
}

// Every member of "state" as KEY=VALUE, under the name the JSON gives it: arrays as
// comma-separated values, or (`file_keys`) under the keys of the preferences file.
std::vector<std::string> state_arguments(const json& state, bool file_keys) {
    std::vector<std::string> args;
    for (const auto& [key, value] : state.items()) {
        if (!value.is_array()) {
            args.push_back((file_keys && key == "POI" ? "_POI" : key) + "=" + value.dump());
            continue;
        }
        std::string joined;
        for (std::size_t i = 0; i < value.size(); ++i) {
            if (file_keys) args.push_back(key + "(" + std::to_string(i) + ")=" + value[i].dump());
            joined += (i ? "," : "") + value[i].dump();
        }
        if (!file_keys) args.push_back(key + "=" + joined);
    }
    return args;
}

TEST_F(CliFiles, TheStateGoesBackInAsItCameOut) {
    const std::string path = first_run_file();
    const std::vector<std::string> changes = {
        "predict",     path,        "MV=251.3m/s", "BC=0.02137",     "stateRB=2",    "TRArray=40,50,71.3,50",
        "ZR=28.7",     "SH=1.42",   "TMP=11.7",    "PRES=1003.4hPa", "HUMID=71",     "MV_TOL=0.7",
        "TV_TOL=2.3",  "CURVE=4",   "stateBC=5",   "stateMV=1",      "statePOI=0",   "WinX=120,-1",
        "WinY=45,300", "Scheme=-3", "mpag=9",      "Gaps=0",         "TableStep=2.5"};
    const CliRun first = run(changes);
    ASSERT_EQ(first.code, 0) << first.err;
    const json state = json::parse(first.out)["state"];
    EXPECT_EQ(as_float(state["TRArray"][2]), 71.3f);
    EXPECT_EQ(state["WinY"], json::parse("[45, 300]"));

    for (const bool file_keys : {false, true}) {
        std::vector<std::string> args = {"predict", path};
        for (const std::string& a : state_arguments(state, file_keys)) args.push_back(a);
        const CliRun again = run(args);
        ASSERT_EQ(again.code, 0) << again.err;
        EXPECT_EQ(again.out, first.out) << (file_keys ? "file keys" : "state names");
    }
    // The same for the flight of a loaded state, whose drop no pass has refilled.
    const CliRun flight = run({"trajectory", path, "MV=900", "TR=55"});
    ASSERT_EQ(flight.code, 0) << flight.err;
    std::vector<std::string> args = {"trajectory", path};
    for (const std::string& a : state_arguments(json::parse(flight.out)["state"], false)) args.push_back(a);
    EXPECT_EQ(run(args).out, flight.out);
}

TEST_F(CliFiles, SolvesTheDropOfTheFileOrOfTheCommandLine) {
    // The drop that the first-run BC predicts at 50 yd (8.53 in) gives that BC back; more drop
    // a lower BC. The last line of a key counts: the method goes after the first-run lines.
    const std::string text = std::string(FirstRunPreferencesText) + "drop = 8.53\r\nstateRB = 3\n";
    const json j = json_of({"solve", file(text)});
    EXPECT_NEAR(as_float(j["state"]["BC"]), testing::first_run_state().BC, 0.0001f);
    const json deeper = json_of({"solve", file(text), "DROP=9"});
    EXPECT_LT(as_float(deeper["state"]["BC"]), 0.0192f);
    EXPECT_NEAR(as_float(deeper["state"]["DROP"]), -9.0f, 0.2f);
    EXPECT_EQ(json_of({"solve", file(text), "DROP=228.6mm"})["state"], deeper["state"]);
}

TEST_F(CliFiles, ImprobableSolveCarriesTheMessageWithItsCarriageReturns) {
    const CliRun r = run({"solve", first_run_file(), "stateRB=2", "TV=783"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.empty());
    const json j = json::parse(r.out);
    EXPECT_EQ(j["message"].get<std::string>(),
              "\rThe entered parameters result in an improbable BC value.\ri.e., In this case, BC[GA2 ] is "
              "greater than 1.2000\r\rPlease review your inputs ...");
    EXPECT_EQ(as_float(j["state"]["BC"]), testing::first_run_state().BC);
}

TEST_F(CliFiles, TrajectoryArraysOfTheFlight) {
    const CalcState first = testing::first_run_state();
    const std::string path = first_run_file();
    const json withpass = json_of({"predict", path, "--trajectory"});
    const json flight = json_of({"trajectory", path, "TMP=10"});
    EXPECT_EQ(as_float(flight["state"]["TMP"]), 10.0f);  // the argument comes after the file's line
    EXPECT_EQ(flight["schema"], CliJsonSchema);
    EXPECT_EQ(flight["derived"].size(), 6u);
    EXPECT_FALSE(flight.contains("message"));
    for (const json* j : {&withpass, &flight}) {
        const int last = (*j)["derived"]["LastSample"].get<int>();
        EXPECT_GT(last, 250);
        for (const char* key : {"drop", "velocity", "time", "poi"})
            EXPECT_EQ((*j)["trajectory"][key].size(), last + 1u);
        EXPECT_EQ(as_float((*j)["trajectory"]["velocity"][0]), first.MV);
        EXPECT_EQ(as_float((*j)["trajectory"]["time"][0]), 0.0f);
    }
    // At the first-run target, 40 yd, the measurements that the file holds.
    const json& t = withpass["trajectory"];
    EXPECT_NEAR(as_float(t["velocity"][40]), first.TV, 0.05f);
    EXPECT_NEAR(as_float(t["time"][40]), first.ET, 0.00005f);
    EXPECT_NEAR(as_float(t["poi"][40]), first.POI, 0.0005f);
}

TEST(DropLine, FirstDropLineInAnyCaseTakenAsTheDropField) {
    EXPECT_FALSE(drop_line("MV = 785\nSH = 1.65\n").has_value());
    EXPECT_EQ(drop_line("MV = 785\r\n  Drop =  5.25\r\nDROP = 7\n"), -5.25f);
    EXPECT_EQ(drop_line("DROP=-3"), -3.0f);
    EXPECT_EQ(drop_line("DROP = 0.05"), -0.1f);
    EXPECT_FALSE(drop_line("stateDROP = 1\nDROPS = 2\n").has_value());
}

TEST(CalcJsonText, EscapesTheMessageAndWritesWhatIsNoNumberAsNull) {
    CalcState s;
    s.MV = std::numeric_limits<float>::infinity();
    auto r = std::make_unique<CalcResults>();
    RecalcOutcome o;
    o.message = std::string("\ra \"b\"\\\x01");
    json j = json::parse(calculation_json(s, *r, o, false));
    EXPECT_TRUE(j["state"]["MV"].is_null());
    EXPECT_EQ(j["message"].get<std::string>(), "\ra \"b\"\\\x01");
    EXPECT_TRUE(j["confidence"].is_null());

    ConfidencePage page;
    page.maximum = page.mean = "??????";
    page.minimum = "0.0180";
    page.minimum_bc = 0.018f;
    o.confidence = page;
    j = json::parse(calculation_json(s, *r, o, false));
    EXPECT_EQ(j["confidence"], json::parse(R"({"max": "??????", "mean": "??????", "min": "0.0180",
                                               "max_bc": null, "mean_bc": null, "min_bc": 0.018})"));
}

}  // namespace
}  // namespace velora
