#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/atmosphere.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "engine/trajectory.h"
#include "engine/units.h"
#include "tests/fixtures/first_run.h"
#include "tests/golden/golden_values.h"

namespace velora {
namespace {

using testing::first_run_flight;

FlightInputs inputs_of(const golden::Flight& g) {
    FlightInputs in;
    in.MV = g.MV;
    in.BC = g.BC;
    in.law = drag_law_curve(g.CURVE);
    in.TMP = g.TMP;
    in.PRES = g.PRES;
    in.HUMID = g.HUMID;
    in.SH = g.SH;
    in.ZR = g.ZR;
    return in;
}

std::unique_ptr<Trajectory> fly(const FlightInputs& in) {
    auto tr = std::make_unique<Trajectory>();
    compute_trajectory(in, *tr);
    return tr;
}

TEST(Trajectory, FirstRunInputsGiveTheStoredMeasurements) {
    const auto tr = fly(first_run_flight());
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

// Bit for bit what the independent step-by-step calculation of tests/golden gives: the four
// arrays at sampled yards and everything derived from them.
template <std::size_t N>
void expect_golden_flight(const golden::Flight& g, const golden::Derived& d, const golden::Sample (&samples)[N]) {
    const auto tr = fly(inputs_of(g));
    EXPECT_EQ(tr->LastSample, d.LastSample);
    EXPECT_EQ(tr->ApexRange, d.ApexRange);
    EXPECT_EQ(tr->ApexPOI, d.ApexPOI);
    EXPECT_EQ(tr->NearZero, d.NearZero);
    EXPECT_EQ(tr->FarZero, d.FarZero);
    EXPECT_EQ(tr->ZeroIsFar, d.ZeroIsFar);
    for (const golden::Sample& at : samples) {
        EXPECT_EQ(tr->drop[at.yard], at.drop) << "yard " << at.yard;
        EXPECT_EQ(tr->velocity[at.yard], at.velocity) << "yard " << at.yard;
        EXPECT_EQ(tr->time[at.yard], at.time) << "yard " << at.yard;
        EXPECT_EQ(tr->poi[at.yard], at.poi) << "yard " << at.yard;
    }
}

TEST(Trajectory, GoldenFlights) {
    {
        SCOPED_TRACE("first run");
        expect_golden_flight(golden::FirstRunFlight, golden::FirstRunFlightDerived, golden::FirstRunFlightSamples);
    }
    {
        SCOPED_TRACE("fast G7 flight through the sound barrier");
        expect_golden_flight(golden::FastFlight, golden::FastFlightDerived, golden::FastFlightSamples);
    }
    {
        SCOPED_TRACE("zero short of the apex");
        expect_golden_flight(golden::NearZeroFlight, golden::NearZeroFlightDerived, golden::NearZeroFlightSamples);
    }
    {
        SCOPED_TRACE("40-metre zero");
        expect_golden_flight(golden::MetreTableFlight, golden::MetreTableFlightDerived,
                             golden::MetreTableFlightSamples);
    }
    {
        SCOPED_TRACE("zero at the apex");
        expect_golden_flight(golden::ApexZeroFlight, golden::ApexZeroFlightDerived, golden::ApexZeroFlightSamples);
    }
}

TEST(Trajectory, ZeroRangeExactlyAtTheApexIsTheFarZero) {
    // First-run inputs with an 18-yd zero and a 1-inch sight: the sight line only touches the
    // curve at its apex, 18 yd. The curve is lifted by a ten-thousandth of an inch at a time until
    // its peak clears the line, by no more than one such step; the zero then counts as far (the
    // apex lies at, not beyond, it), and the near crossing found a tenth of a yard short of the
    // apex plus one yard is the other zero.
    FlightInputs in = first_run_flight();
    in.ZR = 18.0f;
    in.SH = 1.0f;
    const auto tr = fly(in);
    EXPECT_EQ(tr->ApexRange, 18.0f);
    EXPECT_GT(tr->ApexPOI, 0.0f);
    EXPECT_LE(tr->ApexPOI, 0.0001f);
    EXPECT_EQ(tr->ZeroIsFar, 1);
    EXPECT_EQ(tr->NearZero, 18.0f);
    EXPECT_EQ(tr->FarZero, 18.9f);
}

TEST(Trajectory, SamplesAtTheMuzzleAndTheZero) {
    const FlightInputs in = first_run_flight();
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
    FlightInputs in = first_run_flight();
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
    FlightInputs in = first_run_flight();
    in.MV = 4000.0f;
    in.BC = 1.2f;
    in.law = drag_law_curve(G7);
    in.ZR = 100.0f;
    auto tr = fly(in);
    EXPECT_EQ(tr->LastSample, 2000);
    EXPECT_NEAR(tr->velocity[0], 4000.0f, 0.0f);
    // A slow, draggy one ends early, and a zero beyond its end leaves both zeros there.
    in = first_run_flight();
    in.MV = 200.0f;
    in.BC = 0.004f;
    in.ZR = 1900.0f;
    tr = fly(in);
    EXPECT_GT(tr->LastSample, 0);
    EXPECT_LT(tr->LastSample, 100);
    EXPECT_TRUE(std::isfinite(tr->ApexPOI));
}

TEST(Trajectory, AZeroBeyondTheEndOfTheFlightLiftsTheCurveAllTheWay) {
    // The zero is never reached, so the sight line climbs from 6 in above the bore by 6 in per
    // 1901 yd and the curve peaks a yard out, some 6 in below it: the lift raises the curve until
    // that peak clears the line, again by no more than one step.
    expect_golden_flight(golden::BeyondTheFlightZeroFlight, golden::BeyondTheFlightZeroFlightDerived,
                         golden::BeyondTheFlightZeroFlightSamples);
    static_assert(golden::BeyondTheFlightZeroFlightDerived.ApexPOI > 0.0f &&
                  golden::BeyondTheFlightZeroFlightDerived.ApexPOI <= 0.0001f);
}

TEST(Trajectory, CrossingValueRoundsTheSlopeToAWholeNumber) {
    EXPECT_EQ(crossing_value(0, 5, 1, 5.4f, 10), 5.0f);   // slope 0.4 → 0
    EXPECT_EQ(crossing_value(0, 5, 1, 5.6f, 10), 15.0f);  // slope 0.6 → 1
    EXPECT_EQ(crossing_value(0, 0, 2, 1, 3), 0.0f);       // slope 0.5 → 0 (ties to even)
    EXPECT_EQ(crossing_value(0, 0, 2, 3, 3), 6.0f);       // slope 1.5 → 2
}

TEST(Sampling, LookupsBetweenWholeYards) {
    const auto tr = fly(first_run_flight());
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
    const auto tr = fly(first_run_flight());
    CalcState s;
    s.stateTR = Foot;
    s.stateMV = 1;  // m/s
    DisplayFactors f;
    set_display_factors(f, s);
    EXPECT_EQ(f.range, 3.0f);
    EXPECT_EQ(f.velocity, 0.3048f);
    // 30 ft is yard 10, where the first-run pellet flies at 742.121277 ft/s.
    static_assert(golden::FirstRunFlightSamples[2].yard == 10);
    EXPECT_EQ(plot_value(*tr, f, CurveVelocity, 30.0f), static_cast<float>(742.121277f * static_cast<double>(0.3048f)));
    EXPECT_EQ(plot_value(*tr, f, 5, 30.0f), 0.0f);
    s.stateMV = 2;  // Mach follows the temperature of the moment
    s.TMP = 0.0f;
    set_display_factors(f, s);
    EXPECT_EQ(f.velocity, 0x1.e25314p-11f);  // 1 / 1087.0026
    // A selection at or beyond the end of its list leaves the factor as it was.
    s.statePOI = 3;
    s.stateDROP = 2;
    s.stateET = 1;
    set_display_factors(f, s);
    EXPECT_EQ(f.poi, 1.0f);
    EXPECT_EQ(f.drop, 25.4f);
    EXPECT_EQ(f.time, 1000.0f);
    s.stateET = 2;
    s.stateTR = 3;
    s.stateMV = 3;
    set_display_factors(f, s);
    EXPECT_EQ(f.time, 1000.0f);
    EXPECT_EQ(f.range, 3.0f);
    EXPECT_EQ(f.velocity, 0x1.e25314p-11f);
    // 120 ft is yard 40.
    EXPECT_EQ(plot_value(*tr, f, CurveTime, 120.0f), static_cast<float>(0.17084235f * 1000.0));
}

}  // namespace
}  // namespace velora
