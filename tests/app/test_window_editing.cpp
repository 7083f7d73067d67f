// The window driven with keys and clicks: commits, navigation, set-ups, units and drag laws.
#include <QPushButton>

#include "app_fixture.h"
#include "solver/bc_solver.h"
#include "solver/display_texts.h"
#include "tests/golden/golden_values.h"

namespace velora {
namespace {

using testing_support::AppTest;

class Editing : public AppTest {
protected:
    // Presses Tab (or Shift+Tab) `steps` times in the real window and notes where the focus goes.
    std::vector<int> walk(Qt::KeyboardModifiers mods, int steps) {
        std::vector<int> seen;
        for (int i = 0; i < steps; ++i) {
            press(Qt::Key_Tab, mods);
            seen.push_back(focused());
        }
        return seen;
    }
};

TEST_F(Editing, ATypedValueIsTakenOnlyWithTab) {
    write_prefs();
    start();
    const std::string velocity_before = text(FieldTV);
    const std::string time_before = text(FieldET);
    const std::string drop_before = text(FieldDROP);

    type_into(FieldMV, "850");
    // Clicking into another field does not commit the muzzle velocity.
    QTest::mouseClick(field_of(FieldTR), Qt::LeftButton);
    EXPECT_FLOAT_EQ(state_.MV, 785.0f);
    EXPECT_EQ(text(FieldMV), "850");
    EXPECT_EQ(text(FieldTV), velocity_before);

    focus_control(window(), FieldMV);
    press(Qt::Key_Tab);
    EXPECT_FLOAT_EQ(state_.MV, 850.0f);
    EXPECT_EQ(text(FieldMV), "850.0");
    // Every measurement now shows the new prediction.
    EXPECT_NE(text(FieldTV), velocity_before);
    EXPECT_NE(text(FieldET), time_before);
    EXPECT_NE(text(FieldDROP), drop_before);
    EXPECT_EQ(focused(), FieldZR) << "one chronograph: Tab goes on to the zero range";
    EXPECT_EQ(state_.mpag, FieldZR);
}

TEST_F(Editing, ReturnCommitsAndKeepsTheFocus) {
    write_prefs();
    start();
    type_into(FieldHUMID, "80");
    press(Qt::Key_Return);
    EXPECT_FLOAT_EQ(state_.HUMID, 80.0f);
    EXPECT_EQ(text(FieldHUMID), "80.0");
    EXPECT_EQ(focused(), FieldHUMID);

    // A value above its limit is clamped and shown so.
    type_into(FieldHUMID, "140");
    press(Qt::Key_Enter);
    EXPECT_FLOAT_EQ(state_.HUMID, 100.0f);
    EXPECT_EQ(text(FieldHUMID), "100.0");
}

TEST_F(Editing, TabOrdersOfEachSetUpAndBcDisplay) {
    write_prefs({{"mode", "0"}, {"stateBC_VAL", "0"}});
    start();
    struct Case {
        int method;
        int bc_as_result;
        std::vector<int> forward;  // from field 5
    };
    const Case cases[] = {
        {DeltaPOI, 0, {6, 7, 8, 10, 13, 14, 15, 16, 5}}, {DeltaPOI, 1, {6, 7, 8, 10, 14, 15, 16, 5}},
        {DeltaT, 0, {7, 11, 13, 14, 15, 16, 5}},         {DeltaT, 1, {7, 11, 14, 15, 16, 5}},
        {DeltaV, 0, {7, 9, 13, 14, 15, 16, 5}},          {DeltaV, 1, {7, 9, 14, 15, 16, 5}},
        {DeltaD, 0, {7, 12, 13, 14, 15, 16, 5}},         {DeltaD, 1, {7, 12, 14, 15, 16, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "method " << c.method << " bc shown as result " << c.bc_as_result);
        click(MethodButtonPOI + c.method);
        if (state_.stateBC_VAL != c.bc_as_result) double_click(ClickBC);
        ASSERT_EQ(state_.stateRB, c.method);
        ASSERT_EQ(state_.stateBC_VAL, c.bc_as_result);
        focus_control(window(), FieldMV);
        const int n = static_cast<int>(c.forward.size());
        EXPECT_EQ(walk(Qt::NoModifier, n), c.forward);
        // Shift+Tab retraces the cycle.
        std::vector<int> back(c.forward.rbegin() + 1, c.forward.rend());
        back.push_back(FieldMV);
        EXPECT_EQ(walk(Qt::ShiftModifier, n), back);
    }
}

TEST_F(Editing, ShiftTabFromTheFirstFieldReachesTheConfidencePageOnlyWhenItIsShown) {
    write_prefs({{"mode", "1"}, {"statePAN", "2"}, {"stateRB", "1"}});
    start();
    focus_control(window(), FieldMV);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), FieldMVTol);
    click(PanelButton);  // panel hidden: the last field is the humidity
    focus_control(window(), FieldMV);
    press(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), FieldHUMID);
}

TEST_F(Editing, EachSetUpOpensItsFieldsAndEmphasisesItsCaptions) {
    write_prefs();
    start();
    const int measurement_caption[] = {CaptionPOI, CaptionET, CaptionTV, CaptionDROP};
    for (int method = 0; method < 4; ++method) {
        SCOPED_TRACE(method);
        click(ClickMethodPOI + method);  // the caption's click area selects the set-up too
        EXPECT_EQ(state_.stateRB, method);
        EXPECT_TRUE(qobject_cast<QAbstractButton*>(control(window(), MethodButtonPOI + method))->isChecked());
        const std::vector<int> open[] = {{6, 8, 10}, {11}, {9}, {12}};
        for (int id : {6, 8, 9, 10, 11, 12}) {
            const bool expected = std::find(open[method].begin(), open[method].end(), id) != open[method].end();
            EXPECT_EQ(field_of(id)->isEnabled(), expected) << "field " << id;
        }
        for (int id : {5, 7, 14, 15, 16}) EXPECT_TRUE(field_of(id)->isEnabled()) << "field " << id;
        for (int m = 0; m < 4; ++m) {
            EXPECT_EQ(label(window(), MethodCaptionPOI + m)->font().bold(), m == method);
            EXPECT_EQ(label(window(), measurement_caption[m])->font().bold(), m == method);
        }
    }
}

TEST_F(Editing, AUnitChangeShowsTheSameValuesWithoutSolving) {
    write_prefs();
    start();
    const float mv = state_.MV, bc = state_.BC, tv = state_.TV;
    choose(UnitMV, 1);  // m/s
    EXPECT_EQ(state_.stateMV, 1);
    EXPECT_EQ(text(FieldMV), "239.3");  // 785 ft/s
    choose(UnitTR, 2);                  // metres
    EXPECT_EQ(text(FieldTR), "36.6");   // 40 yd
    choose(UnitTMP, 1);
    EXPECT_EQ(text(FieldTMP), "74.3");  // 23.5 °C
    EXPECT_EQ(state_.MV, mv);
    EXPECT_EQ(state_.BC, bc);
    EXPECT_EQ(state_.TV, tv);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(Editing, TwoChronographsSolveTheBcFromTheVelocityAtTheTarget) {
    write_prefs({{"stateRB", "2"}, {"stateBC_VAL", "1"}});
    start();
    const std::string time_before = text(FieldET);
    type_into(FieldTV, "600");
    press(Qt::Key_Tab);

    // The solved BC is the one under which the model loses exactly that much over the target range.
    EXPECT_EQ(state_.BC, golden::BcFor600AtTarget);
    EXPECT_EQ(text(BcResult), "0.0231");
    EXPECT_NEAR(std::stof(text(FieldTV)), 600.0f, 0.3f);
    EXPECT_NE(text(FieldET), time_before);
    EXPECT_EQ(focused(), FieldTMP) << "the BC is a result: Tab skips its field";
    EXPECT_TRUE(messages_.empty());
}

TEST_F(Editing, AnImprobableSolveKeepsTheBcAndSaysSo) {
    write_prefs({{"stateRB", "2"}});
    start();
    const float bc = state_.BC;
    type_into(FieldTV, "783");  // almost no loss over 60 yd: only a BC far above 1.2 explains it
    press(Qt::Key_Tab);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Input Error ... ");
    EXPECT_EQ(messages_[0].text, improbable_bc_message(state_.CURVE, false));
    EXPECT_FLOAT_EQ(state_.BC, bc);
}

TEST_F(Editing, ARefusedTemperatureLeavesEverythingAsItWas) {
    write_prefs();
    start();
    const std::string velocity = text(FieldTV);
    type_into(FieldTMP, "70");
    press(Qt::Key_Tab);
    EXPECT_FLOAT_EQ(state_.TMP, 23.5f);
    EXPECT_EQ(text(FieldTV), velocity);
    EXPECT_EQ(focused(), FieldPRES);
    type_into(FieldTMP, "60");
    press(Qt::Key_Tab);
    EXPECT_FLOAT_EQ(state_.TMP, 60.0f);
    EXPECT_NE(text(FieldTV), velocity);
}

TEST_F(Editing, AnotherDragLawCarriesTheBcOver) {
    write_prefs();
    start();
    const float velocity = state_.TV;
    choose(DragLawList, 0);  // G1
    EXPECT_EQ(state_.CURVE, G1);
    EXPECT_EQ(state_.stateBC, 0);
    EXPECT_NE(state_.BC, 0.0195f);
    EXPECT_NEAR(state_.TV, velocity, 1.0f) << "the velocity at the target stays";
    EXPECT_EQ(text(BcResult), bc_text(state_.BC));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(Editing, ADragLawWhoseBcWouldBeImprobableIsRefused) {
    write_prefs({{"BC", "0.8000"}, {"stateBC_VAL", "0"}});
    start();
    ASSERT_FLOAT_EQ(state_.BC, 0.8f);
    choose(DragLawList, 3);  // GS: a sphere would need a BC above 1.2 to fly like this
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Input Error ... ");
    EXPECT_EQ(messages_[0].text, improbable_bc_message(GS, false));
    EXPECT_EQ(state_.CURVE, GA2);
    EXPECT_FLOAT_EQ(state_.BC, 0.8f);
    EXPECT_EQ(list(window(), DragLawList)->currentIndex(), 2);
    EXPECT_EQ(text(FieldBC), "0.8000");
}

}  // namespace
}  // namespace velora
