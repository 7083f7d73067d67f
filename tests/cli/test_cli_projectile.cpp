// The projectile on the command line: WEIGHT, CAL, LEN and ENERGY_LIMIT with their units, the
// "projectile" member of predict, solve and fit, the --text lines, the form factor beside each
// law's BC, the weight a device recorded, and the refusals.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>

#include "tests/cli/cli_run.h"

namespace velora {
namespace {

using nlohmann::json;

const std::filesystem::path Real = VELORA_REAL_DATA_DIR;

json json_of(const CliRun& r) {
    EXPECT_EQ(r.code, 0) << r.err;
    return r.code == 0 ? json::parse(r.out) : json();
}

// Energy of `grains` at `fps`, by hand: ½ m v² with 1 gr = 64.79891 mg and 1 ft = 0.3048 m.
double joules(double grains, double fps) { return 0.5 * grains * 64.79891e-6 * std::pow(fps * 0.3048, 2); }

TEST_F(CliFiles, PredictCarriesTheProjectileWithItsEnergyAndSectionalDensity) {
    const std::string prefs = first_run_file();
    // A .177 pellet of 8.44 gr at 800 ft/s: 12.0 ft·lbf, SD 0.0385 lb/in².
    const json j = json_of(run({"predict", prefs, "WEIGHT=8.44gr", "CAL=.177in", "MV=800"}));
    const json& p = j["projectile"];
    EXPECT_EQ(p["source"], "typed");
    EXPECT_DOUBLE_EQ(p["weight_gr"].get<double>(), 8.44);
    EXPECT_DOUBLE_EQ(p["calibre_in"].get<double>(), 0.177);
    EXPECT_TRUE(p["length_in"].is_null());
    EXPECT_NEAR(p["sectional_density"].get<double>(), 0.0385, 0.00005);
    EXPECT_NEAR(p["energy_ftlbf"].get<double>(), 12.0, 0.05);
    EXPECT_NEAR(p["energy_J"].get<double>(), 16.26, 0.005);
    EXPECT_NEAR(p["momentum_Ns"].get<double>(), 0.13336, 0.00001);
    // The form factor against the file's law and BC.
    const double bc = j["state"]["BC"].get<double>();
    EXPECT_NEAR(p["form_factor"].get<double>(), p["sectional_density"].get<double>() / bc, 1e-5);
    // At the target, from the velocity the pass predicts there.
    const json& t = p["target"];
    EXPECT_EQ(t["range"].get<double>(), j["state"]["TRArray"][0].get<double>());
    EXPECT_EQ(t["velocity"].get<double>(), j["state"]["TV"].get<double>());
    EXPECT_NEAR(t["energy_J"].get<double>(), joules(8.44, t["velocity"].get<double>()), 1e-5);
    EXPECT_TRUE(p["energy_limit"].is_null());

    // The same pellet in grams and millimetres.
    const json metric = json_of(run({"predict", prefs, "WEIGHT=0.5469g", "CAL=4.4958mm", "MV=800"}));
    EXPECT_NEAR(metric["projectile"]["energy_J"].get<double>(), p["energy_J"].get<double>(), 0.001);
    EXPECT_NEAR(metric["projectile"]["sectional_density"].get<double>(), p["sectional_density"].get<double>(), 1e-6);

    // Without a projectile the member is there, its values null.
    const json none = json_of(run({"solve", prefs}));
    EXPECT_TRUE(none["projectile"]["energy_J"].is_null());
    EXPECT_TRUE(none["projectile"]["sectional_density"].is_null());
}

TEST_F(CliFiles, TheTextFormsShowEnergyFormFactorAndTheLimit) {
    const std::string prefs = first_run_file();
    const CliRun r = run({"predict", prefs, "WEIGHT=8.44", "CAL=0.177", "MV=800", "ENERGY_LIMIT=7.5J", "--text"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Projectile 8.44 gr (0.547 g), calibre 0.177 in (4.50 mm): sectional density 0.0385 lb/in², "
                         "form factor 1.974 against GA2\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Energy at the muzzle 11.99 ft·lbf (16.26 J), momentum 0.1334 N·s; at 40.0 yd "),
              std::string::npos);
    EXPECT_NE(r.out.find("Energy limit 7.5 J: the muzzle energy is ABOVE it\n"), std::string::npos);
    // At exactly the limit (to the hundredth shown) a pellet is within it.
    const CliRun at = run({"predict", prefs, "WEIGHT=8.44", "MV=800.1", "ENERGY_LIMIT=12ftlbf", "--text"});
    EXPECT_NE(at.out.find("Energy limit 12 ft·lbf: the muzzle energy is within it\n"), std::string::npos) << at.out;

    // The trajectory gains an energy column that falls with the velocity.
    const CliRun tr = run({"trajectory", prefs, "WEIGHT=8.44", "MV=800", "--text"});
    ASSERT_EQ(tr.code, 0) << tr.err;
    const std::vector<std::string> lines = lines_of(tr.out);
    std::size_t head = 0;
    while (head < lines.size() && lines[head].rfind("  Range", 0) != 0) ++head;
    ASSERT_LT(head + 3, lines.size()) << tr.out;
    EXPECT_NE(lines[head].find("Energy"), std::string::npos);
    EXPECT_NE(lines[head + 1].find("(ft·lbf)"), std::string::npos);
    EXPECT_NE(lines[head + 2].find("   11.99"), std::string::npos) << lines[head + 2];
}

TEST_F(CliFiles, ImpossibleProjectileValuesAreRefusedInOneLine) {
    const std::string prefs = first_run_file();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"WEIGHT=nan", "'WEIGHT=nan': not a number"},
        {"WEIGHT=-8", "'WEIGHT=-8': a weight from 0.5 to 1500 gr (0.032 to 97.2 g)"},
        {"weight=1e308g", "'weight=1e308g': a weight from 0.5 to 1500 gr (0.032 to 97.2 g)"},
        {"CAL=5.5", "'CAL=5.5': a calibre from 0.1 to 1 in (2.54 to 25.4 mm); for millimetres write 5.5mm"},
        {"LEN=0.3kg", "'LEN=0.3kg': 'kg' is not a unit of length (in, mm)"},
        {"ENERGY_LIMIT=lots", "'ENERGY_LIMIT=lots': not a number"},
    };
    for (const auto& [argument, message] : cases) {
        const CliRun r = run({"predict", prefs, argument});
        EXPECT_TRUE(refused_in_one_line(r)) << argument;
        EXPECT_EQ(r.err, "velora-cli: " + message + "\n");
    }
    // A command that flies nothing takes no projectile; one left before the file is no file.
    EXPECT_TRUE(refused_in_one_line(run({"prefs", prefs, "WEIGHT=8"})));
    const CliRun before = run({"predict", "CAL=0.22"});
    EXPECT_TRUE(refused_in_one_line(before));
    EXPECT_NE(before.err.find("needs a preferences file before 'CAL=0.22'"), std::string::npos) << before.err;
}

TEST_F(CliFiles, AFitGivesTheFormFactorBesideEachLawsBcAndTheShotsAboveALimit) {
    if (!std::filesystem::is_directory(Real)) GTEST_SKIP() << "the real device files are not at " << Real;
    const std::string prefs = first_run_file();
    const std::string series = (Real / "labradar-22lr-topgenorth/SR0038").string();
    // The series recorded 36 gr on the device; its shots' energies straddle 122.6 ft·lbf.
    const json imported = json_of(run({"import", series, "--json"}));
    std::vector<std::string> above;
    for (const json& shot : imported["shots"]) {
        if (shot["MV"].is_null() || !shot["marks"].empty()) continue;
        if (std::round(joules(36, shot["MV"].get<double>()) / 1.3558179483314004 * 100) > 12260)
            above.push_back(shot["id"]);
    }
    ASSERT_FALSE(above.empty());
    const json j = json_of(run({"fit", prefs, series, "CAL=.223in", "ENERGY_LIMIT=122.6ftlbf"}));
    const json& p = j["projectile"];
    EXPECT_EQ(p["weight_gr"], 36);
    EXPECT_EQ(p["source"], "weight as set on the device");
    const double sd = 36.0 / 7000.0 / (0.223 * 0.223);
    EXPECT_NEAR(p["sectional_density"].get<double>(), sd, 1e-12);
    for (const json& f : j["fits"]) {
        EXPECT_NEAR(f["form_factor"].get<double>(), sd / f["BC"].get<double>(), 1e-5) << f["law"];
    }
    EXPECT_NEAR(p["energy_J"].get<double>(), joules(36, j["fits"][0]["MV"].get<double>()), 1e-3);
    EXPECT_EQ(p["energy_limit"]["shots_passing"].get<std::vector<std::string>>(), above);

    // A weight given overrides the device's.
    const json typed = json_of(run({"fit", prefs, series, "WEIGHT=40gr"}));
    EXPECT_EQ(typed["projectile"]["weight_gr"], 40);
    EXPECT_EQ(typed["projectile"]["source"], "typed");
    EXPECT_TRUE(typed["fits"][0]["form_factor"].is_null()) << "no calibre, no SD";

    const CliRun text = run({"fit", prefs, series, "CAL=.223in", "ENERGY_LIMIT=122.6ftlbf", "--text"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("Weighted SS  Form factor\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("shots are above it:"), std::string::npos) << text.out;

    // The energy along the best law's flight from the string's mean at each range of its gates, and
    // each shot's at the muzzle.
    const json& along = p["energy_at_ranges"];
    EXPECT_EQ(along["law"], j["fits"][0]["law"]);
    ASSERT_FALSE(along["ranges"].empty());
    double range = 0, energy = 1e9;
    for (const json& at : along["ranges"]) {
        EXPECT_GT(at["range"].get<double>(), range);
        range = at["range"].get<double>();
        EXPECT_NEAR(at["energy_J"].get<double>(), joules(36, at["velocity"].get<double>()), 1e-3);
        EXPECT_NEAR(at["energy_ftlbf"].get<double>() * 1.3558179483314004, at["energy_J"].get<double>(), 1e-9);
        EXPECT_LT(at["energy_J"].get<double>(), energy);
        energy = at["energy_J"].get<double>();
    }
    const json& shots = p["shot_energies"];
    ASSERT_FALSE(shots.empty());
    for (const json& shot : shots)
        EXPECT_NEAR(shot["energy_J"].get<double>(), joules(36, shot["MV"].get<double>()), 1e-3) << shot["id"];
    EXPECT_NE(text.out.find("Energy at the measured ranges under " + j["fits"][0]["law"].get<std::string>()),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("Energy of each shot at the muzzle: " + shots[0]["id"].get<std::string>() + " "),
              std::string::npos)
        << text.out;
}

// Typed shots fitted with a weight: the energy at each range they were measured at, once a range,
// in both schemas and the text; without a weight the members are null, and predict has none.
TEST_F(CliFiles, AFitGivesTheEnergyAtEachRangeOfItsShots) {
    const std::string prefs = first_run_file();
    const std::string shots =
        file("range,quantity,value\n20,velocity,700\n40,velocity,620\n20,velocity,701\n", "shots.csv");
    for (const char* schema : {"1", "2"}) {
        const json j = json_of(run({"fit", prefs, shots, "WEIGHT=8.44gr", "--schema", schema}));
        const json& along = j["projectile"]["energy_at_ranges"];
        ASSERT_EQ(along["ranges"].size(), 2u) << schema;
        EXPECT_EQ(along["ranges"][0]["range"], 20);
        EXPECT_EQ(along["ranges"][1]["range"], 40);
        for (const json& at : along["ranges"])
            EXPECT_NEAR(at["energy_J"].get<double>(), joules(8.44, at["velocity"].get<double>()), 1e-4);
        EXPECT_TRUE(j["projectile"]["shot_energies"].empty()) << "typed shots have no muzzle velocities of their own";
    }
    const json without = json_of(run({"fit", prefs, shots}));
    EXPECT_TRUE(without["projectile"]["energy_at_ranges"].is_null());
    EXPECT_FALSE(json_of(run({"predict", prefs, "WEIGHT=8.44gr"}))["projectile"].contains("energy_at_ranges"));
    const CliRun text = run({"fit", prefs, shots, "WEIGHT=8.44gr", "--text"});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("Energy at the measured ranges under "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" ft/s: 20.0 yd "), std::string::npos) << text.out;
}

// The range table with the projectile's weight: the window's lines as they stand, its energy at
// each row beside them; 8.44 gr at 800 ft/s at the muzzle is 11.99 ft·lbf, 16.26 J.
TEST_F(CliFiles, TheTableGivesTheEnergyAtEachRangeWithTheWeight) {
    const std::string prefs = first_run_file();
    const CliRun plain = run({"table", prefs, "MV=800"});
    const CliRun with = run({"table", prefs, "MV=800", "WEIGHT=8.44gr", "CAL=.177in"});
    ASSERT_EQ(with.code, 0) << with.err;
    const std::vector<std::string> a = lines_of(plain.out), b = lines_of(with.out);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(b[0], a[0] + "    Energy   Energy");
    EXPECT_EQ(b[1], a[1] + "  (ft·lbf)      (J)");
    EXPECT_EQ(b[3], a[3] + "     11.99    16.26");
    double last = 1e9;
    for (std::size_t i = 3; i < b.size(); ++i) {
        if (a[i].empty()) {
            EXPECT_TRUE(b[i].empty());
            continue;
        }
        ASSERT_EQ(b[i].substr(0, a[i].size()), a[i]);
        const double energy = std::stod(b[i].substr(a[i].size(), 10));
        EXPECT_LT(energy, last) << b[i];
        last = energy;
    }
    EXPECT_TRUE(refused_in_one_line(run({"table", prefs, "FORM=1.1"})));
    EXPECT_TRUE(refused_in_one_line(run({"table", prefs, "WEIGHT=heavy"})));
}

}  // namespace
}  // namespace velora
