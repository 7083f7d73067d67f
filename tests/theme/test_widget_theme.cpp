#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

#include "tests/fixtures/style_marks.h"
#include "theme/widget_theme.h"

namespace velora {
namespace {

using testing::drawn;
using testing::marked_pixels;
using testing::pixel;

const Colour Dark = rgb(58, 58, 58);

Colour role(const QWidget* w, QPalette::ColorRole r, QPalette::ColorGroup g = QPalette::Active) {
    const QColor c = w->palette().color(g, r);
    return rgb(c.red(), c.green(), c.blue());
}

// A small window with a control of each kind the program uses, one of them in a tab page.
struct Sample {
    QWidget window;
    QLabel* caption = new QLabel("Caption", &window);
    QLineEdit* field = new QLineEdit("785.0", &window);
    QComboBox* units = new QComboBox(&window);
    QCheckBox* box = new QCheckBox(&window);
    QCheckBox* named_box = new QCheckBox("Enable Tooltips", &window);
    QRadioButton* option = new QRadioButton(&window);
    QPushButton* button = new QPushButton("OK", &window);
    QProgressBar* bar = new QProgressBar(&window);
    QTabWidget* tabs = new QTabWidget(&window);
    QWidget* page = new QWidget;
    QListWidget* lines = new QListWidget(page);
    QLabel* page_caption = new QLabel("Maximum BC:", page);
    QWidget* click_area = new QWidget(&window);
    Sample() {
        units->addItems({"Ft/s", "m/s", "Mach"});
        tabs->addTab(page, "Table");
        tabs->addTab(new QWidget, "Plot");
    }
};

TEST(WidgetTheme, KindsOfTheWidgets) {
    Sample s;
    EXPECT_EQ(control_kind_of(s.caption), ControlKind::Text);
    EXPECT_EQ(control_kind_of(s.field), ControlKind::String);
    EXPECT_EQ(control_kind_of(s.units), ControlKind::Combobox);
    EXPECT_EQ(control_kind_of(s.box), ControlKind::Checkbox);
    EXPECT_EQ(control_kind_of(s.button), ControlKind::Button);
    EXPECT_EQ(control_kind_of(s.tabs), ControlKind::Panel);
    EXPECT_EQ(control_kind_of(s.lines), ControlKind::ListView);
    EXPECT_EQ(control_kind_of(s.page), ControlKind::Container);
    EXPECT_EQ(control_kind_of(s.click_area), ControlKind::Image);
}

TEST(WidgetTheme, DarkWindowGivesEveryControlItsColours) {
    Sample s;
    set_window_theme(&s.window, AutomaticColour, AutomaticColour);
    set_window_theme(&s.window, Dark, AutomaticColour);
    EXPECT_EQ(role(&s.window, QPalette::Window), Dark);
    // Captions: the window's background, white text, grey when disabled.
    EXPECT_EQ(role(s.caption, QPalette::Window), Dark);
    EXPECT_EQ(role(s.caption, QPalette::WindowText), White);
    EXPECT_EQ(role(s.caption, QPalette::WindowText, QPalette::Disabled), rgb(112, 112, 112));
    // Fields are set off from the background by ten.
    EXPECT_EQ(role(s.field, QPalette::Base), rgb(68, 68, 68));
    EXPECT_EQ(role(s.field, QPalette::Text), White);
    EXPECT_EQ(role(s.units, QPalette::Button), Dark);
    EXPECT_EQ(role(s.units->view(), QPalette::Base), Dark);
    EXPECT_EQ(role(s.box, QPalette::WindowText), White);
    // Progress bars stand 40 lighter, with their text 100 lighter still.
    EXPECT_EQ(role(s.bar, QPalette::Window), rgb(98, 98, 98));
    EXPECT_EQ(role(s.bar, QPalette::WindowText), rgb(198, 198, 198));
    // Inside the tab page the background is passed on.
    EXPECT_EQ(role(s.lines, QPalette::Base), Dark);
    EXPECT_EQ(role(s.page_caption, QPalette::WindowText), White);
    const auto tab_colours = tab_colours_of(s.tabs);
    ASSERT_TRUE(tab_colours.has_value());
    EXPECT_EQ(tab_colours->selected, Dark);
    EXPECT_EQ(tab_colours->other, rgb(89, 89, 89));
    EXPECT_EQ(tab_colours->text, White);
    // Buttons and click areas keep the system look.
    EXPECT_FALSE(theme_colours_of(s.button).has_value());
    EXPECT_FALSE(theme_colours_of(s.click_area).has_value());
}

TEST(WidgetTheme, OwnTextColourOnTheInheritedBackground) {
    Sample s;
    set_window_theme(&s.window, Dark, AutomaticColour);
    set_control_theme(s.caption, AutomaticColour, rgb(255, 127, 0));
    EXPECT_EQ(role(s.caption, QPalette::Window), Dark);
    EXPECT_EQ(role(s.caption, QPalette::WindowText), rgb(255, 127, 0));
    set_control_theme(s.field, rgb(48, 48, 48), White);
    EXPECT_EQ(role(s.field, QPalette::Base), rgb(58, 58, 58));
    EXPECT_EQ(role(s.field, QPalette::Text), White);
    set_control_theme(s.page_caption, AutomaticColour, rgb(128, 128, 128));
    EXPECT_EQ(theme_colours_of(s.page_caption)->back, Dark);
    // Grey text is light enough for the darker disabled grey.
    EXPECT_EQ(role(s.page_caption, QPalette::WindowText, QPalette::Disabled), rgb(144, 144, 144));
}

TEST(WidgetTheme, LightBackgroundGetsBlackText) {
    Sample s;
    set_window_theme(&s.window, rgb(240, 240, 240), AutomaticColour);
    EXPECT_EQ(role(s.caption, QPalette::WindowText), Black);
    EXPECT_EQ(role(s.caption, QPalette::WindowText, QPalette::Disabled), rgb(144, 144, 144));
    EXPECT_EQ(role(s.field, QPalette::Base), rgb(230, 230, 230));
}

TEST(WidgetTheme, UnthemedWindowKeepsItsPalette) {
    Sample s;
    const QPalette before = s.caption->palette();
    EXPECT_FALSE(theme_colours_of(s.caption).has_value());
    EXPECT_EQ(s.caption->palette(), before);
    EXPECT_FALSE(tab_colours_of(s.tabs).has_value());
}

TEST(WidgetTheme, MarksOfCheckBoxesAndOptionButtonsStandOutFromADarkBackground) {
    Sample s;
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(s.box), static_cast<QAbstractButton*>(s.named_box),
                               static_cast<QAbstractButton*>(s.option)})
        b->setGeometry(0, 0, b == s.named_box ? 140 : 16, 16);
    set_window_theme(&s.window, Dark, AutomaticColour);
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(s.box), static_cast<QAbstractButton*>(s.named_box),
                               static_cast<QAbstractButton*>(s.option)}) {
        SCOPED_TRACE(b->metaObject()->className());
        b->setChecked(false);
        // The ring or box, as the control paints itself.
        const QImage plain = b->grab().toImage();
        EXPECT_GE(marked_pixels(plain, Dark), 12);
        // The mouse over it and the keyboard focus change the mark, each legibly.
        const QImage base = drawn(b, Dark, {});
        const QImage hover = drawn(b, Dark, QStyle::State_MouseOver);
        const QImage focus = drawn(b, Dark, QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange);
        EXPECT_GE(marked_pixels(hover, Dark, &base), 8);
        EXPECT_GE(marked_pixels(focus, Dark, &base), 8);
        // The tick or dot of a chosen one.
        b->setChecked(true);
        const QImage chosen = b->grab().toImage();
        EXPECT_GE(marked_pixels(chosen, rgb(68, 68, 68), &plain), 4);
    }
    // The caption of a named check box keeps its text colour.
    EXPECT_EQ(role(s.named_box, QPalette::WindowText), White);
}

}  // namespace
}  // namespace velora
