// The keyboard focus as it is seen: every control of the main window, the preferences window and
// the Fit from Shots window that takes the focus, drawn without and with it, in the light and the
// dark look. The two pictures differ by a mark that stands at least 3 : 1 against what was there.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTreeWidget>

#include <set>

#include "app/fit_window.h"
#include "app/focus_mark.h"
#include "app/preferences_window.h"
#include "app_fixture.h"
#include "tests/fixtures/style_marks.h"

namespace velora {
namespace {

using testing::pixel;
using testing_support::AppTest;

class FocusMarks : public AppTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        AppTest::SetUp();
        dark_desktop_ = GetParam();
    }

    // The controls of `window` that take the focus from the keyboard and can take it now.
    static std::vector<QWidget*> focusable(QWidget* window) {
        std::vector<QWidget*> found;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            if (w->window() != window || !w->isVisible() || !w->isEnabled()) continue;
            // A control that hands its focus on (a tab panel to its tab strip) is seen through that.
            if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() != nullptr) continue;
            found.push_back(w);
        }
        return found;
    }

    static std::string name_of(const QWidget* w) {
        std::string name = w->metaObject()->className();
        if (const int id = control_id_of(w); id != NoControl) name += " " + std::to_string(id);
        if (!w->accessibleName().isEmpty()) name += " '" + w->accessibleName().toStdString() + "'";
        return name;
    }

    // The pixels of `with` that stand at least 3 : 1 against the same pixel of `without`.
    static int marked_pixels(const QImage& without, const QImage& with) {
        int n = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                if (contrast_ratio(pixel(with, x, y), pixel(without, x, y)) >= MarkContrast) ++n;
        return n;
    }

    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }

    // Grabs the neighbourhood of `c` in its window while `elsewhere` has the focus and while `c`
    // has it: at least half of a ring two pixels wide around the mark stands out.
    void expect_mark(QWidget* c, QWidget* elsewhere) {
        const std::string name = name_of(c);
        QWidget* window = c->window();
        const QRect ring = focus_mark_rect(c);
        const QRect around =
            (ring | QRect(c->mapTo(window, QPoint(0, 0)), c->size())).adjusted(-3, -3, 3, 3) & window->rect();

        elsewhere->setFocus(Qt::TabFocusReason);
        settle();
        ASSERT_TRUE(elsewhere->hasFocus()) << name_of(elsewhere);
        const QImage without = window->grab(around).toImage();
        c->setFocus(Qt::TabFocusReason);
        settle();
        ASSERT_TRUE(c->hasFocus()) << name;
        const QImage with = window->grab(around).toImage();
        ASSERT_EQ(with.size(), without.size());
        const int perimeter = 2 * (ring.width() + ring.height());
        EXPECT_GE(marked_pixels(without, with), perimeter) << name << " " << (GetParam() ? "dark" : "light");
        tested_.insert(c);
    }

    // Each control of `window` not tested yet, with `elsewhere` (or, for itself, `other`) holding
    // the focus in between.
    void expect_marks(QWidget* window, QWidget* elsewhere, QWidget* other) {
        for (QWidget* c : focusable(window))
            if (!tested_.count(c)) expect_mark(c, c == elsewhere ? other : elsewhere);
    }

    std::set<QWidget*> tested_;
};

TEST_P(FocusMarks, EveryControlOfTheMainWindow) {
    write_prefs({{"mode", "1"}, {"statePAN", "2"}, {"stateBC_VAL", "0"}});
    start();
    MainWindow& w = window();
    ASSERT_EQ(state_.DarkMode, GetParam() ? 1 : 0);
    const QSize size = w.window->size();
    for (int method = DeltaPOI; method <= DeltaD; ++method) {
        click(MethodButtonPOI + method);
        ASSERT_EQ(state_.stateRB, method);
        expect_marks(w.window.get(), control(w, FieldMV), control(w, FieldHUMID));
    }
    std::set<int> ids;
    for (QWidget* c : tested_) ids.insert(control_id_of(c));
    std::vector<int> expected = {PanelButton, OutputPanel, DragLawList, ClickZero, ClickBC, ClickDensity};
    for (int id = FirstFieldId; id <= LastFieldId; ++id) expected.push_back(id);
    for (int id = MethodButtonPOI; id <= MethodButtonD; ++id) expected.push_back(id);
    for (int id : {UnitMV, UnitZR, UnitTR, UnitSH, UnitTV, UnitPOI, UnitDROP, UnitET, UnitTMP, UnitPRES})
        expected.push_back(id);
    for (int id : expected)
        EXPECT_TRUE(ids.count(id)) << "control " << id << " was not among those that take the focus";
    EXPECT_EQ(w.window->size(), size) << "the window keeps its fixed size";
}

TEST_P(FocusMarks, EveryControlOfThePreferencesWindow) {
    write_prefs();
    start();
    PreferencesWindow& p = app().preferences;
    p.dialog->show();
    p.dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.dialog));
    expect_marks(p.dialog, p.ok, p.update_box);
    EXPECT_TRUE(tested_.count(p.update_box) && tested_.count(p.logo_box) && tested_.count(p.tooltip_box) &&
                tested_.count(p.ok));
    p.dialog->hide();
}

TEST_P(FocusMarks, EveryControlOfTheFitWindow) {
    write_prefs();
    start();
    show_fit_window(app());
    FitWindow& f = *app().fit_window;
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.dialog));
    expect_marks(f.dialog, f.close, f.add);
    for (QWidget* c : std::initializer_list<QWidget*>{f.shots, f.laws, f.add, f.remove, f.fit_mv, f.fit, f.close,
                                                      f.import, f.string_view})
        EXPECT_TRUE(tested_.count(c)) << name_of(c);
    f.dialog->close();
}

INSTANTIATE_TEST_SUITE_P(Looks, FocusMarks, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& look) { return look.param ? "Dark" : "Light"; });

}  // namespace
}  // namespace velora
