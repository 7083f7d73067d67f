// The texts of the fit: shots shown and typed in the main window's units, the ranked laws, the
// problems of a set of shots.
#include <gtest/gtest.h>

#include <memory>

#include "engine/drag.h"
#include "engine/projectile.h"
#include "engine/sampling.h"
#include "solver/fit_energy.h"
#include "solver/fit_texts.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using testing::first_run_state;

TEST(FitTexts, ShotsInTheMainWindowsUnitsPlainOrWithASuffix) {
    CalcState s = first_run_state();
    s.stateTR = Metre;
    s.stateTV = MPerS;
    s.stateET = MilliSecond;
    s.statePOI = Mm;
    const ShotUnits u = shot_units(s);
    EXPECT_EQ(shot_quantity_caption(ShotQuantity::Velocity, u), "Velocity (m/s)");
    EXPECT_EQ(shot_quantity_caption(ShotQuantity::Time, u), "Time (mSec)");
    EXPECT_EQ(shot_quantity_caption(ShotQuantity::Drop, u), "Drop (Inch)");
    EXPECT_EQ(shot_range_text(50.0f, u), "45.7");
    EXPECT_EQ(shot_value_text(ShotQuantity::Poi, -0.767f, u), "-19.5") << "a tenth of a millimetre";
    EXPECT_EQ(shot_value_text(ShotQuantity::Time, 0.1708f, u), "170.80");
    // Residuals, measured less predicted, one decimal finer than the main window's field.
    EXPECT_EQ(shot_residual_text(ShotQuantity::Poi, -0.1, u), "-2.5");
    EXPECT_EQ(shot_residual_text(ShotQuantity::Velocity, 2.0, u), "0.61");
    EXPECT_EQ(shot_residual_text(ShotQuantity::Time, 0.00042, u), "0.420");
    EXPECT_EQ(shot_residual_text(ShotQuantity::Drop, 0.25, u), "0.250");

    EXPECT_NEAR(read_shot_range("45.72", u).value, 50.0f, 1e-4f) << "a plain number is in the shown unit";
    EXPECT_NEAR(read_shot_range("50yd", u).value, 50.0f, 1e-6f) << "a suffix names its own unit";
    EXPECT_NEAR(read_shot_value("193.07", ShotQuantity::Velocity, u).value, 633.43f, 0.01f);
    EXPECT_NEAR(read_shot_value("0.1708 s", ShotQuantity::Time, u).value, 0.1708f, 1e-7f);
    EXPECT_NEAR(read_shot_value("-19.5", ShotQuantity::Poi, u).value, -0.7677f, 1e-4f);
    EXPECT_EQ(read_shot_value("fast", ShotQuantity::Velocity, u).error, "not a number");
    EXPECT_NE(read_shot_value("600 kmh", ShotQuantity::Velocity, u).error.find("not a unit of velocity"),
              std::string::npos);
    EXPECT_NEAR(read_shot_uncertainty("1%", ShotQuantity::Velocity, 600.0f, u).value, 6.0f, 1e-5f);
    EXPECT_NEAR(read_shot_uncertainty("1", ShotQuantity::Velocity, 600.0f, u).value, 3.2808f, 1e-3f);
    EXPECT_FALSE(read_shot_uncertainty("1%%", ShotQuantity::Velocity, 600.0f, u).ok());
}

TEST(FitTexts, RankedLawRowsAndProblems) {
    LawFit fit;
    fit.law = GA2;
    fit.BC = 0.01954f;
    fit.BC_low = 0.01931f;
    fit.BC_high = 0.01978f;
    fit.rms = 0.8449;
    fit.MV = 785.04f;
    FitRowTexts t = fit_row_texts(fit, true, MPerS, 20.0f);
    EXPECT_EQ(t.law, "GA2");
    EXPECT_EQ(t.bc, "0.0195");
    EXPECT_EQ(t.interval, "0.0193 – 0.0198");
    EXPECT_EQ(t.rms, "0.84");
    EXPECT_EQ(t.mv, "239.3");
    fit.outcome = FitOutcome::AboveRange;
    t = fit_row_texts(fit, false, FtPerS, 20.0f);
    EXPECT_EQ(t.bc, "above 1.2000");
    EXPECT_EQ(t.interval, "");
    EXPECT_EQ(t.mv, "");

    CalcState s = first_run_state();
    s.stateTR = Foot;
    ShotFitInputs in = shot_fit_inputs(s);
    in.MaxRange = 300.0f;
    EXPECT_EQ(shot_problem_text({2, ShotProblemKind::RangeBeyondLimit}, "Shot 3", in, shot_units(s)),
              "Shot 3: its range lies beyond the flight's limit of 900.0 Foot.");
    EXPECT_EQ(fit_inputs_text(s),
              "muzzle velocity 785.0 Ft/s, zero 32.0 Yard, sight height 1.65 Inch, 23.5 °C, "
              "28.42 \"Hg, 32.0 %");
}

TEST(FitTexts, ADecimalCommaInACellIsItsPoint) {
    const ShotUnits u = InternalShotUnits;
    EXPECT_EQ(read_shot_range("52,5", u).value, 52.5f);
    EXPECT_EQ(read_shot_value("633,4", ShotQuantity::Velocity, u).value, 633.4f);
    EXPECT_EQ(read_shot_value("193,1m/s", ShotQuantity::Velocity, u).value,
              read_unit_value("193.1m/s", ValueKind::Velocity).value);
    EXPECT_NEAR(read_shot_uncertainty("1,5%", ShotQuantity::Velocity, 600.0f, u).value, 9.0f, 1e-4f);
    EXPECT_FALSE(read_shot_range("1,052.5", u).ok()) << "a comma beside a point is no decimal comma";
}

// The energies a fit implies: each range once, rising, the flight's velocity there; a range beyond
// the flight left out; a shot's line in both units, empty without a weight or a velocity.
TEST(FitEnergy, AtEachRangeTheFlightReachesAndEachShotsAtTheMuzzle) {
    const std::vector<Shot> shots = {{40.0f, ShotQuantity::Velocity, 600.0f, std::nullopt},
                                     {20.0f, ShotQuantity::Velocity, 700.0f, std::nullopt},
                                     {40.0f, ShotQuantity::Poi, -1.0f, std::nullopt},
                                     {0.0f, ShotQuantity::Velocity, 800.0f, std::nullopt},
                                     {5000.0f, ShotQuantity::Velocity, 100.0f, std::nullopt}};
    EXPECT_EQ(measurement_ranges(shots), (std::vector<float>{20.0f, 40.0f, 5000.0f}));
    FlightInputs flown = testing::first_run_flight();
    flown.MV = 800.0f;
    flown.BC = 0.03f;
    flown.law = drag_law_curve(G1);
    const std::vector<RangeEnergy> e = energy_at_ranges(measurement_ranges(shots), flown, 8.44);
    ASSERT_EQ(e.size(), 2u) << "5000 yd lies beyond any flight";
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(flown, *tr);
    for (const RangeEnergy& r : e) {
        EXPECT_EQ(r.velocity, static_cast<float>(velocity_at(*tr, r.range)));
        EXPECT_EQ(r.joules, kinetic_energy_j(8.44, r.velocity));
    }
    EXPECT_GT(e[0].joules, e[1].joules);
    EXPECT_EQ(range_energies_line(e, "G1", 0.03f, 800.0f)
                  .rfind("Energy at the measured ranges under G1, BC 0.0300, from 800.0 ft/s: 20.0 yd ", 0),
              0u);
    EXPECT_EQ(range_energies_line({}, "G1", 0.03f, 800.0f), "");
    EXPECT_EQ(shot_energy_text(8.44, 800.0f), "11.99 ft·lbf (16.26 J)");
    EXPECT_EQ(shot_energy_text(std::nullopt, 800.0f), "");
    EXPECT_EQ(shot_energy_text(8.44, std::nullopt), "");
}

}  // namespace
}  // namespace velora
