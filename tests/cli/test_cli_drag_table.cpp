// velora-cli with --drag-table: the makers' radar tables flown and checked against an independent
// calculation, the form factor given or solved, the span left and said so, and the refusals.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>

#include "engine/drag_curve.h"
#include "services/readers/drag_table.h"
#include "solver/shot_fit.h"
#include "tests/cli/cli_run.h"
#include "tests/fixtures/first_run.h"
#include "tests/golden/table_golden.h"

namespace velora {
namespace {

using nlohmann::json;

const std::filesystem::path Lapua = std::filesystem::path(VELORA_REAL_DATA_DIR) / "lapua-22lr-radar-cd";
const std::string Polar = (Lapua / "22LR-Polar biathlon Lapua  2,59g _Radar.drg").string();

#define REQUIRE_REAL_DATA() \
    if (!std::filesystem::is_directory(Lapua)) GTEST_SKIP() << "the real drag tables are not at " << Lapua

json json_of(const CliRun& r) {
    EXPECT_EQ(r.code, 0) << r.err;
    return r.code == 0 ? json::parse(r.out) : json();
}

float as_float(const json& j) { return static_cast<float>(j.get<double>()); }

std::vector<std::string> with_inputs(std::vector<std::string> args) {
    for (const char* in : table_golden::Inputs) args.push_back(in);
    return args;
}

TEST_F(CliFiles, BothRadarTablesFlyAsTheIndependentCalculationFliesThem) {
    REQUIRE_REAL_DATA();
    const std::string prefs = first_run_file();
    for (const table_golden::Flight& g : table_golden::Flights) {
        const std::string table = (Lapua / g.table).string();
        std::vector<std::string> args = with_inputs({"trajectory", prefs, "--drag-table", table});
        if (std::string(g.form) != "1") args.push_back(std::string("FORM=") + g.form);
        const json j = json_of(run(args));
        ASSERT_TRUE(j.contains("drag_table")) << g.table;
        EXPECT_EQ(j["law"], "table");
        const json& t = j["drag_table"];
        EXPECT_EQ(t["points"], std::string(g.table).find("Polar") != std::string::npos ? 13 : 14);
        EXPECT_EQ(as_float(t["BC"]), g.bc) << g.table << " form " << g.form;
        EXPECT_EQ(as_float(j["state"]["BC"]), g.bc);
        EXPECT_EQ(t["beyond_span"], false);
        for (std::size_t k = 0; k < std::size(table_golden::Yards); ++k) {
            const int yard = table_golden::Yards[k];
            EXPECT_EQ(as_float(j["trajectory"]["velocity"][yard]), g.velocity[k]) << g.table << " yard " << yard;
            EXPECT_EQ(as_float(j["trajectory"]["drop"][yard]), g.drop[k]) << g.table << " yard " << yard;
            EXPECT_EQ(as_float(j["trajectory"]["time"][yard]), g.time[k]) << g.table << " yard " << yard;
        }
    }
}

TEST_F(CliFiles, AFlightFasterThanTheTableHoldsItsEndValueAndSaysSo) {
    REQUIRE_REAL_DATA();
    const std::string prefs = first_run_file();
    const json j = json_of(run({"trajectory", prefs, "--drag-table", Polar, "MV=1250"}));
    EXPECT_EQ(j["drag_table"]["beyond_span"], true);
    const CliRun text = run({"predict", prefs, "--drag-table", Polar, "MV=1250", "--text"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("Drag table .22LR Lapua polar 2.59g (22LR-Polar biathlon Lapua  2,59g _Radar.drg, 13 "
                            "points, Mach 0.000 to 0.975), form factor 1.0000, BC 0.1138\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("The flight left the table's Mach span: beyond it the drag coefficient at its end was "
                            "held\n"),
              std::string::npos);
    EXPECT_NE(text.out.find("Projectile 39.97 gr (2.590 g), calibre 0.224 in (5.69 mm), length 0.512 in (13.00 mm) "
                            "(from the drag table): sectional density 0.1138 lb/in², form factor 1.000 against the "
                            "drag table\n"),
              std::string::npos)
        << text.out;
}

TEST_F(CliFiles, SolveFindsTheFormFactorThatPredictFlewWith) {
    REQUIRE_REAL_DATA();
    const std::string prefs = first_run_file();
    // The velocity at 50 yd of a projectile with form factor 1.1 against the Polar table.
    const json predicted =
        json_of(run(with_inputs({"predict", prefs, "--drag-table", Polar, "FORM=1.1", "stateRB=2", "TR=50"})));
    const json& m = predicted["measurements"];
    EXPECT_EQ(m["TR"], 50);
    EXPECT_DOUBLE_EQ(predicted["drag_table"]["form_factor"].get<double>(), 1.1);
    EXPECT_NEAR(predicted["projectile"]["form_factor"].get<double>(), 1.1, 1e-6);
    EXPECT_LT(m["TV"].get<double>(), 1070.0);
    // Whatever BC the file holds, the table flies with SD / 1 without FORM.
    const json plain =
        json_of(run(with_inputs({"predict", prefs, "--drag-table", Polar, "stateRB=2", "TR=50", "BC=0.5"})));
    EXPECT_EQ(plain["drag_table"]["form_factor"], 1);
    EXPECT_GT(plain["measurements"]["TV"].get<double>(), m["TV"].get<double>());

    char tv[32];
    std::snprintf(tv, sizeof tv, "TV=%.9g", m["TV"].get<double>());
    const json solved = json_of(run(with_inputs({"solve", prefs, "--drag-table", Polar, "stateRB=2", "TR=50", tv})));
    EXPECT_EQ(solved["drag_table"]["form_factor_solved"], true);
    EXPECT_NEAR(solved["drag_table"]["form_factor"].get<double>(), 1.1, 0.001);
    EXPECT_NEAR(solved["measurements"]["TV"].get<double>(), m["TV"].get<double>(), 0.05);
    EXPECT_TRUE(solved["message"].is_null());
}

TEST_F(CliFiles, AFitRanksTheTableBesideTheLawsWithItsFormFactor) {
    REQUIRE_REAL_DATA();
    const std::string prefs = first_run_file();
    const CalcState s = testing::first_run_state();
    // Velocities and times of a projectile with form factor 1.2 against the Polar table.
    const DragTableRead polar = read_drag_table_file(Polar);
    ASSERT_TRUE(polar.ok());
    const auto curve = std::get<TabulatedDragCurve>(make_drag_curve(polar.table->points));
    const double sd = *sectional_density(polar.table->projectile);
    const auto bc = static_cast<float>(sd / 1.2);
    std::vector<Shot> shots;
    for (float range : {10.0f, 20.0f, 30.0f, 40.0f, 50.0f}) shots.push_back({range, ShotQuantity::Velocity, 0, {}});
    shots.push_back({45.0f, ShotQuantity::Time, 0, {}});
    const std::vector<float> made = predict_shots(shots, s.MV, bc, curve.curve(), shot_fit_inputs(s));
    std::string csv = "range,quantity,value\n";
    for (std::size_t i = 0; i < shots.size(); ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%.9g,%s,%.9g\n", shots[i].range, shot_quantity_name(shots[i].quantity),
                      made[i]);
        csv += line;
    }
    const std::string shots_file = file(csv, "shots.csv");
    const json j = json_of(run({"fit", prefs, shots_file, "--drag-table", Polar}));
    ASSERT_EQ(j["fits"].size(), 11u);
    EXPECT_EQ(j["best"], "table");
    const json& first = j["fits"][0];
    EXPECT_EQ(first["law"], "table");
    EXPECT_TRUE(first["CURVE"].is_null());
    EXPECT_NEAR(as_float(first["BC"]), bc, bc * 0.001f);
    EXPECT_LE(as_float(first["BC_low"]), bc);
    EXPECT_GE(as_float(first["BC_high"]), bc);
    EXPECT_LT(first["rms"].get<double>(), 0.05);
    EXPECT_NEAR(j["drag_table"]["form_factor"].get<double>(), 1.2, 0.002);
    EXPECT_NEAR(first["form_factor"].get<double>(), 1.2, 0.002);
    EXPECT_GT(j["fits"][1]["rms"].get<double>(), 3 * first["rms"].get<double>());
    EXPECT_EQ(j["drag_table"]["beyond_span"], false);

    const CliRun text = run({"fit", prefs, shots_file, "--drag-table", Polar, "--text"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("\ntable "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("Residuals under the drag table"), std::string::npos);
    EXPECT_NE(text.out.find("form factor 1.2"), std::string::npos) << text.out;
    EXPECT_TRUE(refused_in_one_line(run({"fit", prefs, shots_file, "--drag-table", Polar, "--fit-mv"})));

    // The supersonic LabRadar series flies beyond the subsonic table, and the fit says so.
    const std::string series = (Lapua.parent_path() / "labradar-22lr-topgenorth/SR0038").string();
    const json fast = json_of(run({"fit", prefs, series, "--drag-table", Polar}));
    EXPECT_EQ(fast["drag_table"]["beyond_span"], true);
}

TEST_F(CliFiles, ATableThatCannotFlyIsRefusedInOneLine) {
    const std::string prefs = first_run_file();
    const std::string bad = file("mach,cd\n0.5,0.3\n0.4,0.3\n", "bad.csv");
    const CliRun r = run({"trajectory", prefs, "--drag-table", bad});
    EXPECT_TRUE(refused_in_one_line(r));
    EXPECT_EQ(r.err, "velora-cli: bad.csv line 3: its Mach number 0.4 is not above the 0.5 before it\n");

    const std::string bare = file("0.5,0.3\n0.9,0.4\n", "bare.csv");
    const CliRun no_weight = run({"predict", prefs, "--drag-table", bare});
    EXPECT_TRUE(refused_in_one_line(no_weight));
    EXPECT_EQ(no_weight.err,
              "velora-cli: a drag table flies with the projectile's sectional density, and bare.csv states no "
              "weight: give WEIGHT= and CAL=\n");
    // Given the weight and calibre, the table flies with the BC their sectional density makes.
    const json given = json_of(run({"predict", prefs, "--drag-table", bare, "WEIGHT=8.44", "CAL=.177"}));
    EXPECT_EQ(as_float(given["drag_table"]["BC"]), as_float(given["projectile"]["sectional_density"]));
    EXPECT_EQ(given["projectile"]["source"], "typed");
    EXPECT_TRUE(refused_in_one_line(run({"predict", prefs, "FORM=1.2"})));
    EXPECT_TRUE(refused_in_one_line(run({"predict", prefs, "--drag-table", bare, "WEIGHT=8", "CAL=.177", "FORM=0"})));
    EXPECT_TRUE(refused_in_one_line(run({"predict", prefs, "--drag-table", "/no/such.drg"})));
    EXPECT_TRUE(refused_in_one_line(run({"predict", prefs, "--drag-table"})));
}

}  // namespace
}  // namespace velora
