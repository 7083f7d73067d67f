// The preferences window: built hidden and placed at start-up, its three options, "OK" against
// the close box, the preferences file written on closing, the tooltips of the whole window
// following the tooltip option, and the window's remembered position.
#include <QCheckBox>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "app/app_texts.h"
#include "app/dispatch.h"
#include "app/preferences_window.h"
#include "app_fixture.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::pref_value;
using testing_support::read_file;

class PreferencesDialog : public AppTest {
protected:
    PreferencesWindow& prefs() { return app().preferences; }

    // Picks "Preferences" from the menu; once the modal dialog runs, `act` works it and must end
    // it (OK or the close box). Returns whether `act` ran inside the dialog.
    bool run_preferences(const std::function<void(PreferencesWindow&)>& act) {
        bool ran = false;
        QPointer<QDialog> dialog = prefs().dialog;
        QTimer::singleShot(0, dialog, [&] {
            ran = true;
            EXPECT_TRUE(dialog->isVisible());
            EXPECT_EQ(QApplication::activeModalWidget(), dialog.data()) << "the main window takes no input";
            act(prefs());
            // A test that forgot to end the dialog fails here instead of hanging.
            if (dialog && dialog->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                dialog->reject();
            }
        });
        window().items.at(MenuPreferences)->trigger();
        return ran;
    }

    static void click_box(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(7, 10)); }
    static void click_ok(PreferencesWindow& p) { QTest::mouseClick(p.ok, Qt::LeftButton); }
    static void close_box(PreferencesWindow& p) { p.dialog->close(); }

    std::string saved() { return read_file(prefs_path()); }

    // The input fields with a range hint now.
    std::vector<int> fields_with_hints() {
        std::vector<int> ids;
        for (int id = FieldMV; id <= FieldTVTol; ++id)
            if (!control(window(), id)->toolTip().isEmpty()) ids.push_back(id);
        return ids;
    }
};

TEST(PreferencesPlace, CentredOnlyOnAFirstRun) {
    CalcState s;
    s.WinX[1] = -1;
    s.WinY[1] = -1;
    place_preferences_window(s, 1920, 1080);
    EXPECT_EQ(s.WinX[1], 850);
    EXPECT_EQ(s.WinY[1], 450);
    place_preferences_window(s, 800, 600);
    EXPECT_EQ(s.WinX[1], 850) << "placed once";
    s.WinX[1] = -1;
    s.WinY[1] = 30;
    place_preferences_window(s, 1921, 1081);
    EXPECT_EQ(s.WinX[1], -1) << "only both at -1 mean a first run";
    s.WinY[1] = -1;
    place_preferences_window(s, 1921, 1081);
    EXPECT_EQ(s.WinX[1], 850) << "integer division";
    EXPECT_EQ(s.WinY[1], 450);
}

TEST_F(PreferencesDialog, BuiltHiddenAndCentredOnTheFirstRun) {
    write_prefs();
    start();
    PreferencesWindow& p = prefs();
    ASSERT_NE(p.dialog, nullptr);
    EXPECT_FALSE(p.dialog->isVisible());
    EXPECT_EQ(p.dialog->parentWidget(), window().window.get());
    EXPECT_EQ(p.dialog->windowTitle(), "Preferences");
    EXPECT_EQ(p.dialog->size(), QSize(200, 215));
    EXPECT_NE(p.dialog->windowModality(), Qt::NonModal);
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(state_.WinX[1], (desktop.width() - 220) / 2);
    EXPECT_EQ(state_.WinY[1], (desktop.height() - 180) / 2);
    EXPECT_EQ(p.dialog->pos(), QPoint(state_.WinX[1], state_.WinY[1]));

    // Three boxes without text, each with its two caption lines beside it, then "OK".
    const char* captions[3][2] = {{"Enable update check", "on start up"},
                                  {"Enable ORMA logo", "on start and exit"},
                                  {"Enable Tooltips", "(may require restart)"}};
    QCheckBox* boxes[3] = {p.update_box, p.logo_box, p.tooltip_box};
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(boxes[row]->text().isEmpty());
        EXPECT_EQ(boxes[row]->parentWidget(), p.dialog);
        for (int line = 0; line < 2; ++line) {
            EXPECT_EQ(p.captions[row][line]->text(), captions[row][line]);
            EXPECT_GE(p.captions[row][line]->x(), boxes[row]->geometry().right()) << "beside the box";
        }
        EXPECT_LT(p.captions[row][0]->y(), p.captions[row][1]->y());
        if (row > 0) {
            EXPECT_GT(boxes[row]->y(), boxes[row - 1]->y()) << "top to bottom";
        }
    }
    EXPECT_EQ(p.ok->text(), "OK");
    EXPECT_EQ(p.ok->size(), QSize(80, 25));
    EXPECT_GT(p.ok->y(), p.tooltip_box->y());
    EXPECT_LE(p.ok->geometry().bottom(), 215);
}

TEST_F(PreferencesDialog, TheBoxesShowTheFlagsAndEachClickCountsAtOnce) {
    write_prefs({{"AutoUpdateCheck", "0"}, {"AutoLogoCheck", "1"}, {"EnableToolTips", "1"}});
    start();
    ASSERT_TRUE(run_preferences([this](PreferencesWindow& p) {
        EXPECT_FALSE(p.update_box->isChecked());
        EXPECT_TRUE(p.logo_box->isChecked());
        EXPECT_TRUE(p.tooltip_box->isChecked());
        click_box(p.update_box);
        EXPECT_EQ(state_.AutoUpdateCheck, 1);
        click_box(p.logo_box);
        EXPECT_EQ(state_.AutoLogoCheck, 0);
        click_box(p.tooltip_box);
        EXPECT_EQ(state_.EnableToolTips, 0);
        click_ok(p);
    }));
    EXPECT_FALSE(prefs().dialog->isVisible());
    EXPECT_EQ(state_.AutoUpdateCheck, 1);
    EXPECT_EQ(state_.AutoLogoCheck, 0);
    EXPECT_EQ(state_.EnableToolTips, 0);
    // OK saved the file at once, the flags as integers 0 or 1.
    std::string text = saved();
    EXPECT_EQ(text.substr(0, 5), "\xEF\xBB\xBF\r\n") << "written by the program";
    EXPECT_EQ(pref_value(text, "AutoUpdateCheck"), "1");
    EXPECT_EQ(pref_value(text, "AutoLogoCheck"), "0");
    EXPECT_EQ(pref_value(text, "EnableToolTips"), "0");

    // Once more, the other way round: the boxes show the new flags.
    ASSERT_TRUE(run_preferences([this](PreferencesWindow& p) {
        EXPECT_TRUE(p.update_box->isChecked());
        EXPECT_FALSE(p.logo_box->isChecked());
        EXPECT_FALSE(p.tooltip_box->isChecked());
        click_box(p.update_box);
        click_box(p.logo_box);
        click_box(p.tooltip_box);
        click_ok(p);
    }));
    text = saved();
    EXPECT_EQ(pref_value(text, "AutoUpdateCheck"), "0");
    EXPECT_EQ(pref_value(text, "AutoLogoCheck"), "1");
    EXPECT_EQ(pref_value(text, "EnableToolTips"), "1");
    EXPECT_TRUE(window().window->isEnabled());
}

TEST_F(PreferencesDialog, TheCloseBoxPutsBackTheStartUpOptionsButKeepsTheTooltips) {
    write_prefs({{"AutoUpdateCheck", "1"}, {"AutoLogoCheck", "1"}, {"EnableToolTips", "1"}});
    start();  // with the update check against the local site, which has this version: silent
    EXPECT_TRUE(messages_.empty());
    ASSERT_TRUE(run_preferences([this](PreferencesWindow& p) {
        click_box(p.update_box);
        click_box(p.logo_box);
        click_box(p.tooltip_box);
        EXPECT_EQ(state_.AutoUpdateCheck, 0);
        EXPECT_EQ(state_.AutoLogoCheck, 0);
        close_box(p);
    }));
    EXPECT_FALSE(prefs().dialog->isVisible());
    EXPECT_EQ(state_.AutoUpdateCheck, 1);
    EXPECT_EQ(state_.AutoLogoCheck, 1);
    EXPECT_EQ(state_.EnableToolTips, 0);
    const std::string text = saved();
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << "closing saves too";
    EXPECT_EQ(pref_value(text, "AutoUpdateCheck"), "1");
    EXPECT_EQ(pref_value(text, "AutoLogoCheck"), "1");
    EXPECT_EQ(pref_value(text, "EnableToolTips"), "0");
    // The main window takes input again.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window().window.get()));
    QTest::keyClick(field_of(FieldMV), Qt::Key_Escape);
    EXPECT_EQ(loop_ends_, 1);
}

TEST_F(PreferencesDialog, TooltipsGoFromTheFieldsAtTheClickAndFromEverythingOnClosing) {
    write_prefs({{"mode", "1"}});
    start();
    const std::vector<int> hinted = fields_with_hints();
    ASSERT_GE(hinted.size(), 8u);
    // The BC field's tooltip is a fixed one; the other fields carry range hints.
    std::vector<int> range_hinted;
    for (int id : hinted)
        if (id != FieldBC) range_hinted.push_back(id);
    ASSERT_EQ(range_hinted.size() + 1, hinted.size());
    const auto fixed = fixed_tooltips();
    for (const auto& [id, text] : fixed) EXPECT_EQ(control(window(), id)->toolTip().toStdString(), text) << id;

    ASSERT_TRUE(run_preferences([&](PreferencesWindow& p) {
        click_box(p.tooltip_box);
        // The range hints are gone at once, while the fixed tooltips wait for the closing.
        EXPECT_EQ(fields_with_hints(), std::vector<int>{FieldBC});
        EXPECT_FALSE(control(window(), CaptionMV)->toolTip().isEmpty());
        click_ok(p);
    }));
    EXPECT_TRUE(fields_with_hints().empty());
    for (const auto& [id, text] : fixed) EXPECT_TRUE(control(window(), id)->toolTip().isEmpty()) << id;

    // And back: every tooltip returns as soon as the box is ticked again and the dialog closes.
    ASSERT_TRUE(run_preferences([&](PreferencesWindow& p) {
        click_box(p.tooltip_box);
        EXPECT_EQ(fields_with_hints(), range_hinted);
        close_box(p);
    }));
    EXPECT_EQ(fields_with_hints(), hinted);
    for (const auto& [id, text] : fixed) EXPECT_EQ(control(window(), id)->toolTip().toStdString(), text) << id;
    EXPECT_EQ(field_of(FieldBC)->toolTip(), "Ballistic Coefficient (0.0040 to 1.2000)");
}

TEST_F(PreferencesDialog, ThePositionIsRememberedFromOneRunToTheNext) {
    write_prefs();
    start();
    ASSERT_TRUE(run_preferences([](PreferencesWindow& p) {
        p.dialog->move(123, 77);
        click_ok(p);
    }));
    EXPECT_EQ(pref_value(saved(), "WinX(1)"), "123");
    EXPECT_EQ(pref_value(saved(), "WinY(1)"), "77");
    // Moved once more while shown, then the program ends: the exit saves where it was left.
    ASSERT_TRUE(run_preferences([](PreferencesWindow& p) {
        p.dialog->move(140, 95);
        close_box(p);
    }));
    press(Qt::Key_Escape);
    end_program(app());
    EXPECT_EQ(pref_value(saved(), "WinX(1)"), "140");

    app_.reset();
    state_ = CalcState{};
    start();
    EXPECT_EQ(state_.WinX[1], 140);
    EXPECT_EQ(state_.WinY[1], 95);
    EXPECT_EQ(prefs().dialog->pos(), QPoint(140, 95));
    ASSERT_TRUE(run_preferences([](PreferencesWindow& p) {
        EXPECT_EQ(p.dialog->pos(), QPoint(140, 95)) << "it opens where it was left";
        click_ok(p);
    }));
}

}  // namespace
}  // namespace velora
