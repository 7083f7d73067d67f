// The window in the desktop's dark mode, and untouched in its light mode.
#include <QCheckBox>
#include <QDialog>
#include <QPushButton>
#include <QListWidget>
#include <QTabWidget>

#include "app/preferences_window.h"
#include "app_fixture.h"
#include "theme/widget_theme.h"

namespace velora {
namespace {

using testing_support::AppTest;

Colour colour(const QWidget* w, QPalette::ColorRole role, QPalette::ColorGroup group = QPalette::Active) {
    const QColor c = w->palette().color(group, role);
    return rgb(c.red(), c.green(), c.blue());
}

struct DarkMode : AppTest {};

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
    write_prefs();
    start();
    EXPECT_EQ(state_.DarkMode, 0);
    for (const auto& [id, widget] : window().controls) EXPECT_FALSE(theme_colours_of(widget).has_value()) << id;
    EXPECT_FALSE(tab_colours_of(panel(window())).has_value());
    EXPECT_FALSE(theme_colours_of(app().preferences.update_box).has_value());
}

}  // namespace
}  // namespace velora
