// The window in the desktop's dark mode, and untouched in its light mode.
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <map>

#include "app/dialogs.h"
#include "app/preferences_window.h"
#include "app/window_update.h"
#include "app_fixture.h"
#include "tests/fixtures/style_marks.h"
#include "theme/widget_theme.h"

namespace velora {
namespace {

using testing::drawn;
using testing::marked_pixels;
using testing::pixel;
using testing_support::AppTest;

Colour colour(const QWidget* w, QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active) {
    const QColor c = w->palette().color(group, role);
    return rgb(c.red(), c.green(), c.blue());
}

// Share of the pixels that are dark, and whether some text stands 4.5 : 1 against the
// commonest colour.
struct Darkness {
    double dark_share = 0;
    bool legible_text = false;
};
Darkness darkness_of(const QImage& image) {
    std::map<Colour, int> counts;
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const Colour c = pixel(image, x, y);
            ++counts[c];
            if (is_dark(c)) ++dark;
        }
    Darkness d;
    if (counts.empty()) return d;
    const Colour commonest = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                                 return a.second < b.second;
                             })->first;
    d.dark_share = double(dark) / (image.width() * image.height());
    for (const auto& [c, n] : counts)
        if (contrast_ratio(c, commonest) >= 4.5) d.legible_text = true;
    return d;
}

struct DarkMode : AppTest {
    // The window as it is drawn.
    QImage shot() { return window().window->grab().toImage(); }

    // What the modal window that `open` brings up shows; it is then closed.
    QImage modal_shot(const std::function<void()>& open) {
        QImage image;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || !modal->isVisible()) return;
            poll.stop();
            image = modal->grab().toImage();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        });
        poll.start();
        open();
        return image;
    }

    // No caption, click area or frame paints over the "Drop from LoD" field, whose text is a
    // long negative drop; the bold set-up caption beside it ends before it.
    void expect_drop_field_whole() {
        MainWindow& w = window();
        set_control_text(w, FieldDROP, "-1930.95");
        QLineEdit* drop = field_of(FieldDROP);
        const QImage image = shot();
        const QImage own = drop->grab().toImage();
        const QPoint at = drop->mapTo(w.window.get(), QPoint(0, 0));
        int covered = 0;
        for (int y = 3; y < drop->height() - 3; ++y)
            for (int x = 3; x < drop->width() - 3; ++x)
                if (image.pixel(at.x() + x, at.y() + y) != own.pixel(x, y)) ++covered;
        EXPECT_EQ(covered, 0) << "pixels of the field painted over";
        // The minus sign shows in the field's left part.
        const Colour fill = pixel(own, drop->width() / 2, 3);
        int minus = 0;
        for (int y = 3; y < drop->height() - 3; ++y)
            for (int x = 3; x < 15; ++x)
                if (contrast_ratio(pixel(image, at.x() + x, at.y() + y), fill) >= 3.0) ++minus;
        EXPECT_GE(minus, 4) << "the minus sign";

        QLabel* caption = label(w, MethodCaptionD);
        ASSERT_TRUE(caption->font().bold());
        const QPoint c = caption->mapTo(w.window.get(), QPoint(0, 0));
        const Colour back = pixel(image, at.x() - 2, c.y() - 3);
        int touching = 0;
        for (int y = c.y(); y < c.y() + caption->height(); ++y)
            for (int x = at.x() - 3; x < at.x(); ++x)
                if (pixel(image, x, y) != back) ++touching;
        EXPECT_EQ(touching, 0) << "the caption's text reaches the field";
    }
};

TEST_F(DarkMode, TheMainWindowIsDrawnInTheDarkColours) {
    dark_desktop_ = true;
    write_prefs();
    start();
    EXPECT_EQ(state_.DarkMode, 1);
    MainWindow& w = window();
    // Fields: a shade lighter than the window, white text; disabled ones in the darker grey.
    EXPECT_EQ(colour(field_of(FieldMV), QPalette::Base), rgb(68, 68, 68));
    EXPECT_EQ(colour(field_of(FieldMV), QPalette::Text), White);
    EXPECT_FALSE(field_of(FieldTV)->isEnabled());  // the first run measures the POI
    EXPECT_EQ(colour(field_of(FieldTV), QPalette::Text, QPalette::Disabled), rgb(112, 112, 112));
    // Captions white, the zero caption and the density line orange, the BC result green.
    EXPECT_EQ(colour(control(w, CaptionMV), QPalette::WindowText), White);
    EXPECT_EQ(colour(control(w, CaptionMV), QPalette::Window), rgb(58, 58, 58));
    EXPECT_EQ(colour(control(w, CaptionZR), QPalette::WindowText), rgb(255, 127, 0));
    EXPECT_EQ(colour(control(w, DensityLine), QPalette::WindowText), rgb(255, 127, 0));
    EXPECT_EQ(colour(control(w, BcResult), QPalette::WindowText), rgb(0, 160, 0));
    // Unit lists and their drop-down items.
    QComboBox* units = list(w, UnitMV);
    EXPECT_EQ(colour(units, QPalette::Button), rgb(58, 58, 58));
    EXPECT_EQ(colour(units->view(), QPalette::Base), rgb(58, 58, 58));
    EXPECT_EQ(colour(units->view(), QPalette::Text), White);
    // The table lists inside the output panel, and the panel's tab strip.
    EXPECT_EQ(colour(control(w, TableRows), QPalette::Base), rgb(58, 58, 58));
    EXPECT_EQ(colour(control(w, TableRows), QPalette::Text), White);
    const auto tabs = tab_colours_of(panel(w));
    ASSERT_TRUE(tabs.has_value());
    EXPECT_EQ(tabs->selected, rgb(58, 58, 58));
    EXPECT_EQ(tabs->other, rgb(89, 89, 89));
    // The result values keep their own colours.
    EXPECT_EQ(colour(control(w, MaxBcValue), QPalette::WindowText), rgb(255, 0, 0));
    EXPECT_EQ(colour(control(w, MeanBcValue), QPalette::WindowText), rgb(255, 0, 255));
    EXPECT_EQ(colour(control(w, MinBcValue), QPalette::WindowText), rgb(208, 208, 208));
    // Buttons keep the system look.
    EXPECT_FALSE(theme_colours_of(control(w, PanelButton)).has_value());
}

TEST_F(DarkMode, TheToleranceControlsFollowTheMethod) {
    dark_desktop_ = true;
    write_prefs();
    start();
    MainWindow& w = window();
    EXPECT_EQ(colour(field_of(FieldMVTol), QPalette::Base), rgb(58, 58, 58));  // (48, 48, 48) set off by ten
    EXPECT_EQ(colour(field_of(FieldMVTol), QPalette::Text), White);
    EXPECT_EQ(colour(control(w, CaptionMVTol), QPalette::WindowText), White);
    // One chronograph: the target chronograph's caption and sign are grey.
    EXPECT_EQ(colour(control(w, CaptionTVTol), QPalette::WindowText), rgb(128, 128, 128));
    EXPECT_EQ(colour(control(w, PlusMinusTV), QPalette::WindowText), rgb(128, 128, 128));
    EXPECT_FALSE(field_of(FieldTVTol)->isEnabled());
    click(MethodButtonV);
    EXPECT_EQ(state_.stateRB, DeltaV);
    EXPECT_EQ(colour(control(w, CaptionTVTol), QPalette::WindowText), White);
    EXPECT_EQ(colour(control(w, PlusMinusTV), QPalette::WindowText), White);
    EXPECT_TRUE(field_of(FieldTVTol)->isEnabled());
}

TEST_F(DarkMode, ThePreferencesWindowIsDarkToo) {
    dark_desktop_ = true;
    write_prefs();
    start();
    const PreferencesWindow& p = app().preferences;
    EXPECT_EQ(colour(p.dialog, QPalette::Window), rgb(58, 58, 58));
    EXPECT_EQ(colour(p.update_box, QPalette::WindowText), White);
    EXPECT_EQ(colour(p.update_box, QPalette::WindowText, QPalette::Disabled), rgb(112, 112, 112));
    EXPECT_EQ(colour(p.captions[0][0], QPalette::WindowText), White);
    EXPECT_FALSE(theme_colours_of(p.ok).has_value());
}

TEST_F(DarkMode, ALightDesktopLeavesEveryControlUntouched) {
    const QPalette before = QApplication::palette();
    write_prefs();
    start();
    EXPECT_EQ(QApplication::palette(), before);
    EXPECT_EQ(state_.DarkMode, 0);
    for (const auto& [id, widget] : window().controls) EXPECT_FALSE(theme_colours_of(widget).has_value()) << id;
    EXPECT_FALSE(tab_colours_of(panel(window())).has_value());
    EXPECT_FALSE(theme_colours_of(app().preferences.update_box).has_value());
}

TEST_F(DarkMode, NothingPaintsOverTheDropField) {
    dark_desktop_ = true;
    write_prefs({{"stateRB", "3"}});  // the drop is measured: its set-up caption is bold
    start();
    expect_drop_field_whole();
}

TEST_F(DarkMode, NorInTheLightLook) {
    write_prefs({{"stateRB", "3"}});
    start();
    expect_drop_field_whole();
}

TEST_F(DarkMode, TheConfidenceFrameIsDrawnWhole) {
    dark_desktop_ = true;
    write_prefs({{"mode", "1"}, {"statePAN", "2"}});
    start();
    MainWindow& w = window();
    auto* frame = control(w, ConfidenceBox)->findChild<QGroupBox*>();
    ASSERT_NE(frame, nullptr);
    const QImage image = shot();
    const QPoint at = frame->mapTo(w.window.get(), QPoint(0, 0));
    // Its left border, found above the results, runs unbroken past every result row.
    const int probe = at.y() + 30;
    const Colour back = pixel(image, at.x() - 4, probe);
    int border = -1;
    for (int x = at.x() - 1; x <= at.x() + 3 && border < 0; ++x)
        if (pixel(image, x, probe) != back) border = x;
    ASSERT_GE(border, 0) << "no left border";
    const Colour line = pixel(image, border, probe);
    int broken = 0;
    EXPECT_GE(contrast_ratio(line, back), 2.0) << "a border hardly to be seen";
    for (int y = at.y() + 12; y < at.y() + frame->height() - 6; ++y)
        if (pixel(image, border, y) != line) ++broken;
    EXPECT_EQ(broken, 0);
    // Nor does a caption's text reach over it.
    for (int id : {MaxBcCaption, MeanBcCaption, NaiveBcCaption, MinBcCaption}) {
        const QLabel* caption = label(w, id);
        const QPoint c = caption->mapTo(w.window.get(), QPoint(0, 0));
        int over = 0;
        for (int y = c.y(); y < c.y() + caption->height(); ++y)
            for (int x = c.x(); x < border; ++x)
                if (pixel(image, x, y) != back) ++over;
        EXPECT_EQ(over, 0) << id;
    }
}

TEST_F(DarkMode, OptionButtonsAndCheckBoxesStandOut) {
    dark_desktop_ = true;
    write_prefs({{"AutoUpdateCheck", "0"}, {"AutoLogoCheck", "0"}});
    start();
    const Colour back = rgb(58, 58, 58);
    std::vector<QAbstractButton*> marks;
    for (int id = MethodButtonT; id <= MethodButtonD; ++id)
        marks.push_back(qobject_cast<QAbstractButton*>(control(window(), id)));
    const PreferencesWindow& p = app().preferences;
    marks.push_back(p.update_box);
    marks.push_back(p.logo_box);
    for (QAbstractButton* b : marks) {
        ASSERT_NE(b, nullptr);
        ASSERT_FALSE(b->isChecked());
        SCOPED_TRACE(b->text().toStdString());
        // The unselected ring or empty box, as the control paints itself.
        EXPECT_GE(marked_pixels(b->grab().toImage(), back), 12);
        // The mark of the mouse over it and that of the keyboard focus, each legible.
        const QImage plain = drawn(b, back, {});
        EXPECT_GE(marked_pixels(drawn(b, back, QStyle::State_MouseOver), back, &plain), 8);
        EXPECT_GE(
            marked_pixels(drawn(b, back, QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange), back, &plain), 8);
    }
    // The selected set-up's dot and a ticked box.
    p.tooltip_box->setChecked(true);
    for (QAbstractButton* b : {qobject_cast<QAbstractButton*>(control(window(), MethodButtonPOI)),
                               static_cast<QAbstractButton*>(p.tooltip_box)}) {
        ASSERT_TRUE(b->isChecked());
        EXPECT_GE(marked_pixels(b->grab().toImage(), rgb(68, 68, 68)), 16);
    }
}

TEST_F(DarkMode, MenusTooltipsMessageBoxesAndDialogsAreDarkToo) {
    dark_desktop_ = true;
    write_prefs();
    start();
    MainWindow& w = window();
    const auto expect_dark = [](const QImage& image, const char* what) {
        ASSERT_FALSE(image.isNull()) << what;
        const Darkness d = darkness_of(image);
        EXPECT_GT(d.dark_share, 0.6) << what;
        EXPECT_TRUE(d.legible_text) << what;
    };
    for (QMenu* menu : {w.plot_menu, w.table_menu, w.window->menuBar()->actions().at(0)->menu()}) {
        menu->adjustSize();
        expect_dark(menu->grab().toImage(), "menu");
    }
    QToolTip::showText(w.window->mapToGlobal(QPoint(60, 60)), QStringLiteral("Projectile Velocity @ Muzzle"),
                       w.window.get());
    QWidget* tip = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QTipLabel") && top->isVisible()) tip = top;
    ASSERT_NE(tip, nullptr);
    expect_dark(tip->grab().toImage(), "tooltip");
    QToolTip::hideText();

    // The real dialogs behind the seam.
    app().dialogs = system_dialogs([this] { return window().window.get(); });
    expect_dark(modal_shot([this] { show_about(app()); }), "About");
    expect_dark(modal_shot([this] { show_message(app(), "Velora", "Muzzle Velocity is out of range."); }),
                "message box");
    expect_dark(modal_shot([this] {
                    app().dialogs.save_file({"Save Table as .CSV", home(), "Velora_Table.csv", "CSV files (*.csv)"});
                }),
                "file dialog");
    QPrinter printer;
    expect_dark(modal_shot([this, &printer] { app().dialogs.print_setup(printer); }), "print dialog");
}

TEST_F(DarkMode, TheDarkLookOfTheApplicationEndsWithTheRun) {
    const QPalette before = QApplication::palette();
    const QString style = QApplication::style()->name();
    dark_desktop_ = true;
    write_prefs();
    start();
    const auto of = [](const QColor& c) { return rgb(c.red(), c.green(), c.blue()); };
    EXPECT_TRUE(is_dark(of(QApplication::palette().color(QPalette::Window))));
    EXPECT_TRUE(is_dark(of(QToolTip::palette().color(QPalette::ToolTipBase))));
    app_.reset();
    EXPECT_EQ(QApplication::palette(), before);
    EXPECT_EQ(QApplication::style()->name(), style);
    EXPECT_FALSE(is_dark(of(QToolTip::palette().color(QPalette::ToolTipBase))));
}

}  // namespace
}  // namespace velora
