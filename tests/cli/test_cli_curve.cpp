// velora-cli curve: the drag curve of SR0038's radar tracks as JSON and text, written as a drag
// table that reads back and flies, the published table set beside it, and the refusals.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "services/readers/drag_table.h"
#include "tests/cli/cli_run.h"

namespace velora {
namespace {

using nlohmann::json;

const std::filesystem::path Real = VELORA_REAL_DATA_DIR;
const std::string SR0038 = (Real / "labradar-22lr-topgenorth" / "SR0038").string();
const std::string Polar = (Real / "lapua-22lr-radar-cd" / "22LR-Polar biathlon Lapua  2,59g _Radar.drg").string();

#define REQUIRE_REAL_DATA() \
    if (!std::filesystem::is_directory(Real)) GTEST_SKIP() << "the real device files are not at " << Real

TEST_F(CliFiles, SR0038sCurveIsWrittenAsATableThatReadsBackAndFlies) {
    REQUIRE_REAL_DATA();
    const std::string prefs = first_run_file();
    const std::string table = (folder / "sr38.json").string(), csv = (folder / "sr38.csv").string();
    const CliRun r = run({"curve", prefs, SR0038, "CAL=5.65mm", "--drag-table", Polar, "-o", table});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["kind"], "drag_curve_fit");
    // The device's weight, 36 gr, taken and said so.
    EXPECT_EQ(j["projectile"]["weight_gr"], 36.0);
    EXPECT_EQ(j["projectile"]["source"], "weight as set on the device");
    EXPECT_NEAR(j["projectile"]["sectional_density"].get<double>(), 36.0 / 7000.0 / (5.65 / 25.4) / (5.65 / 25.4),
                1e-9);
    EXPECT_LT(j["cv_rms"].get<double>(), j["laws"][0]["cv_rms"].get<double>());
    // The radar smooths its tracks: SR0038's 1992 velocities count as about 961, twice as many.
    EXPECT_NEAR(j["effective_samples"].get<double>(), 961.5, 1.0);
    EXPECT_NEAR(j["correlation"].get<double>(), 2.072, 0.002);
    EXPECT_NEAR(j["effective_samples"].get<double>() * j["correlation"].get<double>(), 1992.0, 1e-6);
    EXPECT_EQ(j["laws"].size(), 10u);
    ASSERT_EQ(j["tables"].size(), 1u);
    EXPECT_EQ(j["tables"][0]["name"], ".22LR Lapua polar 2.59g");
    EXPECT_EQ(j["table_file"], table);
    EXPECT_NE(j["note"].get<std::string>().find("better"), std::string::npos);

    // The table holds the points printed, their band and the span, and reads back.
    const DragTableRead back = read_drag_table_file(table);
    ASSERT_TRUE(back.ok()) << back.error;
    const json& points = j["points"];
    ASSERT_EQ(back.table->points.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(back.table->points[i].mach, static_cast<float>(points[i]["mach"].get<double>()));
        EXPECT_EQ(back.table->points[i].cd, static_cast<float>(points[i]["cd"].get<double>()));
        EXPECT_EQ(back.table->cd_low[i], static_cast<float>(points[i]["cd_low"].get<double>()));
    }
    ASSERT_TRUE(back.table->span);
    EXPECT_EQ(back.table->span->first, static_cast<float>(j["span"][0].get<double>()));
    EXPECT_EQ(*back.table->projectile.weight_gr, 36.0);

    // CSV by its name; both fly a trajectory as the table of the projectile (form factor 1).
    ASSERT_EQ(run({"curve", prefs, SR0038, "CAL=5.65mm", "-o", csv}).code, 0);
    const DragTableRead from_csv = read_drag_table_file(csv);
    ASSERT_TRUE(from_csv.ok()) << from_csv.error;
    EXPECT_EQ(from_csv.table->points.size(), points.size());
    for (const std::string& t : {table, csv}) {
        const CliRun flown = run({"predict", prefs, "MV=1150", "--drag-table", t});
        ASSERT_EQ(flown.code, 0) << flown.err;
        EXPECT_NEAR(json::parse(flown.out)["drag_table"]["form_factor"].get<double>(), 1.0, 1e-12);
    }

    const CliRun text = run({"curve", prefs, SR0038, "CAL=.2225in", "--text"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("The fitted drag curve holds over Mach "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("set aside: its velocities stand far from the others'"), std::string::npos);
}

TEST_F(CliFiles, CurveRefusesInOneLine) {
    REQUIRE_REAL_DATA();
    const std::string prefs = first_run_file();
    CliRun r = run({"curve", prefs, SR0038});
    EXPECT_TRUE(refused_in_one_line(r));
    EXPECT_EQ(r.err, "velora-cli: a drag coefficient needs the projectile's sectional density: give CAL=\n");
    EXPECT_TRUE(refused_in_one_line(run({"curve", prefs, SR0038, "CAL=.22in", "FORM=1.1"})));
    EXPECT_TRUE(refused_in_one_line(run({"curve", prefs})));
    EXPECT_TRUE(refused_in_one_line(run({"curve", prefs, SR0038, "CAL=-3mm"})));
    r = run({"curve", prefs, SR0038, "CAL=.22in", "-o", (folder / "no such folder" / "t.json").string()});
    EXPECT_TRUE(refused_in_one_line(r));
    EXPECT_NE(r.err.find("could not write"), std::string::npos) << r.err;
    // The plot needs the toolkit's drawing, which only the program gives.
    r = run({"curve", prefs, SR0038, "CAL=.22in", "--plot", (folder / "c.png").string()});
    EXPECT_TRUE(refused_in_one_line(r));
    EXPECT_EQ(r.err, "velora-cli: this build of velora-cli draws no plots\n");
}

}  // namespace
}  // namespace velora
