// Typing into the window's fields from the keyboard: a field reached by Tab is typed over, a unit
// after the number is converted as velora-cli converts it, and a decimal comma is a point.
#include <QToolTip>

#include <cmath>

#include "app_fixture.h"
#include "cli/calc_json.h"
#include "cli/cli.h"
#include "cli/state_arguments.h"
#include "engine/number_text.h"
#include "services/preferences.h"
#include "solver/display_texts.h"
#include "solver/fields.h"

namespace velora {
namespace {

using testing_support::AppTest;

class KeyboardEntry : public AppTest {
protected:
    // The field that has the focus, with its whole text selected.
    void expect_typed_over(int id) {
        QLineEdit* f = field_of(id);
        ASSERT_NE(f, nullptr) << id;
        EXPECT_TRUE(f->hasSelectedText()) << "field " << id;
        EXPECT_EQ(f->selectedText(), f->text()) << "field " << id;
    }

    // A value inside the field's limits that it does not show: its number moved by 2 % (at least
    // one step of its last decimal) toward zero, the target range away from it (it may not come
    // closer than a quarter beyond the zero); written with the field's decimals.
    std::string another_value(int id) {
        std::string shown = text(id);
        const std::string mark = input(static_cast<FieldId>(id)).mark;
        if (!mark.empty() && shown.size() >= mark.size()) shown.resize(shown.size() - mark.size());
        const std::size_t point = shown.find('.');
        const int decimals = point == std::string::npos ? 0 : static_cast<int>(shown.size() - point - 1);
        const double step = std::pow(10.0, -decimals);
        const double value = read_number(shown);
        const double change = std::max(std::round(std::fabs(value) * 0.02 / step), 1.0) * step;
        const double magnitude = std::fabs(value) + (id == FieldTR ? change : -change);
        return format_fixed(std::copysign(magnitude, value), decimals);
    }

    // Goes once around the fields with Tab (or Shift+Tab): each field that Tab reaches is typed
    // over with another value and left with Tab again, which moves on into the next. Every field
    // then shows the value typed, and the state holds it.
    void type_around(Qt::KeyboardModifiers mods) {
        focus_control(window(), FieldMV);
        press(Qt::Key_Tab, mods);
        const int first = focused();
        int typed_fields = 0;
        do {
            const int id = focused();
            ASSERT_TRUE(is_input_field(id)) << id;
            expect_typed_over(id);
            const std::string typed = another_value(id);
            QTest::keyClicks(field_of(id), QString::fromStdString(typed));
            press(Qt::Key_Tab, mods);
            const Input& in = input(static_cast<FieldId>(id));
            const std::string expected = typed + in.mark;
            EXPECT_EQ(field_text(state_, app().results, in.field), text(id))
                << "the state holds what field " << id << " shows";
            if (in.change_kind == 2 && in.set_up == state_.stateRB) {
                // The measurement the BC is solved from shows what the solved BC predicts, which
                // may be one step of its last decimal off the time typed.
                const double step = std::pow(10.0, -static_cast<double>(typed.size() - typed.find('.') - 1));
                EXPECT_NEAR(read_number(text(id)), read_number(typed), step * 1.01) << "field " << id;
            } else {
                EXPECT_EQ(text(id), expected) << "field " << id;
            }
            ++typed_fields;
        } while (focused() != first && typed_fields < 20);
        EXPECT_GE(typed_fields, 7);
    }

    // What velora-cli takes for KEY=VALUE, given the preferences that the window would save now.
    CalcState cli_takes(const std::string& argument) {
        CalcState s;
        const auto error = load_state(preferences_text(state_), "Velora.prefs", {argument}, s);
        EXPECT_FALSE(error.has_value()) << argument << ": " << error.value_or("");
        return s;
    }

    // The member `name` of the state that `velora-cli solve` prints for KEY=VALUE, given the
    // preferences that the window would save now.
    std::string cli_solves(const std::string& argument, const std::string& name) {
        std::istringstream in(preferences_text(state_));
        std::ostringstream out, err;
        EXPECT_EQ(run_cli({"solve", "-", argument}, in, out, err), CliOk) << err.str();
        const std::string json = out.str(), key = "\"" + name + "\": ";
        const std::size_t at = json.find(key);
        if (at == std::string::npos) return {};
        const std::size_t from = at + key.size();
        return json.substr(from, json.find_first_of(",\n", from) - from);
    }

    // Types `typed` into a field and takes it with Tab.
    void enter(int id, const char* typed) {
        type_into(id, typed);
        press(Qt::Key_Tab);
    }
};

TEST_F(KeyboardEntry, TabTypesOverEveryFieldOfEverySetUpBothWays) {
    write_prefs({{"mode", "1"}, {"statePAN", "2"}, {"stateBC_VAL", "0"}});
    start();
    for (int method = DeltaPOI; method <= DeltaD; ++method) {
        SCOPED_TRACE(testing::Message() << "set-up " << method);
        click(MethodButtonPOI + method);
        ASSERT_EQ(state_.stateRB, method);
        {
            SCOPED_TRACE("Tab");
            type_around(Qt::NoModifier);
        }
        {
            SCOPED_TRACE("Shift+Tab");
            type_around(Qt::ShiftModifier);
        }
    }
    EXPECT_TRUE(messages_.empty()) << "every value typed lay inside its limits: " << messages_.front().text;
}

TEST_F(KeyboardEntry, ReturnSelectsTheTextItLeavesAndAClickPlacesTheCursor) {
    write_prefs();
    start();
    type_into(FieldHUMID, "45");
    press(Qt::Key_Return);
    EXPECT_EQ(focused(), FieldHUMID);
    expect_typed_over(FieldHUMID);
    QTest::keyClicks(field_of(FieldHUMID), "50");
    press(Qt::Key_Return);
    EXPECT_EQ(state_.HUMID, 50.0f);

    // A click into a field puts the cursor where it was clicked, selecting nothing.
    QLineEdit* mv = field_of(FieldMV);
    const QPoint at(mv->width() / 2 + 4, mv->height() / 2);
    QTest::mouseClick(mv, Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(focused(), FieldMV);
    EXPECT_FALSE(mv->hasSelectedText());
    EXPECT_EQ(mv->cursorPosition(), mv->cursorPositionAt(at));

    // Ctrl+A is About, not "select all".
    press(Qt::Key_A, Qt::ControlModifier);
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_.back().title, "About Velora");
    EXPECT_FALSE(mv->hasSelectedText());
}

TEST_F(KeyboardEntry, AUnitAfterTheNumberIsTakenAsVeloraCliTakesIt) {
    write_prefs();
    start();
    ASSERT_EQ(state_.stateTR, Yard);
    const int slot = state_.stateRB;

    CalcState cli = cli_takes("TR=50m");
    enter(FieldTR, "50m");
    EXPECT_EQ(state_.TRArray[slot], cli.TRArray[slot]);
    EXPECT_EQ(format_fixed(state_.TRArray[slot], 2), "54.68");
    EXPECT_EQ(text(FieldTR), "54.7");

    choose(UnitTR, Metre);
    cli = cli_takes("TR=54.68yd");
    enter(FieldTR, "54.68yd");
    EXPECT_EQ(state_.TRArray[slot], cli.TRArray[slot]);
    EXPECT_EQ(text(FieldTR), "50.0");

    // A new muzzle velocity keeps the BC and predicts the measurements.
    const float bc = state_.BC;
    const std::string poi = text(FieldPOI);
    cli = cli_takes("MV=240m/s");
    enter(FieldMV, "240m/s");
    EXPECT_EQ(state_.MV, cli.MV);
    EXPECT_EQ(text(FieldMV), "787.4");
    EXPECT_EQ(state_.BC, bc);
    EXPECT_NE(text(FieldPOI), poi);

    ASSERT_EQ(state_.stateTMP, Celsius);
    cli = cli_takes("TMP=68F");
    enter(FieldTMP, "68F");
    EXPECT_EQ(state_.TMP, cli.TMP);
    EXPECT_EQ(text(FieldTMP), "20.0");

    ASSERT_EQ(state_.statePRES, InHg);
    cli = cli_takes("PRES=1013hPa");
    enter(FieldPRES, "1013hPa");
    EXPECT_EQ(state_.PRES, cli.PRES);
    EXPECT_EQ(text(FieldPRES), "29.95");

    // A decimal comma, where the command line takes the point.
    cli = cli_takes("MV=1052.5");
    enter(FieldMV, "1052,5");
    EXPECT_EQ(state_.MV, cli.MV);
    EXPECT_EQ(text(FieldMV), "1052.5");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(KeyboardEntry, ATimeInMillisecondsIsTakenAsVeloraCliTakesIt) {
    // A shot whose time of flight over 10 yd is 12 ms: a fast bullet.
    write_prefs({{"stateRB", "1"}, {"TRArray(1)", "10.00"}, {"MV", "2700.0"}, {"stateBC", "5"}, {"CURVE", "4"}});
    start();
    ASSERT_EQ(state_.stateET, Second);
    EXPECT_EQ(cli_takes("ET=12ms").ET, 0.012f);
    // The window solves the BC from the time at once, as velora-cli solve does.
    const std::string solved = cli_solves("ET=12ms", "ET");
    const std::string bc = cli_solves("ET=12ms", "BC");
    enter(FieldET, "12ms");
    EXPECT_EQ(json_number(state_.ET), solved);
    EXPECT_EQ(json_number(state_.BC), bc);
    EXPECT_EQ(text(FieldET), "0.01200");
    EXPECT_TRUE(messages_.empty()) << messages_.front().text;
}

TEST_F(KeyboardEntry, AUnitTheFieldDoesNotTakeLeavesItAsItWasAndSaysWhy) {
    write_prefs();
    start();
    const CalcState before = state_;
    const std::string shown = text(FieldTR);
    CalcState refused;
    EXPECT_TRUE(load_state(preferences_text(state_), "Velora.prefs", {"TR=50kg"}, refused).has_value())
        << "velora-cli refuses it as well";

    enter(FieldTR, "50kg");
    EXPECT_EQ(state_.TRArray[state_.stateRB], before.TRArray[before.stateRB]);
    EXPECT_EQ(text(FieldTR), shown);
    // The focus stays, ready for another try, and a tooltip under the field says why.
    EXPECT_EQ(focused(), FieldTR);
    expect_typed_over(FieldTR);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text().toStdString(),
              "Not taken: 'kg' is not a unit of range (yd, m, ft). The field keeps its value.");
    // A velocity is no range.
    enter(FieldTR, "50m/s");
    EXPECT_EQ(text(FieldTR), shown);
    EXPECT_NE(QToolTip::text().indexOf("not a unit of range"), -1);
    // The next value is taken, and the tooltip goes with the focus.
    enter(FieldTR, "45");
    EXPECT_EQ(state_.TRArray[state_.stateRB], 45.0f);
    EXPECT_EQ(focused(), FieldSH);
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_TRUE(messages_.empty());
}

}  // namespace
}  // namespace velora
