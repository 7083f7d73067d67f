// velora-cli fit: shots made with the flight model under a known law fitted back through the
// command line, with the file's state and KEY=VALUE, unit suffixes, standard input, --fit-mv,
// --text, and the refusals of a shots file that cannot be fitted.
#include "tests/cli/cli_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>

#include "cli/calc_json.h"
#include "engine/drag.h"
#include "services/preferences.h"
#include "solver/shot_fit.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using nlohmann::json;
using Q = ShotQuantity;

// What the flight model gives for `bc` under `law` at the given ranges, flown with the state `s`.
std::vector<float> made(const CalcState& s, int law, float bc, const std::vector<std::pair<float, Q>>& at) {
    std::vector<Shot> shots;
    for (const auto& [range, q] : at) shots.push_back(Shot{range, q, 0.0f, std::nullopt});
    return predict_shots(shots, s.MV, bc, law, shot_fit_inputs(s));
}

std::string text_of(double value, const char* format = "%.6g") {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

json json_of(const CliRun& r) {
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    return r.code == 0 ? json::parse(r.out) : json();
}

float as_float(const json& j) { return static_cast<float>(j.get<double>()); }

// The known law first with its BC, the interval holding it, and the ten laws each once, ranked.
void expect_fitted_back(const json& j, int law, float bc, std::size_t shots) {
    EXPECT_EQ(j["schema"], 2);
    ASSERT_EQ(j["fits"].size(), 10u);
    EXPECT_EQ(j["best"], law);
    ASSERT_FALSE(j["verdict"]["inseparable"].empty());
    EXPECT_EQ(j["verdict"]["inseparable"][0], drag_law_name(law));
    EXPECT_EQ(j["shots"].size(), 1u);
    EXPECT_EQ(j["shots"][0]["name"], "the typed shots");
    const json& first = j["fits"][0];
    EXPECT_EQ(first["CURVE"], law);
    EXPECT_EQ(first["law"], drag_law_name(law));
    EXPECT_EQ(first["outcome"], "fitted");
    EXPECT_NEAR(as_float(first["BC"]), bc, bc * 0.001f);
    EXPECT_LE(as_float(first["BC_low"]), bc);
    EXPECT_GE(as_float(first["BC_high"]), bc);
    EXPECT_LT(first["rms"].get<double>(), 0.05);
    EXPECT_EQ(first["residuals"].size(), shots);
    std::vector<bool> seen(10, false);
    double previous = 0;
    for (const json& f : j["fits"]) {
        const int curve = f["CURVE"].get<int>();
        ASSERT_TRUE(curve >= 0 && curve < 10);
        EXPECT_FALSE(seen[static_cast<std::size_t>(curve)]) << "law " << curve << " twice";
        seen[static_cast<std::size_t>(curve)] = true;
        if (f["outcome"] == "fitted") {
            EXPECT_GE(f["rms"].get<double>(), previous) << "ranked by rms";
            previous = f["rms"].get<double>();
        }
    }
}

TEST_F(CliFiles, FitGivesBackTheLawAndBcThatMadeTheShots) {
    const std::string prefs = first_run_file();
    const CalcState s = testing::first_run_state();
    // A mix of velocities, times and POIs of a G1 pellet, written in the units the file allows:
    // yards and metres, ft/s and m/s, seconds and milliseconds, inches and millimetres.
    const std::vector<std::pair<float, Q>> at = {{20, Q::Velocity}, {45, Q::Velocity}, {45, Q::Time},
                                                 {60, Q::Time},     {40, Q::Poi},      {55, Q::Poi}};
    const std::vector<float> v = made(s, G1, 0.025f, at);
    const std::string csv =
        "range,quantity,value,uncertainty\n"
        "# chronograph at 20 yd and 45 yd, the second one metric\n"
        "20,velocity," +
        text_of(v[0]) + ",\n" + text_of(45 * 0.9144) + "m,velocity," + text_of(v[1] * 0.3048) +
        "m/s,1%\n"
        "\n"
        "45,time," +
        text_of(v[2] * 1000.0) +
        "ms,0.5ms\n"
        "60,time," +
        text_of(v[3]) +
        "\n"
        "40yd,POI," +
        text_of(v[4] * 25.4) +
        "mm,\n"
        "55,poi," +
        text_of(v[5]) + ",0.15\n";
    const std::string shots = file(csv, "shots.csv");
    const json j = json_of(run({"fit", prefs, shots}));
    expect_fitted_back(j, G1, 0.025f, at.size());
    EXPECT_EQ(as_float(j["fits"][0]["MV"]), 785.0f) << "the file's muzzle velocity, not fitted";
    EXPECT_GT(j["fits"][1]["rms"].get<double>(), 3.0 * j["fits"][0]["rms"].get<double>()) << j["fits"][1]["law"];

    // The same shots from standard input.
    EXPECT_EQ(run({"fit", prefs, "-"}, csv).out, run({"fit", prefs, shots}).out);

    // The form of before, on request: the same fits with schema 1's members only.
    const json old = json_of(run({"fit", prefs, shots, "--schema", "1"}));
    EXPECT_EQ(old["schema"], 1);
    EXPECT_FALSE(old.contains("verdict"));
    ASSERT_EQ(old["fits"].size(), j["fits"].size());
    for (std::size_t k = 0; k < old["fits"].size(); ++k) {
        EXPECT_EQ(old["fits"][k].size(), 10u);
        for (const char* member :
             {"CURVE", "law", "BC", "BC_low", "BC_high", "rms", "residuals", "MV", "outcome", "form_factor"})
            EXPECT_EQ(old["fits"][k][member], j["fits"][k][member]) << k << " " << member;
    }
    EXPECT_TRUE(refused_in_one_line(run({"fit", prefs, shots, "--schema=3"})));
}

TEST_F(CliFiles, FitFliesWithTheFileAndTheKeyValuesAndCanFitTheMuzzleVelocity) {
    const std::string prefs = first_run_file();
    CalcState s = testing::first_run_state();
    // A slug at 880 ft/s on a cold day, velocities at six ranges.
    s.MV = 880.0f;
    s.TMP = 2.0f;
    const std::vector<std::pair<float, Q>> at = {{20, Q::Velocity}, {40, Q::Velocity},  {60, Q::Velocity},
                                                 {80, Q::Velocity}, {100, Q::Velocity}, {120, Q::Velocity}};
    const std::vector<float> v = made(s, SLG1, 0.06f, at);
    std::string csv = "range,quantity,value\n";
    for (std::size_t i = 0; i < at.size(); ++i)
        csv += text_of(at[i].first) + ",velocity," + text_of(v[i], "%.9g") + "\n";
    const std::string shots = file(csv, "slug.csv");

    expect_fitted_back(json_of(run({"fit", prefs, shots, "MV=880", "TMP=35.6F"})), SLG1, 0.06f, at.size());
    // With the file's 785 ft/s they are faster than the muzzle: said so, and nothing fitted; the
    // form of before gives every law an rms far above 1. Fitting the velocity as well finds 880.
    const json given = json_of(run({"fit", prefs, shots, "TMP=2"}));
    EXPECT_TRUE(given["refused"].get<bool>());
    EXPECT_TRUE(given["fits"].empty());
    ASSERT_EQ(given["messages"].size(), 1u);
    EXPECT_EQ(given["messages"][0]["kind"], "faster_than_muzzle");
    EXPECT_EQ(given["messages"][0]["text"],
              "The typed shots are faster downrange than the muzzle velocity 785.0 Ft/s they are flown with, which no "
              "BC can explain: enter the muzzle velocity of the string, or fit it.");
    EXPECT_GT(json_of(run({"fit", prefs, shots, "TMP=2", "--schema", "1"}))["fits"][0]["rms"].get<double>(), 1.0);
    const json fitted = json_of(run({"fit", prefs, shots, "TMP=2", "--fit-mv"}));
    expect_fitted_back(fitted, SLG1, 0.06f, at.size());
    EXPECT_NEAR(as_float(fitted["fits"][0]["MV"]), 880.0f, 0.1f);
}

TEST_F(CliFiles, FitAsTextShowsTheRankedLawsAndTheResidualsInTheFilesUnits) {
    const std::string prefs = first_run_file();  // ranges in yards, velocities in ft/s, POI in mm
    const CalcState s = testing::first_run_state();
    const std::vector<float> v = made(s, GA, 0.021f, {{25, Q::Velocity}, {50, Q::Velocity}, {50, Q::Poi}});
    const std::string shots = file("range,quantity,value\n25,velocity," + text_of(v[0]) + "\n50,velocity," +
                                       text_of(v[1]) + "\n50,poi," + text_of(v[2]) + "\n",
                                   "shots.csv");
    const CliRun r = run({"fit", prefs, shots, "--text"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 19u) << r.out;
    EXPECT_EQ(lines[0],
              "Fit of 3 shots with muzzle velocity 785.0 Ft/s, zero 32.0 Yard, sight height 1.65 Inch, "
              "23.5 °C, 28.42 \"Hg, 32.0 %");
    EXPECT_EQ(lines[2], "Law   BC            BC interval        rms");
    EXPECT_EQ(lines[3].substr(0, 20), "GA    0.0210        ");
    EXPECT_EQ(lines[3].find("0.00"), lines[3].size() - 4) << "an rms near 0: " << lines[3];
    EXPECT_EQ(lines[14], "Residuals under GA, measured less predicted:");
    EXPECT_EQ(lines[15], "Range (Yard)  Quantity               Value   Residual");
    EXPECT_EQ(lines[16].substr(0, 32), "25.0          Velocity (Ft/s)   ");
    EXPECT_EQ(lines[18].substr(0, 32), "50.0          POI (mm)          ");

    // The fitted muzzle velocity gets its own column.
    const CliRun mv = run({"fit", prefs, shots, "--text", "--fit-mv"});
    ASSERT_EQ(mv.code, 0) << mv.err;
    EXPECT_EQ(lines_of(mv.out)[2], "Law   BC            BC interval        rms  Muzzle Velocity (Ft/s)");
    EXPECT_NE(lines_of(mv.out)[3].find("  785.0"), std::string::npos) << lines_of(mv.out)[3];
}

TEST_F(CliFiles, AFitNoLawCanMakeNamesNoBest) {
    // Hardly any loss over 50 yd: every law would need a BC far above 1.2.
    const json j = json_of(
        run({"fit", first_run_file(), file("range,quantity,value\n25,velocity,784.95\n50,velocity,784.9\n", "s.csv")}));
    ASSERT_EQ(j["fits"].size(), 10u);
    EXPECT_TRUE(j["best"].is_null());
    for (const json& f : j["fits"]) {
        EXPECT_EQ(f["outcome"], "above_range");
        EXPECT_EQ(as_float(f["BC"]), 1.2f);
    }
}

TEST_F(CliFiles, AShotsFileThatCannotBeFittedIsRefusedInOneLine) {
    const std::string prefs = first_run_file();
    const std::string good = "range,quantity,value\n40,velocity,640\n";
    const std::string missing = (folder / "none.csv").string();
    const std::string fit_usage = "; see 'velora-cli help fit'";
    const std::string needs_shots =
        "fit needs a shots file (SHOTS.csv, or - for standard input) after the preferences file";
    struct Case {
        std::vector<std::string> args;
        std::string message;  // after "velora-cli: "
    };
    const std::vector<Case> command_lines = {
        {{"fit", prefs}, needs_shots + fit_usage},
        {{"fit", prefs, "MV=800"}, needs_shots + fit_usage},
        {{"fit"}, "fit needs a preferences file (FILE, or - for standard input)" + fit_usage},
        {{"fit", "MV=800"}, "fit needs a preferences file before 'MV=800'" + fit_usage},
        {{"fit", "-", "-"}, "only one of FILE and SHOTS.csv can be - (standard input)" + fit_usage},
        {{"fit", prefs, missing}, "cannot read " + missing + ": No such file or directory"},
        {{"fit", prefs, file(good, "good.csv"), "--fit-bc"}, "unknown option '--fit-bc' for fit" + fit_usage},
        {{"fit", prefs, file(good, "good.csv"), "MV=fast"}, "'MV=fast': not a number"},
    };
    for (const Case& c : command_lines) {
        const CliRun r = run(c.args);
        EXPECT_TRUE(refused_in_one_line(r)) << c.message;
        EXPECT_EQ(r.err, "velora-cli: " + c.message + "\n");
    }

    // A shots file: the message names it, and the line where one is at fault, blank lines and
    // comments counted.
    struct ShotsCase {
        std::string text;
        std::string message;  // after "velora-cli: SHOTS.csv"
        std::vector<std::string> options = {};
    };
    const std::string no_shot = ": no shot to fit (one line a shot under the header range,quantity,value)";
    const std::vector<ShotsCase> files = {
        {"", " line 1: the header range,quantity,value is missing"},
        {"range,quantity,value\n", no_shot},
        {"# nothing yet\n\nrange,quantity,value\n# 40,velocity,640\n", no_shot},
        {"range,velocity\n40,640\n",
         " line 1: the header must be range,quantity,value with an optional uncertainty column"},
        {good + "# the next one was windy\n\n50,speed,600\n",
         " line 5: unknown quantity 'speed' (velocity, time, poi or drop)"},
        {good + "50,velocity\n", " line 3: 2 columns where the header has 3"},
        {good + "50,velocity,600,3\n", " line 3: 4 columns where the header has 3"},
        {good + "50,velocity,fast\n", " line 3: value 'fast': not a number"},
        {good + "50,time,12mm\n", " line 3: value '12mm': 'mm' is not a unit of time (s, ms)"},
        {"range,quantity,value,uncertainty\n40,velocity,640,x\n", " line 2: uncertainty 'x': not a number"},
        {good + "50,velocity,600\n300,velocity,300\n",
         " line 4: its range lies beyond the flight's limit of 218.9 Yard"},
        {good + "0,poi,-1\n", " line 3: its range must be more than 0"},
        {good + "50,time,0\n", " line 3: a velocity or a time of flight must be more than 0"},
    };
    int count = 0;
    for (const ShotsCase& c : files) {
        const std::string shots = file(c.text, "shots" + std::to_string(++count) + ".csv");
        const CliRun r = run({"fit", prefs, shots});
        EXPECT_TRUE(refused_in_one_line(r)) << c.message;
        EXPECT_EQ(r.err, "velora-cli: " + shots + c.message + "\n");
    }
    const std::string one = file(good, "one.csv");
    EXPECT_EQ(run({"fit", prefs, one, "--fit-mv"}).err,
              "velora-cli: --fit-mv needs two shots or more, and " + one + " has one\n");
    const CliRun input = run({"fit", prefs, "-"}, good + "50,speed,600\n");
    EXPECT_TRUE(refused_in_one_line(input));
    EXPECT_EQ(input.err, "velora-cli: standard input line 3: unknown quantity 'speed' (velocity, time, poi or drop)\n");
}

}  // namespace
}  // namespace velora
