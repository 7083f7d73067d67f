// What the window shows is what the calculation uses: the tooltips of the captions under their
// click areas, and every field rewritten after a commit that the checks clamped or refused.
#include <QFontMetrics>
#include <QHelpEvent>
#include <QToolTip>

#include "app_fixture.h"
#include "solver/display_texts.h"

namespace velora {
namespace {

using testing_support::AppTest;

class Display : public AppTest {
protected:
    // The tooltip that hovering the middle of a caption brings up, or "" when none shows.
    std::string hover_tooltip(int caption) {
        QWidget* c = control(window(), caption);
        QWidget* parent = c->parentWidget();
        const QPoint middle = c->geometry().center();
        QWidget* under = parent->childAt(middle);
        if (under == nullptr) return "<nothing under the caption>";
        QToolTip::hideText();
        QHelpEvent hover(QEvent::ToolTip, under->mapFrom(parent, middle), parent->mapToGlobal(middle));
        QApplication::sendEvent(under, &hover);
        const std::string shown = QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
        QToolTip::hideText();
        return shown;
    }

    // Types into a field and commits it with Tab.
    void commit(int id, const char* typed) {
        type_into(id, typed);
        focus_control(window(), id);
        press(Qt::Key_Tab);
    }

    std::string in_use(FieldId f) { return field_text(state_, app().results, f); }
};

TEST_F(Display, TheCaptionsUnderClickAreasShowTheirTooltips) {
    write_prefs();
    start();
    const std::pair<int, const char*> captions[] = {
        {CaptionZR, "Click to toggle between Near and Far Zero"},
        {CaptionBC, "Ballistic Coefficient. Double-click to toggle data entry"},
        {MethodCaptionPOI, "Single Chronograph at the Muzzle"},
        {MethodCaptionT, "Single Chronograph at the Muzzle plus time-of-flight timer"},
        {MethodCaptionV, "One Chronograph at the Muzzle, another at the Target"},
        {MethodCaptionD, "One Chronograph at the Muzzle measuring deflection from LoD"},
    };
    for (const auto& [caption, tip] : captions) EXPECT_EQ(hover_tooltip(caption), tip) << caption;
    // A caption without a click area shows its own.
    EXPECT_EQ(hover_tooltip(CaptionMV), "Projectile Velocity @ Muzzle");
}

TEST_F(Display, WithoutTooltipsTheClickAreasShowNoneEither) {
    write_prefs({{"EnableToolTips", "0"}});
    start();
    for (int caption : {CaptionZR, CaptionBC, MethodCaptionPOI, MethodCaptionT, MethodCaptionV, MethodCaptionD})
        EXPECT_EQ(hover_tooltip(caption), "") << caption;
}

TEST_F(Display, AClampedOrRefusedEntryIsReplacedByTheValueInUse) {
    write_prefs({{"mode", "0"}});
    start();
    // The target must lie a quarter beyond the 32-yd zero: 5 yd stays 40 yd.
    commit(FieldTR, "5");
    EXPECT_FLOAT_EQ(state_.TRArray[0], 40.0f);
    EXPECT_EQ(text(FieldTR), "40.0");

    // Text that is no number reads as 0, which the lowest muzzle velocity replaces.
    commit(FieldMV, "150");
    EXPECT_EQ(text(FieldMV), "200.0");
    commit(FieldMV, "abc");
    EXPECT_FLOAT_EQ(state_.MV, 200.0f);
    EXPECT_EQ(text(FieldMV), "200.0");

    // A temperature or pressure outside the air's range is refused: the old value shows again.
    commit(FieldTMP, "70");
    EXPECT_FLOAT_EQ(state_.TMP, 23.5f);
    EXPECT_EQ(text(FieldTMP), "23.5");
    commit(FieldPRES, "50");
    EXPECT_EQ(text(FieldPRES), "28.42");

    // The zero is held at its limit; the second time nothing changes, and the field shows it.
    commit(FieldZR, "2000");
    const float top = state_.ZR;
    EXPECT_FLOAT_EQ(top, app().results.MaxZeroRange);
    commit(FieldZR, "2000");
    EXPECT_FLOAT_EQ(state_.ZR, top);
    EXPECT_EQ(text(FieldZR), in_use(FieldId::ZR));
    EXPECT_NE(text(FieldZR), "2000");

    // The same value in other words ("1.650" for 1.65) is shown as the program writes it.
    commit(FieldSH, "1.650");
    EXPECT_EQ(text(FieldSH), "1.65");
    commit(FieldHUMID, "32");
    EXPECT_EQ(text(FieldHUMID), "32.0");
}

TEST_F(Display, TheZeroFieldShowsTheZeroItsCaptionNames) {
    write_prefs({{"mode", "0"}});
    start();
    click(ClickZero);
    ASSERT_EQ(text(CaptionZR), "Near Zero");
    const std::string near_zero = text(FieldZR);
    ASSERT_NE(near_zero, "32.0");
    // 32 yd is the far zero already: nothing changes, and the near zero shows again.
    commit(FieldZR, "32");
    EXPECT_FLOAT_EQ(state_.ZR, 32.0f);
    EXPECT_EQ(text(CaptionZR), "Near Zero");
    EXPECT_EQ(text(FieldZR), near_zero);
}

TEST_F(Display, AValueThatRoundsToZeroShowsNoMinusSign) {
    // Two chronographs with the target at the far zero: the predicted POI there lies a hair from
    // the line of sight.
    write_prefs({{"mode", "0"}, {"stateRB", "2"}, {"statePOI", "0"}, {"TRArray(2)", "32.0"}});
    start();
    ASSERT_FLOAT_EQ(state_.TRArray[2], 32.0f);
    EXPECT_NEAR(state_.POI, 0.0f, 0.005f);
    EXPECT_EQ(text(FieldPOI), "0.00");
}

TEST_F(Display, NoCaptionTextTouchesAFieldOrList) {
    write_prefs();
    start();
    MainWindow& w = window();
    for (int method = 0; method < 4; ++method) {
        click(ClickMethodPOI + method);
        ASSERT_EQ(state_.stateRB, method);
        for (const auto& [id, c] : w.controls) {
            const auto* caption = qobject_cast<const QLabel*>(c);
            if (caption == nullptr || caption->isHidden() || caption->wordWrap() || caption->parentWidget() != w.inputs)
                continue;
            // Where the caption's text lies across, by its font and alignment.
            const QRect at = caption->geometry();
            const int width = QFontMetrics(caption->font()).horizontalAdvance(caption->text());
            int left = at.left() + (at.width() - width) / 2;
            if (caption->alignment() & Qt::AlignLeft) left = at.left();
            if (caption->alignment() & Qt::AlignRight) left = at.right() + 1 - width;
            const int right = left + width;  // one past the text
            for (const auto& [other_id, o] : w.controls) {
                const bool field_or_list =
                    qobject_cast<QLineEdit*>(o) != nullptr || qobject_cast<QComboBox*>(o) != nullptr;
                if (!field_or_list || o->isHidden() || o->parentWidget() != w.inputs) continue;
                const QRect box = o->geometry();
                if (box.top() > at.bottom() || box.bottom() < at.top()) continue;
                EXPECT_TRUE(right < box.left() || left > box.right() + 1)
                    << "caption " << id << " (" << left << ".." << right << ") touches " << other_id << " at "
                    << box.left() << ", set-up " << method;
            }
        }
    }
}

}  // namespace
}  // namespace velora
