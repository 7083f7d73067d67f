#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "solver/bc_solver.h"
#include "solver/recalculate.h"
#include "tests/fixtures/first_run.h"
#include "tests/golden/golden_values.h"

namespace velora {
namespace {

using testing::first_run_state;

// A calculator after its start-up pass (ChangeKind 1) on the first-run inputs.
struct Calculator {
    CalcState s = first_run_state();
    std::unique_ptr<CalcResults> r = std::make_unique<CalcResults>();
    RecalcOutcome start;
    explicit Calculator(bool panel = true) {
        s.ChangeKind = 1;
        start = recalculate(s, *r, panel);
    }
    RecalcOutcome pass(int kind, bool panel = true) {
        s.ChangeKind = kind;
        return recalculate(s, *r, panel);
    }
};

// The first-run flight's entries at a whole yard, from the independent calculation (the
// velocities and drops do not depend on the zero).
const golden::Sample& first_run_sample(int yard) {
    for (const golden::Sample& at : golden::FirstRunFlightSamples)
        if (at.yard == yard) return at;
    ADD_FAILURE() << "no golden sample at " << yard << " yd";
    return golden::FirstRunFlightSamples[0];
}

const FieldDisplay& field(const RecalcOutcome& o, FieldId id) {
    return o.texts.fields[static_cast<int>(id) - FirstFieldId];
}

TEST(Recalculate, StartUpPassPredictsTheFirstRunMeasurements) {
    Calculator c;
    EXPECT_EQ(format_fixed(c.s.TV, 1), "633.4");
    EXPECT_EQ(format_fixed(c.s.POI, 3), "-0.767");
    EXPECT_EQ(format_fixed(c.s.ET, 4), "0.1708");
    EXPECT_EQ(c.s.TR, 40.0f);
    EXPECT_EQ(c.r->trajectory.FarZero, 32.0f);
    EXPECT_EQ(c.r->trajectory.ApexRange, 24.0f);
    EXPECT_EQ(c.r->MaxZeroRange, golden::FirstRunFlightDerived.MaxZeroRange);
    EXPECT_EQ(c.r->MaxTargetRange, 2.0f * golden::FirstRunFlightDerived.MaxZeroRange);
    EXPECT_TRUE(c.start.bc_predicted);
    EXPECT_FALSE(c.start.message.has_value());
    EXPECT_EQ(c.s.BC, 0.0195f);
    // The display factors of the table and plot were set.
    EXPECT_EQ(c.r->factors.range, 1.0f);
    EXPECT_EQ(c.r->factors.poi, 25.4f);

    const RecalcOutcome& o = c.start;
    EXPECT_EQ(field(o, FieldId::TV).text, "633.4");
    EXPECT_EQ(field(o, FieldId::POI).text, "-19");
    EXPECT_EQ(field(o, FieldId::ET).text, "0.17084");
    EXPECT_EQ(field(o, FieldId::ZR).text, "32.0");
    EXPECT_EQ(o.texts.zero.caption, "Far Zero");
    EXPECT_EQ(o.texts.bc, "0.0195");
    EXPECT_TRUE(o.texts.bc_as_result);
    EXPECT_EQ(o.texts.drag_law_description, std::string(drag_law_description(GA2)));
    EXPECT_EQ(std::string(o.texts.panel_toggle.text), "<<");
    ASSERT_TRUE(o.confidence.has_value());
    EXPECT_EQ(o.confidence->heading, "One Chronograph (∆POI)");
    EXPECT_EQ(o.confidence->drag_law_heading, "With Reference to Drag Law GA2");
}

TEST(Recalculate, PoiTargetIsRaisedBeforeAnythingIsComputed) {
    Calculator c;
    c.s.TRArray[0] = 10.0f;
    const float far_zero = c.r->trajectory.FarZero;
    const RecalcOutcome o = c.pass(0);
    EXPECT_EQ(c.s.TRArray[0], 1.25f * far_zero);
    EXPECT_EQ(c.s.TR, 1.25f * far_zero);
    EXPECT_EQ(field(o, FieldId::TR).text, "40.0");
}

TEST(Recalculate, PoiTargetIsRaisedAgainAfterThePredictionMovesTheFarZero) {
    Calculator c;
    // A zero beyond the apex stands as the far zero: the target must follow it.
    c.s.ZR = 36.0f;
    c.pass(1);
    EXPECT_EQ(c.r->trajectory.FarZero, 36.0f);
    EXPECT_EQ(c.s.TRArray[0], 45.0f);
    EXPECT_EQ(c.s.TR, 45.0f);
    EXPECT_EQ(c.s.TV, first_run_sample(45).velocity);
}

TEST(Recalculate, TargetRangeIsReloadedFromTheActiveSlot) {
    Calculator c;
    c.s.stateRB = DeltaV;
    c.pass(1);
    EXPECT_EQ(c.s.TR, 60.0f);
    EXPECT_EQ(c.s.TV, first_run_sample(60).velocity);
    EXPECT_EQ(c.s.DROP, first_run_sample(60).drop);
}

TEST(Recalculate, RedisplayComputesNothing) {
    Calculator c;
    c.s.BC = 0.03f;  // as if typed without a pass
    const float tv = c.s.TV;
    const float far_zero = c.r->trajectory.FarZero;
    const int last = c.r->trajectory.LastSample;
    const RecalcOutcome o = c.pass(0, false);
    EXPECT_EQ(c.s.TV, tv);
    EXPECT_EQ(c.r->trajectory.LastSample, last);
    EXPECT_EQ(c.r->trajectory.FarZero, far_zero);
    EXPECT_FALSE(o.bc_predicted);
    EXPECT_FALSE(o.confidence.has_value());
    EXPECT_EQ(std::string(o.texts.panel_toggle.text), ">>");
}

TEST(Recalculate, SolveFindsTheBcAndRefillsEveryMeasurementFromTheModel) {
    Calculator c;
    c.s.stateRB = DeltaV;
    c.pass(1);
    const golden::SolvePass& g = golden::TargetVelocitySolve;
    ASSERT_EQ(c.s.TV - 20.0f, g.typed_TV);
    c.s.TV = g.typed_TV;
    const RecalcOutcome o = c.pass(2);
    EXPECT_FALSE(o.message.has_value());
    EXPECT_FALSE(o.bc_predicted);
    EXPECT_EQ(c.s.BC, g.BC);
    // Every measurement, the active one too, shows the model's value for the new BC, which is
    // close to but not exactly what was typed.
    EXPECT_EQ(c.s.TV, g.TV);
    EXPECT_NE(c.s.TV, g.typed_TV);
    EXPECT_EQ(c.s.POI, g.POI);
    EXPECT_EQ(c.s.ET, g.ET);
    EXPECT_EQ(c.s.DROP, g.DROP);
    EXPECT_EQ(field(o, FieldId::BC).text, "0.0174");
    EXPECT_EQ(field(o, FieldId::TV).text, "552.8");
}

TEST(Recalculate, ImprobableSolveShowsTheMessageAndKeepsTheBc) {
    Calculator c;
    c.s.stateRB = DeltaV;
    c.pass(1);
    const float predicted_tv = c.s.TV;
    c.s.TV = c.s.MV - 2.0f;
    RecalcOutcome o = c.pass(2);
    ASSERT_TRUE(o.message.has_value());
    EXPECT_EQ(*o.message, improbable_bc_message(GA2, false));
    EXPECT_EQ(c.s.BC, 0.0195f);
    EXPECT_EQ(c.s.TV, predicted_tv);  // the entered measurement is replaced by the model's

    // Five feet of impact below the aim at 40 yd would need a BC below 0.004.
    c.s.stateRB = DeltaPOI;
    c.pass(1);
    c.s.POI = -60.0f;
    o = c.pass(2);
    ASSERT_TRUE(o.message.has_value());
    EXPECT_EQ(*o.message, improbable_bc_message(GA2, true));
    EXPECT_EQ(c.s.BC, 0.0195f);
    EXPECT_EQ(format_fixed(c.s.POI, 3), "-0.767");
}

TEST(DragLawChange, CarriesTheBcOverKeepingTheVelocityAtTheTarget) {
    Calculator c(false);
    const float tv = c.s.TV;
    const DragLawChange change = change_drag_law(c.s, *c.r, list_position_of_drag_law(G1), false);
    EXPECT_FALSE(change.message.has_value());
    EXPECT_EQ(c.s.CURVE, G1);
    EXPECT_EQ(c.s.stateBC, 0);
    EXPECT_EQ(change.list_position, 0);
    EXPECT_GT(c.s.BC, 0.0195f);
    EXPECT_NEAR(c.s.TV, tv, 0.2f);
    EXPECT_TRUE(change.recalc.bc_predicted);
    EXPECT_EQ(change.recalc.texts.drag_law_description, std::string(drag_law_description(G1)));
}

TEST(DragLawChange, RefusedConversionRestoresLawBcAndListPosition) {
    Calculator c(false);
    c.s.MV = 1000.0f;
    c.s.BC = 1.1f;
    c.s.CURVE = G7;
    c.s.stateBC = list_position_of_drag_law(G7);
    c.pass(1, false);
    const DragLawChange change = change_drag_law(c.s, *c.r, list_position_of_drag_law(GS), false);
    ASSERT_TRUE(change.message.has_value());
    EXPECT_EQ(*change.message, improbable_bc_message(GS, false));
    EXPECT_EQ(c.s.CURVE, G7);
    EXPECT_EQ(c.s.BC, 1.1f);
    EXPECT_EQ(change.list_position, 5);
    EXPECT_EQ(c.s.stateBC, 5);
    EXPECT_TRUE(change.recalc.bc_predicted);
}

// The values the confidence limits may move, compared bit for bit.
struct Inputs {
    float MV, ZR, TR, TRArray[4], SH, TV, POI, ET, BC, DROP, MV_TOL, TV_TOL;
    explicit Inputs(const CalcState& s)
        : MV(s.MV),
          ZR(s.ZR),
          TR(s.TR),
          TRArray{s.TRArray[0], s.TRArray[1], s.TRArray[2], s.TRArray[3]},
          SH(s.SH),
          TV(s.TV),
          POI(s.POI),
          ET(s.ET),
          BC(s.BC),
          DROP(s.DROP),
          MV_TOL(s.MV_TOL),
          TV_TOL(s.TV_TOL) {}
    bool operator==(const Inputs& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

TEST(ConfidenceLimits, RestoresEveryInputExactlyAndReflysTheTrajectory) {
    for (int method = DeltaPOI; method <= DeltaD; ++method) {
        Calculator c(false);
        c.s.stateRB = method;
        c.pass(1, false);
        const Inputs before(c.s);
        auto fresh = std::make_unique<Trajectory>();
        compute_trajectory(flight_inputs(c.s), *fresh);
        c.r->trajectory.LastSample = 3;  // spoiled: the limits must fly it again
        const ConfidencePage page = confidence_limits(c.s, c.r->trajectory);
        EXPECT_TRUE(Inputs(c.s) == before) << "method " << method;
        EXPECT_EQ(std::memcmp(fresh.get(), &c.r->trajectory, sizeof(Trajectory)), 0) << "method " << method;
        EXPECT_EQ(page.heading, method_heading(method));
        EXPECT_EQ(page.target_tolerance_enabled, method == DeltaV);
        EXPECT_EQ(page.bc, "0.0195");
    }
}

TEST(Recalculate, EveryPassLeavesThePathOfTheInputsThatStand) {
    for (int kind : {0, 1, 2}) {
        Calculator c;
        c.s.ZR = 20.0f;  // stored by an edit that compared equal, so no pass ran for it
        c.pass(kind);
        auto fresh = std::make_unique<Trajectory>();
        compute_trajectory(flight_inputs(c.s), *fresh);
        EXPECT_EQ(c.r->trajectory.ZeroIsFar, 0) << "kind " << kind;
        EXPECT_EQ(std::memcmp(fresh.get(), &c.r->trajectory, sizeof(Trajectory)), 0) << "kind " << kind;
    }
    // Without the panel a redisplay flies nothing.
    Calculator c(false);
    c.s.ZR = 20.0f;
    c.pass(0, false);
    EXPECT_EQ(c.r->trajectory.ZeroIsFar, 1);
}

void expect_band(const ConfidencePage& page, const golden::Band& band) {
    ASSERT_TRUE(page.maximum_bc && page.minimum_bc && page.mean_bc);
    EXPECT_EQ(*page.maximum_bc, band.maximum);
    EXPECT_EQ(*page.mean_bc, band.mean);
    EXPECT_EQ(*page.minimum_bc, band.minimum);
    EXPECT_EQ(page.maximum, band.maximum_text);
    EXPECT_EQ(page.mean, band.mean_text);
    EXPECT_EQ(page.minimum, band.minimum_text);
}

TEST(ConfidenceLimits, SlowerMuzzleReadingGivesTheMaximum) {
    Calculator c;
    expect_band(*c.start.confidence, golden::FirstRunBand);
    EXPECT_EQ(c.start.confidence->muzzle_tolerance, "1.6%");
}

TEST(ConfidenceLimits, NoMuzzleErrorMeansNoBand) {
    Calculator c;
    c.s.MV_TOL = 0.0f;
    const ConfidencePage page = confidence_limits(c.s, c.r->trajectory);
    EXPECT_EQ(page.maximum, "0.0195");
    EXPECT_EQ(page.mean, "0.0195");
    EXPECT_EQ(page.minimum, "0.0195");
}

TEST(ConfidenceLimits, TwoChronographsMoveOnlyTheTargetReadingWhenTheMuzzleIsExact) {
    Calculator c;
    c.s.stateRB = DeltaV;
    c.s.MV_TOL = 0.0f;
    c.s.TV_TOL = 2.0f;
    c.pass(1);
    const ConfidencePage page = confidence_limits(c.s, c.r->trajectory);
    expect_band(page, golden::TargetChronographBand);
    EXPECT_TRUE(page.target_tolerance_enabled);
    EXPECT_EQ(page.heading, "Two Chronographs (∆V)");
}

TEST(ConfidenceLimits, ASolveOutsideTheRangeShowsQuestionMarks) {
    Calculator c;
    c.s.stateRB = DeltaV;
    c.s.MV_TOL = 0.0f;
    c.s.TV_TOL = 5.0f;
    c.s.BC = 0.8f;
    c.pass(1);
    // A fast target reading needs a BC above 1.2; the slow one still has a BC.
    const ConfidencePage page = confidence_limits(c.s, c.r->trajectory);
    EXPECT_EQ(page.maximum, UnknownLimit);
    EXPECT_EQ(page.mean, UnknownLimit);
    EXPECT_FALSE(page.maximum_bc.has_value());
    ASSERT_TRUE(page.minimum_bc.has_value());
    EXPECT_EQ(*page.minimum_bc, golden::SlipperyMinimum);
    EXPECT_EQ(page.minimum, golden::SlipperyMinimumText);
}

TEST(ConfidenceLimits, OneChronographMethodsShowQuestionMarksForAnUpperLimitBeyondTheRange) {
    for (int method : {DeltaPOI, DeltaT, DeltaD}) {
        Calculator c;
        c.s.stateRB = method;
        c.s.BC = 1.1f;
        c.s.MV_TOL = 5.0f;
        c.pass(1);
        // 5 % slower at the muzzle and still arriving as measured: only a BC above 1.2 would do.
        const ConfidencePage page = confidence_limits(c.s, c.r->trajectory);
        EXPECT_EQ(page.maximum, UnknownLimit) << "method " << method;
        EXPECT_EQ(page.mean, UnknownLimit) << "method " << method;
        ASSERT_TRUE(page.minimum_bc.has_value()) << "method " << method;
        EXPECT_LT(*page.minimum_bc, 1.1f);
        EXPECT_EQ(page.bc, "1.1000");
    }
}

TEST(ConfidenceLimits, LimitsOnTheWrongSideOfTheBcAreReplaced) {
    Calculator c;
    c.s.MV_TOL = 0.01f;
    // The measurement belongs to a BC near 0.0194 while the BC that stands is far above it: the
    // maximum comes out below the BC and is shown as BC × 1.01.
    c.s.BC = 0.03f;
    expect_band(confidence_limits(c.s, c.r->trajectory), golden::HighBcBand);
    // And far below it: the minimum comes out above and is shown as BC / 1.01.
    c.s.BC = 0.01f;
    const ConfidencePage page = confidence_limits(c.s, c.r->trajectory);
    expect_band(page, golden::LowBcBand);
    EXPECT_EQ(page.bc, "0.0100");
}

TEST(ConfidenceLimits, DragLawHeadingNamesTheListEntry) {
    Calculator c;
    c.s.stateBC = list_position_of_drag_law(SLG1);
    EXPECT_EQ(confidence_limits(c.s, c.r->trajectory).drag_law_heading, "With Reference to Drag Law SLG1");
}

}  // namespace
}  // namespace velora
