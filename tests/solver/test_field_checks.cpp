#include <gtest/gtest.h>

#include <memory>

#include "engine/units.h"
#include "solver/display_texts.h"
#include "solver/field_checks.h"
#include "solver/recalculate.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using testing::first_run_state;

TEST(FieldChecks, MuzzleVelocityDropsTheSignConvertsAndClamps) {
    EXPECT_EQ(check_muzzle_velocity("-850", FtPerS, 20.0f), 850.0f);
    EXPECT_EQ(check_muzzle_velocity("5000", FtPerS, 20.0f), 4000.0f);
    EXPECT_EQ(check_muzzle_velocity("150", FtPerS, 20.0f), 200.0f);
    EXPECT_EQ(check_muzzle_velocity("not a number", FtPerS, 20.0f), 200.0f);
    EXPECT_EQ(check_muzzle_velocity("850 ft/s", FtPerS, 20.0f), 850.0f);
    EXPECT_NEAR(check_muzzle_velocity("304.8", MPerS, 20.0f), 1000.0f, 0.0001f);
    EXPECT_EQ(check_muzzle_velocity("1", Mach, 20.0f), 0x1.19860ep+10f);  // 1126.0946 ft/s
    EXPECT_EQ(check_muzzle_velocity("1", Mach, 0.0f), 0x1.0fc02ap+10f);   // 1087.0026 ft/s
    // Mach 4 is above the ceiling at any accepted temperature.
    EXPECT_EQ(check_muzzle_velocity("4", Mach, 20.0f), 4000.0f);
}

TEST(FieldChecks, TargetVelocityStaysTwoFeetPerSecondBelowTheMuzzle) {
    EXPECT_EQ(check_target_velocity("900", FtPerS, 20.0f, 850.0f), 848.0f);
    EXPECT_EQ(check_target_velocity("-600", FtPerS, 20.0f, 850.0f), 600.0f);
    EXPECT_EQ(check_target_velocity("150", FtPerS, 20.0f, 850.0f), 200.0f);
    // The upper clamp comes second and wins.
    EXPECT_EQ(check_target_velocity("150", FtPerS, 20.0f, 201.0f), 199.0f);
    EXPECT_NEAR(check_target_velocity("182.88", MPerS, 20.0f, 850.0f), 600.0f, 0.0001f);
}

TEST(FieldChecks, PointOfImpactAndDropAreAlwaysBelow) {
    EXPECT_EQ(check_poi("0.5", Inch), -0.5f);
    EXPECT_EQ(check_poi("-0.5", Inch), -0.5f);
    EXPECT_EQ(check_poi("0.05", Inch), -0.1f);
    EXPECT_EQ(check_poi("0", Inch), -0.1f);
    EXPECT_EQ(check_poi("19", Mm), -19.0f / 25.4f);
    EXPECT_EQ(check_poi("0.2", Cm), -0.1f);  // −0.079 in is above the limit
    EXPECT_EQ(check_drop("5.25", Inch), -5.25f);
    EXPECT_EQ(check_drop("0.05", Inch), -0.1f);
    EXPECT_EQ(check_drop("13.3", Cm), -13.3f / 2.54f);
}

TEST(FieldChecks, SightHeightTimeAndBc) {
    EXPECT_EQ(check_sight_height("0", Inch), 0.1f);
    EXPECT_EQ(check_sight_height("10", Inch), 6.0f);
    EXPECT_EQ(check_sight_height("-1.65", Inch), 1.65f);
    EXPECT_EQ(check_sight_height("42", Mm), 42.0f / 25.4f);
    EXPECT_EQ(check_sight_height("200", Mm), 6.0f);
    EXPECT_EQ(check_time_of_flight("170.8", MilliSecond), 170.8f / 1000.0f);
    EXPECT_EQ(check_time_of_flight("-0.2", Second), 0.2f);
    EXPECT_EQ(check_time_of_flight("0", Second), 0.0f);
    EXPECT_EQ(check_bc("2"), 1.2f);
    EXPECT_EQ(check_bc("0.001"), 0.004f);
    EXPECT_EQ(check_bc("-0.03"), 0.03f);
    EXPECT_EQ(check_bc("1.2"), 1.2f);
}

TEST(FieldChecks, TemperatureAndPressureAreRefusedOutsideTheirRange) {
    EXPECT_FALSE(check_temperature("70", Celsius).has_value());
    EXPECT_EQ(check_temperature("60", Celsius), 60.0f);
    EXPECT_EQ(check_temperature("-20", Celsius), -20.0f);
    EXPECT_FALSE(check_temperature("-20.1", Celsius).has_value());
    EXPECT_FALSE(check_temperature("158", Fahrenheit).has_value());  // 70 °C
    EXPECT_EQ(check_temperature("-4", Fahrenheit), -20.0f);
    EXPECT_EQ(check_temperature("140", Fahrenheit), 60.0f);
    EXPECT_EQ(check_temperature("68", Fahrenheit), 20.0f);

    const auto mbar = check_pressure("1000", MBar);
    ASSERT_TRUE(mbar.has_value());
    EXPECT_NEAR(*mbar, 29.566f, 0.001f);
    EXPECT_FALSE(check_pressure("500", MBar).has_value());
    EXPECT_EQ(*check_pressure("760", MmHg), 760.0f / 25.4f);
    EXPECT_EQ(check_pressure("-28.42", InHg), 28.42f);
    EXPECT_FALSE(check_pressure("35.01", InHg).has_value());
    EXPECT_EQ(check_pressure("19", InHg), 19.0f);
}

TEST(FieldChecks, HumidityAndTolerancesHaveACeiling) {
    EXPECT_EQ(check_humidity("120"), 100.0f);
    EXPECT_EQ(check_humidity("-30"), 30.0f);
    EXPECT_EQ(check_tolerance("7.5"), 5.0f);
    EXPECT_EQ(check_tolerance("1.6%"), 1.6f);
    EXPECT_EQ(check_tolerance("5"), 5.0f);
}

// A state and results as a pass would leave them, with a chosen far zero and range limit.
struct Limits {
    CalcState s = first_run_state();
    std::unique_ptr<CalcResults> r = std::make_unique<CalcResults>();
    Limits(int method, float far_zero, float max_target) {
        s.stateRB = method;
        r->trajectory.FarZero = far_zero;
        r->MaxTargetRange = max_target;
        r->MaxZeroRange = max_target / 2.0f;
    }
};

TEST(TargetRange, SlotMinimumsForEveryMethod) {
    Limits d(DeltaD, 32.0f, 219.0f);
    auto slots = check_target_range("5", d.s, *d.r);
    EXPECT_EQ(slots[DeltaD], 20.0f);

    Limits v(DeltaV, 32.0f, 219.0f);
    v.s.TRArray[1] = 3.0f;  // another method's slot below its minimum
    v.s.TRArray[3] = 0.0f;
    slots = check_target_range("5", v.s, *v.r);
    EXPECT_EQ(slots[DeltaV], 10.0f);
    EXPECT_EQ(slots[DeltaT], 10.0f);
    EXPECT_EQ(slots[DeltaD], 20.0f);
    EXPECT_EQ(slots[DeltaPOI], 40.0f);
}

TEST(TargetRange, PoiTargetLiesAQuarterBeyondTheFarZero) {
    Limits p(DeltaPOI, 40.0f, 219.0f);
    EXPECT_EQ(check_target_range("45", p.s, *p.r)[DeltaPOI], 50.0f);
    EXPECT_EQ(check_target_range("60", p.s, *p.r)[DeltaPOI], 60.0f);
    // The far-zero rule is only for the DeltaPOI slot.
    Limits t(DeltaT, 40.0f, 219.0f);
    EXPECT_EQ(check_target_range("45", t.s, *t.r)[DeltaT], 45.0f);
}

TEST(TargetRange, CappedAtTheLimitButNeverBelowTheMinimum) {
    Limits v(DeltaV, 32.0f, 219.0f);
    EXPECT_EQ(check_target_range("500", v.s, *v.r)[DeltaV], 219.0f);
    EXPECT_EQ(check_target_range("-150", v.s, *v.r)[DeltaV], 150.0f);
    Limits tiny(DeltaD, 32.0f, 8.0f);
    EXPECT_EQ(check_target_range("500", tiny.s, *tiny.r)[DeltaD], 20.0f);
}

TEST(TargetRange, ConvertedFromTheFieldsUnit) {
    Limits v(DeltaV, 32.0f, 219.0f);
    v.s.stateTR = Foot;
    EXPECT_EQ(check_target_range("150", v.s, *v.r)[DeltaV], 50.0f);
    v.s.stateTR = Metre;
    EXPECT_EQ(check_target_range("45.72", v.s, *v.r)[DeltaV], 45.72f / 0.9144f);
}

// The first-run state after its start-up pass.
struct Computed {
    CalcState s = first_run_state();
    std::unique_ptr<CalcResults> r = std::make_unique<CalcResults>();
    Computed() {
        s.ChangeKind = 1;
        recalculate(s, *r, false);
    }
};

TEST(ZeroRange, ZeroBecomesOneYardAndTheLimitCaps) {
    Limits flat(DeltaPOI, 32.0f, 200.0f);  // a path whose apex lies at the muzzle
    check_zero_range(flat.s, *flat.r, "0");
    EXPECT_EQ(flat.s.ZR, 1.0f);
    check_zero_range(flat.s, *flat.r, "5000");
    EXPECT_EQ(flat.s.ZR, 100.0f);
    flat.s.stateZR = Foot;
    check_zero_range(flat.s, *flat.r, "-90");
    EXPECT_EQ(flat.s.ZR, 30.0f);
    flat.s.stateZR = Metre;
    check_zero_range(flat.s, *flat.r, "27.432");
    EXPECT_EQ(flat.s.ZR, 27.432f / 0.9144f);
}

TEST(ZeroRange, AOneYardNearZeroOfTheFirstRunPathBecomesTheLimit) {
    // Zeroed at 1 yd the sight line climbs so steeply that the far zero lies beyond the limit.
    Computed c;
    check_zero_range(c.s, *c.r, "0");
    EXPECT_EQ(c.s.ZR, c.r->MaxZeroRange);
}

TEST(ZeroRange, RaisesTheActiveTargetToAQuarterBeyondTheZero) {
    Computed c;
    c.s.stateRB = DeltaV;
    c.s.TRArray[DeltaV] = 45.0f;
    check_zero_range(c.s, *c.r, "40");
    EXPECT_EQ(c.s.ZR, 40.0f);
    EXPECT_EQ(c.s.TRArray[DeltaV], 50.0f);
    EXPECT_EQ(c.s.TRArray[DeltaPOI], 40.0f);  // only the active slot
}

TEST(ZeroRange, AZeroShortOfTheApexIsANearZero) {
    Computed c;
    ASSERT_EQ(c.r->trajectory.ApexRange, 24.0f);
    check_zero_range(c.s, *c.r, "12");
    EXPECT_EQ(c.s.ZR, 12.0f);
    // The path was flown with the new zero: 12 yd is its near zero, the far one lies beyond the apex.
    EXPECT_EQ(c.r->trajectory.ZeroIsFar, 0);
    EXPECT_EQ(c.r->trajectory.NearZero, 12.0f);
    EXPECT_GT(c.r->trajectory.FarZero, 24.0f);
}

TEST(ZeroRange, ANearZeroWhoseFarZeroLiesBeyondTheLimitBecomesTheLimit) {
    Computed c;
    c.r->MaxZeroRange = 30.0f;
    check_zero_range(c.s, *c.r, "12");
    EXPECT_EQ(c.s.ZR, 30.0f);
}

TEST(CommitField, OnlyAChangeAtTheComparedDecimalsCounts) {
    Computed c;
    c.s.ChangeKind = 0;
    FieldCommit commit = commit_field(c.s, *c.r, FieldId::MV, "785.04");
    EXPECT_FALSE(commit.changed);
    EXPECT_EQ(c.s.ChangeKind, 0);
    EXPECT_EQ(c.s.MV, 785.04f);  // stored all the same
    commit = commit_field(c.s, *c.r, FieldId::MV, "785.2");
    EXPECT_TRUE(commit.changed);
    EXPECT_EQ(commit.change_kind, 1);
    EXPECT_EQ(c.s.ChangeKind, 1);

    c.s.ChangeKind = 0;
    commit = commit_field(c.s, *c.r, FieldId::TV, "600");
    EXPECT_TRUE(commit.changed);
    EXPECT_EQ(c.s.ChangeKind, 2);

    // The time of flight is compared with four decimals, the sight height with two.
    c.s.ET = 0.1708f;
    EXPECT_FALSE(commit_field(c.s, *c.r, FieldId::ET, "0.17083").changed);
    EXPECT_TRUE(commit_field(c.s, *c.r, FieldId::ET, "0.17086").changed);
    EXPECT_FALSE(commit_field(c.s, *c.r, FieldId::SH, "1.652").changed);
    EXPECT_TRUE(commit_field(c.s, *c.r, FieldId::SH, "1.656").changed);
}

TEST(CommitField, RefusedTemperatureChangesNothing) {
    Computed c;
    c.s.ChangeKind = 0;
    const FieldCommit commit = commit_field(c.s, *c.r, FieldId::TMP, "70");
    EXPECT_FALSE(commit.changed);
    EXPECT_EQ(c.s.TMP, 23.5f);
    EXPECT_EQ(c.s.ChangeKind, 0);
}

TEST(CommitField, BcIsRewrittenAtOnce) {
    Computed c;
    const FieldCommit commit = commit_field(c.s, *c.r, FieldId::BC, "2");
    ASSERT_TRUE(commit.bc_text.has_value());
    EXPECT_EQ(*commit.bc_text, "1.2000");
    EXPECT_EQ(c.s.BC, 1.2f);
    EXPECT_EQ(commit.change_kind, 1);
    EXPECT_FALSE(commit_field(c.s, *c.r, FieldId::MV, "785").bc_text.has_value());
}

TEST(CommitField, TargetRangeComparesTheActiveSlot) {
    Computed c;
    c.s.stateRB = DeltaT;
    const FieldCommit commit = commit_field(c.s, *c.r, FieldId::TR, "55");
    EXPECT_TRUE(commit.changed);
    EXPECT_EQ(commit.change_kind, 1);
    EXPECT_EQ(c.s.TRArray[DeltaT], 55.0f);
    EXPECT_EQ(compared_text(c.s, FieldId::TR), "55.0");
}

TEST(CommitField, KindsAndComparePrecisionByField) {
    const int decimals[] = {1, 1, 1, 2, 1, 2, 4, 2, 4, 1, 2, 1, 1, 1};
    const int kinds[] = {1, 1, 1, 1, 2, 2, 2, 2, 1, 1, 1, 1, 1, 2};
    for (int id = FirstFieldId; id <= LastFieldId; ++id) {
        const auto field = field_from_id(id);
        ASSERT_TRUE(field.has_value());
        EXPECT_EQ(compare_decimals(*field), decimals[id - FirstFieldId]) << id;
        EXPECT_EQ(change_kind_of(*field), kinds[id - FirstFieldId]) << id;
    }
    EXPECT_FALSE(field_from_id(4).has_value());
    EXPECT_FALSE(field_from_id(19).has_value());
}

TEST(CommitField, AUnitAfterTheNumberIsConvertedThenSignedAndLimited) {
    // Whatever unit the field shows; the field's sign rule and limits come after: a point of
    // impact lies below, a velocity is at most 4000 ft/s.
    Computed c;
    c.s.stateTR = Metre;
    commit_field(c.s, *c.r, FieldId::TR, "60 yd");
    EXPECT_EQ(c.s.TRArray[DeltaPOI], 60.0f);
    commit_field(c.s, *c.r, FieldId::POI, "12mm");
    EXPECT_EQ(c.s.POI, -read_unit_value("12mm", ValueKind::SmallLength).value);
    commit_field(c.s, *c.r, FieldId::MV, "2000 m/s");
    EXPECT_EQ(c.s.MV, 4000.0f);
    commit_field(c.s, *c.r, FieldId::HUMID, "45%");
    EXPECT_EQ(c.s.HUMID, 45.0f);
}

TEST(CommitField, AUnitOfAnotherQuantityOrNoneChangesNothingAndSaysWhy) {
    Computed c;
    const CalcState before = c.s;
    c.s.ChangeKind = 0;
    FieldCommit commit = commit_field(c.s, *c.r, FieldId::TR, "50kg");
    EXPECT_FALSE(commit.changed);
    EXPECT_EQ(commit.refusal, "'kg' is not a unit of range (yd, m, ft)");
    EXPECT_EQ(commit_field(c.s, *c.r, FieldId::MV, "240 m").refusal, "'m' is not a unit of velocity (ft/s, fps, m/s)");
    EXPECT_FALSE(commit_field(c.s, *c.r, FieldId::TMP, "20K").refusal.empty());
    EXPECT_FALSE(commit_field(c.s, *c.r, FieldId::BC, "0.03 in").refusal.empty());
    EXPECT_FALSE(commit_field(c.s, *c.r, FieldId::HUMID, "45 pc").refusal.empty());
    EXPECT_EQ(c.s.TRArray[DeltaPOI], before.TRArray[DeltaPOI]);
    EXPECT_EQ(c.s.MV, before.MV);
    EXPECT_EQ(c.s.TMP, before.TMP);
    EXPECT_EQ(c.s.BC, before.BC);
    EXPECT_EQ(c.s.HUMID, before.HUMID);
    EXPECT_EQ(c.s.ChangeKind, 0);
    EXPECT_EQ(refused_entry_text(FieldId::TR, commit.refusal),
              "Not taken: 'kg' is not a unit of range (yd, m, ft). The field keeps its value.");
    EXPECT_EQ(refused_entry_text(FieldId::BC, "takes no unit ('in' follows the number)"),
              "Not taken: the Ballistic Coefficient is a number without a unit. The field keeps its value.");
}

TEST(CommitField, TextWithoutAUnitIsReadAsBefore) {
    Computed c;
    // The longest leading number; what follows that cannot begin a unit is passed over.
    commit_field(c.s, *c.r, FieldId::MV, "850-");
    EXPECT_EQ(c.s.MV, 850.0f);
    commit_field(c.s, *c.r, FieldId::MV, "1,052.5");
    EXPECT_EQ(c.s.MV, 200.0f) << "1, clamped";
    commit_field(c.s, *c.r, FieldId::MV, "fast");
    EXPECT_EQ(c.s.MV, 200.0f) << "no number reads as 0, clamped";
    commit_field(c.s, *c.r, FieldId::MV_TOL, "1.6%");
    EXPECT_EQ(c.s.MV_TOL, 1.6f);
    // A decimal comma: a comma and no point.
    commit_field(c.s, *c.r, FieldId::MV, "1052,5");
    EXPECT_EQ(c.s.MV, 1052.5f);
    c.s.stateSH = Cm;
    commit_field(c.s, *c.r, FieldId::SH, "4,2");
    EXPECT_EQ(c.s.SH, 4.2f / 2.54f);
    commit_field(c.s, *c.r, FieldId::MV_TOL, "1,3%");
    EXPECT_EQ(c.s.MV_TOL, 1.3f);
}

}  // namespace
}  // namespace velora
