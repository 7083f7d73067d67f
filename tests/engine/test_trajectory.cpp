#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/atmosphere.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "engine/units.h"

namespace velora {
namespace {

// The inputs a first run starts with.
FlightInputs first_run() {
    FlightInputs in;
    in.MV = 785.0f;
    in.BC = 0.0195f;
    in.CURVE = GA2;
    in.TMP = 23.5f;
    in.PRES = 28.42f;
    in.HUMID = 32.0f;
    in.SH = 1.65f;
    in.ZR = 32.0f;
    return in;
}

std::unique_ptr<Trajectory> fly(const FlightInputs& in) {
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(in, *tr);
    return tr;
}

TEST(Trajectory, FirstRunInputsGiveTheStoredMeasurements) {
    const auto tr = fly(first_run());
    EXPECT_EQ(format_fixed(velocity_at(*tr, 40), 1), "633.4");
    EXPECT_EQ(format_fixed(poi_at(*tr, 40), 3), "-0.767");
    EXPECT_EQ(format_fixed(time_at(*tr, 40), 4), "0.1708");
    EXPECT_EQ(tr->ApexRange, 24.0f);
    EXPECT_NEAR(tr->ApexPOI, 0.253, 0.0005);
    EXPECT_EQ(tr->FarZero, 32.0f);
    EXPECT_EQ(tr->ZeroIsFar, 1);
    EXPECT_NEAR(tr->NearZero, 16.3, 0.05);
    EXPECT_NEAR(tr->LastSample, 322, 3);
}

TEST(Trajectory, SamplesAtTheMuzzleAndTheZero) {
    const FlightInputs in = first_run();
    const auto tr = fly(in);
    EXPECT_EQ(tr->velocity[0], in.MV);
    EXPECT_EQ(tr->time[0], 0.0f);
    EXPECT_LT(std::fabs(tr->drop[0]), 1e-6f);
    EXPECT_EQ(tr->poi[0], tr->drop[0] - in.SH);
    // The line of sight meets the path at the zero range, a hair below it.
    EXPECT_LT(tr->poi[32], 0.0f);
    EXPECT_GT(tr->poi[32], -0.005f);
    // The flight ends at the 2 : 1 descent, far below the bore line.
    EXPECT_LT(tr->drop[tr->LastSample], -12.0f * 150.0f);
    // Time always grows; the speed falls while the path is flat (late in a steep descent gravity
    // speeds the pellet up again).
    for (int j = 1; j <= tr->LastSample; ++j) ASSERT_GT(tr->time[j], tr->time[j - 1]) << j;
    for (int j = 1; j <= 150; ++j) ASSERT_LT(tr->velocity[j], tr->velocity[j - 1]) << j;
}

TEST(Trajectory, ZeroShortOfTheApexIsTheNearZero) {
    FlightInputs in = first_run();
    in.ZR = 12.0f;
    const auto tr = fly(in);
    EXPECT_EQ(tr->ZeroIsFar, 0);
    EXPECT_EQ(tr->NearZero, 12.0f);
    EXPECT_GT(tr->FarZero, tr->ApexRange);
    EXPECT_LT(poi_at(*tr, tr->FarZero), 0.0);
    EXPECT_GT(poi_at(*tr, tr->FarZero - 0.2), -0.01);
}

TEST(Trajectory, FlightsEndWithinTheTable) {
    // A fast, slippery flight runs the full 2000 yards.
    FlightInputs in = first_run();
    in.MV = 4000.0f;
    in.BC = 1.2f;
    in.CURVE = G7;
    in.ZR = 100.0f;
    auto tr = fly(in);
    EXPECT_EQ(tr->LastSample, 2000);
    EXPECT_NEAR(tr->velocity[0], 4000.0f, 0.0f);
    // A slow, draggy one ends early, and a zero beyond its end leaves both zeros there.
    in = first_run();
    in.MV = 200.0f;
    in.BC = 0.004f;
    in.ZR = 1900.0f;
    tr = fly(in);
    EXPECT_GT(tr->LastSample, 0);
    EXPECT_LT(tr->LastSample, 100);
    EXPECT_TRUE(std::isfinite(tr->ApexPOI));
}

TEST(Trajectory, LiftWhenTheSightLineOnlyTouchesTheCurve) {
    // A zero beyond the end of the flight leaves the sight line above the whole curve; the lift
    // must still end, with the first peak of the curve as the apex.
    FlightInputs in = first_run();
    in.ZR = 1901.0f;
    in.SH = 6.0f;
    const auto tr = fly(in);
    EXPECT_LE(tr->NearZero, tr->FarZero);
    EXPECT_TRUE(std::isfinite(tr->poi[0]));
}

TEST(Trajectory, CrossingValueRoundsTheSlopeToAWholeNumber) {
    EXPECT_EQ(crossing_value(0, 5, 1, 5.4f, 10), 5.0f);   // slope 0.4 → 0
    EXPECT_EQ(crossing_value(0, 5, 1, 5.6f, 10), 15.0f);  // slope 0.6 → 1
    EXPECT_EQ(crossing_value(0, 0, 2, 1, 3), 0.0f);       // slope 0.5 → 0 (ties to even)
    EXPECT_EQ(crossing_value(0, 0, 2, 3, 3), 6.0f);       // slope 1.5 → 2
}

TEST(Sampling, LookupsBetweenWholeYards) {
    const auto tr = fly(first_run());
    EXPECT_EQ(poi_at(*tr, 10.0005), static_cast<double>(tr->poi[10]));
    EXPECT_EQ(drop_at(*tr, 10.005f), tr->drop[10]);
    EXPECT_DOUBLE_EQ(poi_at(*tr, 10.25), tr->poi[10] + (static_cast<double>(tr->poi[11]) - tr->poi[10]) * 0.25);
    const int n = tr->LastSample;
    EXPECT_EQ(velocity_at(*tr, 400), static_cast<double>(tr->velocity[n - 1]));
    EXPECT_EQ(velocity_at(*tr, n - 1.5 + 1.0), static_cast<double>(tr->velocity[n - 1]));
    EXPECT_EQ(time_at(*tr, n), static_cast<double>(tr->time[n - 1]));
}

TEST(Sampling, EmptyTrajectoryReadsZero) {
    const auto tr = std::make_unique<Trajectory>();
    EXPECT_EQ(poi_at(*tr, 5), 0.0);
    EXPECT_EQ(velocity_at(*tr, 5), 0.0);
    EXPECT_EQ(time_at(*tr, 5), 0.0);
    EXPECT_EQ(drop_at(*tr, 5), 0.0f);
}

TEST(Sampling, DisplayFactorsAndPlotValues) {
    const auto tr = fly(first_run());
    CalcState s;
    s.stateTR = Foot;
    s.stateMV = 1;  // m/s
    DisplayFactors f;
    set_display_factors(f, s);
    EXPECT_EQ(f.range, 3.0f);
    EXPECT_EQ(f.velocity, 0.3048f);
    EXPECT_EQ(plot_value(*tr, f, CurveVelocity, 30.0f), static_cast<float>(velocity_at(*tr, 10) * 0.3048f));
    EXPECT_EQ(plot_value(*tr, f, 5, 30.0f), 0.0f);
    s.stateMV = 2;  // Mach follows the temperature of the moment
    s.TMP = 0.0f;
    set_display_factors(f, s);
    EXPECT_EQ(f.velocity, 1.0f / speed_of_sound(0.0f));
    // A selection outside its list leaves the factor as it was.
    s.statePOI = 7;
    s.stateET = 1;
    set_display_factors(f, s);
    EXPECT_EQ(f.poi, 1.0f);
    EXPECT_EQ(f.time, 1000.0f);
    EXPECT_EQ(plot_value(*tr, f, CurveTime, 120.0f), static_cast<float>(time_at(*tr, 40) * 1000.0f));
}

}  // namespace
}  // namespace velora
