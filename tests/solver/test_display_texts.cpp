#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/number_text.h"
#include "engine/units.h"
#include "solver/display_texts.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using testing::first_run_state;

TEST(ImprobableBcMessage, BytesAtBothLimits) {
    EXPECT_EQ(improbable_bc_message(G1, true),
              "\rThe entered parameters result in an improbable BC value.\ri.e., In this case, BC[G1  ] is less "
              "than 0.0040\r\rPlease review your inputs ...");
    EXPECT_EQ(improbable_bc_message(GA2, false),
              "\rThe entered parameters result in an improbable BC value.\ri.e., In this case, BC[GA2 ] is greater "
              "than 1.2000\r\rPlease review your inputs ...");
    EXPECT_NE(improbable_bc_message(SLG0, true).find("BC[SLG0] is less than 0.0040"), std::string::npos);
    EXPECT_EQ(std::string(ImprobableBcTitle), "Input Error ... ");
}

// Results with the numbers the hints quote.
std::unique_ptr<CalcResults> results(float far_zero, float near_zero, float max_zero) {
    auto r = std::make_unique<CalcResults>();
    r->trajectory.FarZero = far_zero;
    r->trajectory.NearZero = near_zero;
    r->MaxZeroRange = max_zero;
    r->MaxTargetRange = 2.0f * max_zero;
    return r;
}

std::string hint(const CalcState& s, const CalcResults& r, FieldId f) {
    const auto h = field_range_hint(s, r, f);
    return h ? *h : "<none>";
}

TEST(RangeHints, MuzzleAndTargetVelocityInEachUnit) {
    CalcState s = first_run_state();
    const auto r = results(32.0f, 16.3f, 109.45f);
    EXPECT_EQ(hint(s, *r, FieldId::MV), "Muzzle Velocity (200 to 4000 Ft/s)");
    EXPECT_EQ(hint(s, *r, FieldId::TV), "Velocity @ Target (200 to 775 Ft/s)");
    s.stateMV = MPerS;
    s.stateTV = MPerS;
    EXPECT_EQ(hint(s, *r, FieldId::MV), "Muzzle Velocity (61.0 to 1219.2 m/s)");
    EXPECT_EQ(hint(s, *r, FieldId::TV), "Velocity @ Target (61.0 to 236.2 m/s)");
    s.stateMV = Mach;
    s.stateTV = Mach;
    // The speed of sound at 23.5 °C is 1132.797 ft/s.
    EXPECT_EQ(hint(s, *r, FieldId::MV), "Muzzle Velocity (0.177 to 3.531 Mach @ 23.5 °C)");
    EXPECT_EQ(hint(s, *r, FieldId::TV), "Velocity @ Target (0.177 to 0.684 Mach)");
    // The temperature is quoted as its field shows it.
    s.stateTMP = Fahrenheit;
    EXPECT_NE(hint(s, *r, FieldId::MV).find(" Mach @ 74.3 °F)"), std::string::npos);
}

TEST(RangeHints, TargetRangeByMethodAndUnit) {
    CalcState s = first_run_state();
    const auto r = results(32.0f, 16.3f, 109.45f);
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (40 to 219 Yard)");
    s.stateTR = Foot;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (120 - 657 Foot)");
    s.stateTR = Metre;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (37 to 200 Metre)");
    s.stateRB = DeltaD;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (18 to 200 Metre)");
    s.stateTR = Foot;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (60 to 657 Foot)");
    s.stateTR = Yard;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (20 to 219 Yard)");
    s.stateRB = DeltaT;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (10 to 219 Yard)");
    s.stateTR = Foot;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (30 to 657 Foot)");
    s.stateTR = Metre;
    EXPECT_EQ(hint(s, *r, FieldId::TR), "Target Range (9 to 200 Metre)");
}

TEST(RangeHints, SmallLengthsAndAir) {
    CalcState s = first_run_state();
    const auto r = results(32.0f, 16.3f, 109.45f);
    EXPECT_EQ(hint(s, *r, FieldId::SH), "Sight Height (0.1 to 6.0 Inch)");
    EXPECT_EQ(hint(s, *r, FieldId::POI), "PoI below PoA: <= -2.54 mm");
    EXPECT_EQ(hint(s, *r, FieldId::DROP), "PoI below LoD: <= -0.10 Inch");
    s.stateSH = Cm;
    s.statePOI = Cm;
    EXPECT_EQ(hint(s, *r, FieldId::SH), "Sight Height (0.3 to 15.2 cm)");
    EXPECT_EQ(hint(s, *r, FieldId::POI), "PoI below PoA: <= -0.25 cm");
    s.stateSH = Mm;
    EXPECT_EQ(hint(s, *r, FieldId::SH), "Sight Height (3 to 152 mm)");
    EXPECT_EQ(hint(s, *r, FieldId::ET), "Elapsed Time (Second)");
    s.stateET = MilliSecond;
    EXPECT_EQ(hint(s, *r, FieldId::ET), "Elapsed Time (millisecond)");
    EXPECT_EQ(hint(s, *r, FieldId::TMP), "Ambient Temperature (-20.0 to 60.0 °C)");
    s.stateTMP = Fahrenheit;
    EXPECT_EQ(hint(s, *r, FieldId::TMP), "Ambient Temperature (-4.0 to 140.0 °F)");
    EXPECT_EQ(hint(s, *r, FieldId::PRES), "Ambient Pressure (19.00 to 35.00 \"Hg)");
    s.statePRES = MmHg;
    EXPECT_EQ(hint(s, *r, FieldId::PRES), "Ambient Pressure (482.6 to 889.0 mmHg)");
    s.statePRES = MBar;
    EXPECT_EQ(hint(s, *r, FieldId::PRES), "Ambient Pressure (642.6 to 1183.8 mBar)");
    EXPECT_EQ(hint(s, *r, FieldId::HUMID), "Relative Humidity (0.0 to 100.0 %)");
    EXPECT_EQ(hint(s, *r, FieldId::BC), "<none>");
    EXPECT_EQ(hint(s, *r, FieldId::MV_TOL), "<none>");
    EXPECT_EQ(bc_field_tooltip(), "Ballistic Coefficient (0.0040 to 1.2000)");

    // A unit just past the end of its list has no hint, rather than a bound in some other unit
    s.statePOI = s.stateDROP = unit_count(Quantity::SmallLength);
    EXPECT_EQ(hint(s, *r, FieldId::POI), "<none>");
    EXPECT_EQ(hint(s, *r, FieldId::DROP), "<none>");
}

TEST(ZeroDisplay, CaptionValueAndTooltipInEachUnit) {
    CalcState s = first_run_state();
    const auto r = results(32.0f, 16.3f, 109.45f);
    ZeroDisplay z = zero_display(s, *r);
    EXPECT_EQ(z.caption, "Far Zero");
    EXPECT_EQ(z.text, "32.0");
    EXPECT_EQ(z.tooltip, "Far Zero Range (109 Yard max)");
    s.ShowFarZero = 0;
    z = zero_display(s, *r);
    EXPECT_EQ(z.caption, "Near Zero");
    EXPECT_EQ(z.text, "16.3");
    EXPECT_EQ(z.tooltip, "Near Zero Range (109 Yard MAX)");
    s.stateZR = Foot;
    z = zero_display(s, *r);
    EXPECT_EQ(z.text, "48.9");
    EXPECT_EQ(z.tooltip, "Near Zero Range (328 Foot max)");
    s.stateZR = Metre;
    EXPECT_EQ(zero_display(s, *r).tooltip, "Near Zero Range (100 Metre MAX)");
    s.ShowFarZero = 1;
    z = zero_display(s, *r);
    EXPECT_EQ(z.text, "29.3");
    EXPECT_EQ(z.tooltip, "Far Zero Range (100 Metre max)");
    s.stateZR = Foot;
    EXPECT_EQ(zero_display(s, *r).tooltip, "Far Zero Range (328 Foot max)");
    // The zero field shows the zero, not ZR.
    EXPECT_EQ(field_text(s, *r, FieldId::ZR), "96.0");
}

TEST(FieldTexts, EachValueInItsUnitWithItsDecimals) {
    CalcState s = first_run_state();
    const auto r = results(32.0f, 16.3f, 109.45f);
    s.MV = 1000.0f;
    s.stateMV = MPerS;
    EXPECT_EQ(field_text(s, *r, FieldId::MV), "304.8");
    s.MV = 1126.09f;
    s.TMP = 20.0f;
    s.stateMV = Mach;
    EXPECT_EQ(field_text(s, *r, FieldId::MV), "1.000");
    s.TMP = 0.0f;
    EXPECT_EQ(field_text(s, *r, FieldId::MV), "1.036");
    s.stateTR = Foot;
    EXPECT_EQ(field_text(s, *r, FieldId::TR), "120.0");
    s.stateTR = Metre;
    EXPECT_EQ(field_text(s, *r, FieldId::TR), "36.6");
    s.stateSH = Cm;
    EXPECT_EQ(field_text(s, *r, FieldId::SH), "4.2");
    s.stateSH = Mm;
    EXPECT_EQ(field_text(s, *r, FieldId::SH), "42");
    EXPECT_EQ(field_text(s, *r, FieldId::POI), "-19");
    EXPECT_EQ(field_text(s, *r, FieldId::ET), "0.17080");
    s.stateET = MilliSecond;
    EXPECT_EQ(field_text(s, *r, FieldId::ET), "170.80");
    s.TMP = 20.0f;
    s.stateTMP = Fahrenheit;
    EXPECT_EQ(field_text(s, *r, FieldId::TMP), "68.0");
    s.PRES = 29.92f;
    s.statePRES = MmHg;
    EXPECT_EQ(field_text(s, *r, FieldId::PRES), "760.0");
    s.statePRES = MBar;
    EXPECT_EQ(field_text(s, *r, FieldId::PRES), "1012.0");
    EXPECT_EQ(field_text(s, *r, FieldId::BC), "0.0195");
    EXPECT_EQ(field_text(s, *r, FieldId::HUMID), "32.0");
    EXPECT_EQ(field_text(s, *r, FieldId::MV_TOL), "1.6%");
    EXPECT_EQ(field_text(s, *r, FieldId::TV_TOL), "1.3%");
    // The target-range field shows the active method's slot.
    s.stateTR = Yard;
    s.stateRB = DeltaV;
    EXPECT_EQ(field_text(s, *r, FieldId::TR), "60.0");
}

TEST(FixedCaptions, MethodHeadingsAndPanelToggle) {
    EXPECT_EQ(std::string(method_heading(DeltaPOI)), "One Chronograph (∆POI)");
    EXPECT_EQ(std::string(method_heading(DeltaT)), "One Chronograph + Timer (∆T)");
    EXPECT_EQ(std::string(method_heading(DeltaV)), "Two Chronographs (∆V)");
    EXPECT_EQ(std::string(method_heading(DeltaD)), "One Chronograph + BoreSight (∆D)");
    EXPECT_EQ(std::string(panel_toggle(true).text), "<<");
    EXPECT_EQ(std::string(panel_toggle(false).tooltip), "Click to show graphs, table and confidence limits");
}

}  // namespace
}  // namespace velora
