// The window opens on the screen: a centred or saved position that would leave the title bar or
// the menu bar off a small screen (1024 × 600, the program's own main) is moved onto it.
#include <QDialog>
#include <QMenuBar>
#include <QScreen>

#include "app_fixture.h"

namespace velora {
namespace {

using testing_support::AppTest;

TEST(KeepInside, MovesAWindowOntoTheAreaTopLeftFirst) {
    const QRect area(0, 0, 1024, 600);
    EXPECT_EQ(keep_inside({100, 50}, {400, 300}, area), QPoint(100, 50));  // inside: stays
    EXPECT_EQ(keep_inside({900, 500}, {400, 300}, area), QPoint(624, 300));
    EXPECT_EQ(keep_inside({-40, -5}, {400, 300}, area), QPoint(0, 0));
    // Taller or wider than the area: the top-left corner stays on it.
    EXPECT_EQ(keep_inside({97, -5}, {830, 610}, area), QPoint(97, 0));
    EXPECT_EQ(keep_inside({500, 200}, {1100, 610}, area), QPoint(0, 0));
    // An area that does not start at the origin (a panel on the left, a second screen).
    EXPECT_EQ(keep_inside({0, 0}, {400, 300}, QRect(1024, 30, 800, 570)), QPoint(1024, 30));
}

class SmallScreen : public AppTest {
protected:
    // The window's frame and its menu bar lie on the screen.
    void expect_on_screen(const QWidget* w) {
        const QRect frame = w->frameGeometry();
        EXPECT_GE(frame.left(), 0);
        EXPECT_GE(frame.top(), 0) << "the title bar on the screen";
        EXPECT_LE(frame.right(), 1023);
        EXPECT_GE(window().window->menuBar()->mapToGlobal(QPoint(0, 0)).y(), 0);
    }
};

TEST_F(SmallScreen, AFirstRunCentresTheWindowBelowTheTopEdge) {
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry(), QRect(0, 0, 1024, 600));
    write_prefs();
    start();
    // Centred, (1024 − 830) / 2 = 97 across; (600 − 610) / 2 = −5 would hide the title bar.
    EXPECT_EQ(state_.WinX[0], 97);
    EXPECT_EQ(state_.WinY[0], 0);
    expect_on_screen(window().window.get());
}

TEST_F(SmallScreen, ASavedPositionOffTheScreenIsBroughtBack) {
    write_prefs({{"WinX(0)", "1700"}, {"WinY(0)", "900"}, {"WinX(1)", "-400"}, {"WinY(1)", "2000"}, {"mode", "0"}});
    start();
    const QWidget* w = window().window.get();
    expect_on_screen(w);
    EXPECT_GE(w->frameGeometry().right(), 1019) << "the narrow window against the right edge";
    EXPECT_EQ(state_.WinX[0], 1024 - 400);
    // The preferences window too, whole on the screen.
    const QRect prefs = app().preferences.dialog->frameGeometry();
    EXPECT_EQ(prefs.left(), 0);
    EXPECT_LE(prefs.bottom(), 599);
    EXPECT_EQ(state_.WinX[1], 0);
}

TEST_F(SmallScreen, APositionOnTheScreenIsKept) {
    // (The window is taller than this screen: only the top edge itself leaves it whole.)
    write_prefs({{"WinX(0)", "40"}, {"WinY(0)", "0"}, {"mode", "0"}});
    start();
    EXPECT_EQ(state_.WinX[0], 40);
    EXPECT_EQ(state_.WinY[0], 0);
    const QRect frame = window().window->frameGeometry();
    EXPECT_NEAR(frame.left(), 40, 2);
    EXPECT_EQ(frame.top(), 0);
}

}  // namespace
}  // namespace velora
