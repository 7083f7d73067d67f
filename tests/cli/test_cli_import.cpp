// velora-cli import, and fit of an imported string: the real LabRadar series and Xero files through
// the command line, the JSON and CSV forms, forced formats, standard input and the refusals.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/cli/cli_run.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using nlohmann::json;

const std::filesystem::path Real = VELORA_REAL_DATA_DIR;
const std::string SR0038 = (Real / "labradar-22lr-topgenorth/SR0038").string();

#define REQUIRE_REAL_DATA() \
    if (!std::filesystem::is_directory(Real)) GTEST_SKIP() << "the real device files are not at " << Real

class CliImport : public CliFiles {};

TEST_F(CliImport, ASeriesListsItsThirtyShotsWithTracksAndMarks) {
    REQUIRE_REAL_DATA();
    const CliRun r = run({"import", SR0038});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(r.err.empty());
    const std::vector<std::string> lines = lines_of(r.out);
    EXPECT_EQ(lines.front(),
              "SR0038 (LabRadar series or report), LBR-0013797, Series 0038: 30 shots, 2169 track samples");
    int shots = 0;
    for (const std::string& l : lines) shots += l.rfind("Shot ", 0) == 0 && l.find("track of ") != std::string::npos;
    EXPECT_EQ(shots, 30);
    EXPECT_NE(r.out.find("Shot 0002: no MV"), std::string::npos);
    EXPECT_NE(r.out.find("    set aside: lost track: the device wrote 0 for the muzzle velocity\n"), std::string::npos);
    EXPECT_NE(
        r.out.find(
            "    V50 velocity 1083.0 ft/s at 54.7 yd, set aside: repeats the value of the gate before it (V41)\n"),
        std::string::npos);
}

TEST_F(CliImport, TheJsonFormHoldsEveryShotWithItsMarks) {
    REQUIRE_REAL_DATA();
    const CliRun r = run({"import", SR0038, "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["schema"], 1);
    EXPECT_EQ(j["source"]["format"], "labradar");
    EXPECT_EQ(j["units"]["velocity"], "fps");
    EXPECT_EQ(j["units"]["distance"], "m");
    EXPECT_EQ(j["projectile"]["weight_gr"], 36);
    EXPECT_EQ(j["projectile"]["as"], "set on the device");
    ASSERT_EQ(j["shots"].size(), 30u);
    EXPECT_FLOAT_EQ(j["shots"][0]["MV"].get<float>(), 1239.31f);
    EXPECT_TRUE(j["shots"][0]["marks"].empty());
    EXPECT_TRUE(j["shots"][1]["MV"].is_null());
    EXPECT_EQ(j["shots"][1]["marks"][0]["kind"], "lost_track");
    EXPECT_EQ(j["shots"][0]["measurements"].size(), 5u);
    EXPECT_EQ(j["shots"][0]["track"].size(), 80u);
    EXPECT_EQ(j["shots"][0]["track"][0]["marks"][0]["kind"], "back_extrapolated");
}

TEST_F(CliImport, TheCsvFormReadsBackFromStandardInput) {
    REQUIRE_REAL_DATA();
    const CliRun csv = run({"import", SR0038, "--csv"});
    ASSERT_EQ(csv.code, 0) << csv.err;
    EXPECT_EQ(lines_of(csv.out).front(),
              "id,time,mv,v@10.936133yd,v@21.872267yd,v@32.8084yd,v@44.838146yd,v@54.680668yd,marks");
    const CliRun back = run({"import", "-", "--json"}, csv.out);
    ASSERT_EQ(back.code, 0) << back.err;
    const json j = json::parse(back.out);
    EXPECT_EQ(j["source"]["format"], "string-csv");
    ASSERT_EQ(j["shots"].size(), 30u);
    EXPECT_FLOAT_EQ(j["shots"][0]["MV"].get<float>(), 1239.31f);
    EXPECT_EQ(j["shots"][1]["marks"][0]["kind"], "excluded_in_file");
}

TEST_F(CliImport, FormatsForcedAndRefusedInOneLine) {
    REQUIRE_REAL_DATA();
    const std::string report = (Real / "labradar-22lr-topgenorth/SR0038/SR0038 Report.csv").string();
    const CliRun forced = run({"import", report, "--format", "xero-csv"});
    EXPECT_TRUE(refused_in_one_line(forced));
    EXPECT_EQ(forced.err,
              "velora-cli: SR0038 Report.csv line 1: expected the header '#,Speed (FPS),…' within the first lines\n");
    EXPECT_EQ(run({"import", report, "--format=labradar"}).code, 0);
    EXPECT_TRUE(refused_in_one_line(run({"import", report, "--format", "excel"})));
    EXPECT_TRUE(refused_in_one_line(run({"import", report, "--json", "--csv"})));
    EXPECT_TRUE(refused_in_one_line(run({"import", (folder / "none.csv").string()})));
    const CliRun text = run({"import", file("hello,world\n1,2\n", "x.csv")});
    EXPECT_TRUE(refused_in_one_line(text));
    EXPECT_NE(text.err.find("x.csv: expected one of these formats: LabRadar series or report,"), std::string::npos);
    // A folder of several series is no one string.
    EXPECT_TRUE(refused_in_one_line(run({"import", (Real / "labradar-22lr-topgenorth").string()})));
}

TEST_F(CliImport, StandardInputIsReadUpToTheLimitOnly) {
    const CliRun r = run({"import", "-"}, std::string((std::size_t{64} << 20) + 1, ' '));
    EXPECT_TRUE(refused_in_one_line(r));
    EXPECT_EQ(r.err, "velora-cli: standard input is larger than 64 MiB\n");
}

TEST_F(CliImport, FitTakesAnImportedStringEachShotFromItsOwnMuzzleVelocity) {
    REQUIRE_REAL_DATA();
    const std::string prefs = first_run_file();
    const CliRun text = run({"fit", prefs, SR0038, "--text", "--gates", "--own-mv"});
    ASSERT_EQ(text.code, 0) << text.err;
    const std::vector<std::string> lines = lines_of(text.out);
    ASSERT_GT(lines.size(), 40u);
    EXPECT_EQ(lines[0].rfind("Cannot tell these laws apart: ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("Shots of SR0038 (LabRadar series or report), LBR-0013797, Series 0038, flown with zero "
                             "32.0 Yard",
                             0),
              0u)
        << lines[1];
    EXPECT_NE(text.out.find("\nshot 0001   its own, 1239.3 Ft/s"), std::string::npos) << text.out;

    // Schema 2: the radar's tracks, each shot's velocity fitted.
    const CliRun j = run({"fit", prefs, SR0038});
    ASSERT_EQ(j.code, 0) << j.err;
    const json fit = json::parse(j.out);
    EXPECT_EQ(fit["schema"], 2);
    ASSERT_EQ(fit["fits"].size(), 10u);
    const json& best = fit["fits"][0];
    for (const char* member : {"CURVE", "law", "BC", "BC_low", "BC_high", "rms", "residuals", "MV", "outcome"})
        EXPECT_TRUE(best.contains(member)) << member;
    EXPECT_EQ(fit["verdict"]["inseparable"][0], best["law"]);
    EXPECT_LE(best["BC_low"].get<double>(), best["BC"].get<double>());
    EXPECT_GE(best["BC_high"].get<double>(), best["BC"].get<double>());
    EXPECT_GT(best["spread"]["sd"].get<double>(), 0.0);
    EXPECT_TRUE(best["trend"].contains("slope_low"));
    EXPECT_EQ(fit["shots"].size(), 29u);
    for (const json& shot : fit["shots"]) EXPECT_EQ(shot["mv_source"], "fitted") << shot["name"];
    ASSERT_FALSE(fit["outliers"].empty());
    for (const json& o : fit["outliers"]) {
        EXPECT_FALSE(fit["shots"][o["shot"].get<std::size_t>()]["in_series"].get<bool>());
        EXPECT_EQ(o["text"].get<std::string>().rfind(o["name"].get<std::string>() + " set aside: ", 0), 0u);
    }
    EXPECT_TRUE(json::parse(run({"fit", prefs, SR0038, "--keep-outliers"}).out)["outliers"].empty());

    // Schema 1: every measurement one shot, flown with the string's mean muzzle velocity.
    const CliRun old = run({"fit", prefs, SR0038, "--schema", "1", "--text"});
    ASSERT_EQ(old.code, 0) << old.err;
    EXPECT_EQ(lines_of(old.out).front(),
              "Measurements of SR0038 (LabRadar series or report), LBR-0013797, Series 0038, each fitted as one shot, "
              "flown with the string's mean muzzle velocity 1229.3 ft/s (29 shots)");
    EXPECT_TRUE(refused_in_one_line(run({"fit", prefs, SR0038, "--schema", "1", "--gates"})));
    // A string of muzzle velocities alone has nothing to fit.
    const CliRun xero =
        run({"fit", prefs, (Real / "garmin-xero-topgenorth/csv/CZ457_2026-07-05_13-30-54.csv").string()});
    EXPECT_TRUE(refused_in_one_line(xero));
    EXPECT_NE(xero.err.find("no measurement in use to fit"), std::string::npos);
}

}  // namespace
}  // namespace velora
