// The table of the input fields: every row names its own parts of the state, and the checks, the
// texts and the limits that are made from it keep to what the row says.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>

#include "engine/number_text.h"
#include "solver/display_texts.h"
#include "solver/field_checks.h"
#include "solver/fields.h"
#include "solver/recalculate.h"
#include "tests/fixtures/first_run.h"

namespace velora {
namespace {

using testing::first_run_state;

// The first-run state after its start-up pass, each field in its internal unit.
struct InternalUnits {
    CalcState s = first_run_state();
    std::unique_ptr<CalcResults> r = std::make_unique<CalcResults>();
    InternalUnits() {
        for (const Input& in : Inputs)
            if (in.unit != nullptr) s.*in.unit = internal_unit(quantity_of(in.kind));
        s.ChangeKind = 1;
        recalculate(s, *r, false);
    }
};

TEST(Inputs, EachRowHasAPartOfTheStateOfItsOwn) {
    std::set<std::string> names, keys;
    CalcState state;
    std::set<const void*> parts;  // the values and the unit selections, where they lie in the state
    for (const Input& in : Inputs) {
        SCOPED_TRACE(in.name);
        EXPECT_EQ(field_from_id(static_cast<int>(in.field)), in.field);
        EXPECT_EQ(&input(in.field), &in);
        EXPECT_TRUE(names.insert(in.name).second);
        if (in.key != nullptr) {
            EXPECT_TRUE(keys.insert(in.key).second);
        }
        EXPECT_EQ(in.key != nullptr, in.missing != nullptr) << "a stored value reads as something when missing";
        EXPECT_TRUE(parts.insert(&(state.*in.value)).second);
        // A unit list exactly for what is measured in a unit of one.
        const bool listed = in.kind != ValueKind::Plain && in.kind != ValueKind::Percent;
        EXPECT_EQ(in.unit != nullptr, listed);
        if (in.unit != nullptr) {
            EXPECT_TRUE(parts.insert(&(state.*in.unit)).second);
        }
        EXPECT_LE(in.range.low, in.range.high);
        EXPECT_LE(in.loaded.low, in.loaded.high);
        EXPECT_TRUE(in.set_up == AnySetUp || (in.set_up >= DeltaPOI && in.set_up <= DeltaD));
        EXPECT_TRUE(in.caption != nullptr && in.spoken != nullptr && in.about != nullptr);
        EXPECT_EQ(in.other_set_ups != nullptr, in.set_up != AnySetUp && in.elsewhere != Elsewhere::Noted);
    }
    // The value a field edits is the one its row names, but for the target range's slots.
    CalcState s = first_run_state();
    float distinct = 1.0f;
    for (const Input& in : Inputs) s.*in.value = distinct++;
    for (const Input& in : Inputs) {
        const float expected = in.field == FieldId::TR ? s.TRArray[active_slot(s)] : s.*in.value;
        EXPECT_EQ(field_value(s, in.field), expected) << in.name;
    }
}

// A value typed beyond either end of a row's range, in the internal unit, is clamped to that end
// or refused, as the row says; one within it is kept. (The zero and the target range have limits
// of the flight besides, tested with their checks.)
TEST(Inputs, EachCheckKeepsToItsRowsRange) {
    for (const Input& in : Inputs) {
        if (in.field == FieldId::ZR || in.field == FieldId::TR) continue;
        SCOPED_TRACE(in.name);
        const auto typed = [&in](float value) {
            InternalUnits u;
            const float before = field_value(u.s, in.field);
            // The number typed: the sign rule must give `value` back.
            const float number = in.sign == Sign::Negated ? -value : value;
            commit_field(u.s, *u.r, in.field, format_fixed(number, 6));
            return std::make_pair(field_value(u.s, in.field), before);
        };
        for (const float end : {in.range.low, in.range.high}) {
            if (!std::isfinite(end)) continue;
            const float beyond = end + (end == in.range.low ? -0.5f : 0.5f) * std::max(std::fabs(end), 1.0f);
            if ((in.sign == Sign::Absolute && beyond < 0.0f) || (in.sign == Sign::Negated && beyond > 0.0f)) continue;
            const auto [now, before] = typed(beyond);
            EXPECT_EQ(now, in.outside == Outside::Clamped ? end : before) << "beyond " << end;
        }
        float inside = 1.0f;
        if (std::isfinite(in.range.low) && std::isfinite(in.range.high))
            inside = (in.range.low + in.range.high) / 2.0f;
        else if (std::isfinite(in.range.high))
            inside = in.range.high - 1.0f;
        else if (std::isfinite(in.range.low))
            inside = in.range.low + 1.0f;
        if (in.field != FieldId::TV) {
            EXPECT_EQ(typed(inside).first, std::stof(format_fixed(inside, 6))) << inside;
        }
    }
}

TEST(Inputs, FieldsWithoutAUnitListShowTheirRowsDecimalsAndMark) {
    InternalUnits u;
    u.s.BC = 0.01953f;
    u.s.HUMID = 32.04f;
    u.s.MV_TOL = 1.55f;
    EXPECT_EQ(field_text(u.s, *u.r, FieldId::BC), "0.0195");
    EXPECT_EQ(field_text(u.s, *u.r, FieldId::HUMID), "32.0");
    EXPECT_EQ(field_text(u.s, *u.r, FieldId::MV_TOL), format_fixed(1.55f, 1) + "%");
}

TEST(Inputs, TheRangeOfTheMomentFollowsTheOtherValues) {
    InternalUnits u;
    u.s.MV = 850.0f;
    EXPECT_EQ(field_range(u.s, *u.r, FieldId::TV).high, 848.0f);
    EXPECT_EQ(field_range(u.s, *u.r, FieldId::ZR).high, u.r->MaxZeroRange);
    u.s.stateRB = DeltaD;
    EXPECT_EQ(field_range(u.s, *u.r, FieldId::TR).low, 20.0f);
    EXPECT_EQ(field_range(u.s, *u.r, FieldId::TR).high, u.r->MaxTargetRange);
    u.s.stateRB = DeltaPOI;
    EXPECT_EQ(field_range(u.s, *u.r, FieldId::TR).low, 1.25f * u.r->trajectory.FarZero);
    EXPECT_EQ(field_range(u.s, *u.r, FieldId::SH).low, input(FieldId::SH).range.low);
    EXPECT_TRUE(refused(u.s, FieldId::TMP, "61"));
    EXPECT_FALSE(refused(u.s, FieldId::TMP, "60"));
    EXPECT_FALSE(refused(u.s, FieldId::MV, "9000")) << "clamped, not refused";
}

}  // namespace
}  // namespace velora
