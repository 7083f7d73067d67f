// Click areas, the panel, the menus, the keys that open help and About, tooltips, and the four
// ways to end the program, each of which saves the preferences.
#include <QAbstractScrollArea>
#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QTabWidget>

#include "app/app_texts.h"
#include "app/dispatch.h"
#include "app_fixture.h"
#include "engine/atmosphere.h"
#include "engine/number_text.h"
#include "solver/display_texts.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::menu_text;
using testing_support::pref_value;
using testing_support::read_file;

class Commands : public AppTest {};

TEST_F(Commands, TheZeroCaptionSwitchesBetweenFarAndNearZero) {
    write_prefs();
    start();
    const float zr = state_.ZR, bc = state_.BC;
    const Trajectory& tr = app().results.trajectory;
    ASSERT_LT(tr.NearZero, tr.FarZero);
    EXPECT_EQ(text(CaptionZR), "Far Zero");
    EXPECT_EQ(text(FieldZR), format_fixed(tr.FarZero, 1));

    click(ClickZero);
    EXPECT_EQ(text(CaptionZR), "Near Zero");
    EXPECT_EQ(text(FieldZR), format_fixed(tr.NearZero, 1));
    EXPECT_EQ(field_of(FieldZR)->toolTip().toStdString(), zero_display(state_, app().results).tooltip);
    EXPECT_NE(field_of(FieldZR)->toolTip().toStdString().find("Yard MAX)"), std::string::npos);
    EXPECT_EQ(state_.ZR, zr);
    EXPECT_EQ(state_.BC, bc);

    click(ClickZero);
    EXPECT_EQ(text(CaptionZR), "Far Zero");
}

TEST_F(Commands, TheDensityLineSwitchesUnits) {
    write_prefs({{"TMP", "20.0"}, {"PRES", "29.92"}, {"HUMID", "50.0"}});
    start();
    EXPECT_EQ(text(DensityLine), "Density 0.074838 Lbm/Ft³");
    click(ClickDensity);
    const std::string metric = text(DensityLine);
    EXPECT_EQ(metric.rfind("Air Density: 1.19878", 0), 0u) << metric;
    EXPECT_EQ(metric.substr(metric.size() - 7), " Kg/m³");
    click(ClickDensity);
    EXPECT_EQ(text(DensityLine), "Air Density: 0.07483760 Lbm/Ft³");
}

TEST_F(Commands, ThePanelButtonWidensAndNarrowsTheWindow) {
    write_prefs({{"mode", "0"}});
    start();
    QWidget* top = window().window.get();
    EXPECT_EQ(top->width(), 400);
    EXPECT_EQ(top->height(), 610);
    EXPECT_EQ(text(PanelButton), ">>");
    EXPECT_EQ(control(window(), PanelButton)->toolTip(), "Click to show graphs, table and confidence limits");

    click(PanelButton);
    EXPECT_EQ(state_.mode, 1);
    EXPECT_EQ(top->width(), 830);
    EXPECT_EQ(text(PanelButton), "<<");
    EXPECT_EQ(control(window(), PanelButton)->toolTip(), "Click to hide graphs, table and confidence limits");
    EXPECT_EQ(focused(), FieldMV);

    click(PanelButton);
    EXPECT_EQ(top->width(), 400);
    EXPECT_EQ(top->height(), 610);
}

TEST_F(Commands, PanelMenusSelectTheirPage) {
    write_prefs({{"mode", "0"}, {"statePAN", "0"}});
    start();
    window().items.at(MenuConfidence)->trigger();
    EXPECT_EQ(state_.mode, 1);
    EXPECT_EQ(state_.statePAN, TabConfidence);
    EXPECT_EQ(panel(window())->currentIndex(), TabConfidence);
    EXPECT_EQ(text(FieldMVTol), "1.6%");
    EXPECT_EQ(text(MaxBcCaption), "Maximum BC:");
    EXPECT_EQ(text(NaiveBcValue), "0.0195");
    EXPECT_FALSE(field_of(FieldTVTol)->isEnabled()) << "one chronograph: no target chronograph";

    window().items.at(MenuPlotPanel)->trigger();
    EXPECT_EQ(state_.statePAN, TabPlot);
    // The plot page marks the target range and the set-up's plotted quantity.
    EXPECT_TRUE(control(window(), MarkerTR)->isVisibleTo(window().window.get()));
    EXPECT_TRUE(control(window(), MarkerPOI)->isVisibleTo(window().window.get()));
    EXPECT_FALSE(control(window(), MarkerMV)->isVisibleTo(window().window.get()));

    // The user picks a tab: the state follows.
    panel(window())->setCurrentIndex(TabTable);
    EXPECT_EQ(state_.statePAN, TabTable);
    for (int id = MarkerMV; id <= MarkerDROP; ++id)
        EXPECT_TRUE(control(window(), id)->isVisibleTo(window().window.get()));

    window().items.at(MenuTogglePanel)->trigger();
    EXPECT_EQ(state_.mode, 0);
    EXPECT_EQ(window().window->width(), 400);
}

TEST_F(Commands, TableContextMenuItemsKeepTheirTicksAndTexts) {
    write_prefs();
    start();
    EXPECT_TRUE(window().items.at(TableStep5)->isChecked());
    window().items.at(TableStep25)->trigger();
    EXPECT_EQ(state_.TableStep, 25.0f);
    EXPECT_TRUE(window().items.at(TableStep25)->isChecked());
    EXPECT_FALSE(window().items.at(TableStep5)->isChecked());

    EXPECT_EQ(menu_text(window().items.at(TableGaps)), "Hide Table Gaps");
    window().items.at(TableGaps)->trigger();
    EXPECT_EQ(state_.Gaps, 0);
    EXPECT_EQ(menu_text(window().items.at(TableGaps)), "Show Table Gaps");

    EXPECT_EQ(menu_text(window().items.at(PlotTargetMarker)), "Hide Target Marker");
    window().items.at(PlotTargetMarker)->trigger();
    EXPECT_EQ(state_.ShowTarget, 0);
    EXPECT_EQ(menu_text(window().items.at(PlotTargetMarker)), "Show Target Marker");
}

TEST_F(Commands, RightClicksOpenTheContextMenusAndTheTableTakesTheFocusAway) {
    write_prefs({{"statePAN", "1"}});
    start();
    QTest::mouseClick(control(window(), PlotSurface), Qt::RightButton);
    EXPECT_TRUE(window().plot_menu->isVisible());
    window().plot_menu->hide();

    panel(window())->setCurrentIndex(TabTable);
    focus_control(window(), FieldTR);
    auto* rows = qobject_cast<QAbstractScrollArea*>(control(window(), TableRows));
    QTest::mouseClick(rows->viewport(), Qt::RightButton);
    EXPECT_TRUE(window().table_menu->isVisible());
    EXPECT_EQ(focused(), NoControl);
    window().table_menu->hide();
}

TEST_F(Commands, DoubleClickOnTheBcCaptionSwitchesTheBcEntry) {
    write_prefs({{"stateBC_VAL", "1"}});
    start();
    QWidget* top = window().window.get();
    EXPECT_TRUE(control(window(), BcResult)->isVisibleTo(top));
    EXPECT_FALSE(field_of(FieldBC)->isVisibleTo(top));
    click(ClickBC);  // a single click does nothing
    EXPECT_EQ(state_.stateBC_VAL, 1);
    double_click(ClickBC);
    EXPECT_EQ(state_.stateBC_VAL, 0);
    EXPECT_TRUE(field_of(FieldBC)->isVisibleTo(top));
    EXPECT_EQ(text(FieldBC), "0.0195");

    type_into(FieldBC, "2");
    press(Qt::Key_Return);
    EXPECT_FLOAT_EQ(state_.BC, 1.2f);
    EXPECT_EQ(text(FieldBC), "1.2000");
}

TEST_F(Commands, HelpAndAboutKeys) {
    write_prefs();
    start();
    press(Qt::Key_F1);
    press(Qt::Key_H, Qt::ControlModifier);
    window().items.at(MenuHelpTopics)->trigger();
    EXPECT_EQ(documents_, std::vector<std::string>(3, help_path()));

    press(Qt::Key_F2);
    type_into(FieldMV, "800");
    press(Qt::Key_A, Qt::ControlModifier);  // About, not "select all"
    ASSERT_EQ(messages_.size(), 2u);
    const std::string opening =
        "\r1.2.2 (Build:300624)\r\rFor Windows, macOS and Linux\r\rAn attempt at a universal Ballistic Coefficient "
        "calculator ...";
    for (const MessageRequest& m : messages_) {
        EXPECT_EQ(m.title, "About Velora");
        EXPECT_EQ(m.text.substr(0, opening.size()), opening);
        EXPECT_EQ(m.buttons, MessageButtons::Ok);
    }
    EXPECT_FLOAT_EQ(state_.MV, 785.0f) << "the About key commits nothing";
    EXPECT_FALSE(app().ended);
}

TEST_F(Commands, TooltipsFollowTheOption) {
    write_prefs();
    start();
    EXPECT_EQ(field_of(FieldBC)->toolTip(), "Ballistic Coefficient (0.0040 to 1.2000)");
    EXPECT_EQ(label(window(), CaptionMV)->toolTip(), "Projectile Velocity @ Muzzle");
    EXPECT_EQ(field_of(FieldMV)->toolTip(), "Muzzle Velocity (200 to 4000 Ft/s)");
    EXPECT_EQ(list(window(), UnitPRES)->toolTip(), "Units: \"Hg, mmHg or mBar");
    EXPECT_TRUE(label(window(), CaptionDROP)->toolTip().isEmpty());
    // The range hints follow the unit.
    choose(UnitMV, 1);
    EXPECT_EQ(field_of(FieldMV)->toolTip(), "Muzzle Velocity (61.0 to 1219.2 m/s)");
}

TEST_F(Commands, NoTooltipsWhenTheyAreSwitchedOff) {
    write_prefs({{"EnableToolTips", "0"}});
    start();
    for (const auto& [id, widget] : window().controls) EXPECT_TRUE(widget->toolTip().isEmpty()) << "control " << id;
}

class EndsAndSaves : public AppTest, public ::testing::WithParamInterface<int> {};

TEST_P(EndsAndSaves, EveryWayOutSavesThePreferences) {
    write_prefs();
    start();
    type_into(FieldMV, "812.5");
    press(Qt::Key_Tab);
    choose(UnitSH, 2);
    switch (GetParam()) {
        case 0: press(Qt::Key_Escape); break;
        case 1: press(Qt::Key_Q, Qt::ControlModifier); break;
        case 2: window().items.at(MenuQuit)->trigger(); break;
        case 3: window().window->close(); break;
    }
    EXPECT_TRUE(app().ended);
    EXPECT_EQ(loop_ends_, 1);
    EXPECT_FALSE(app().dispatching) << "nothing is dispatched after the end";

    end_program(app());
    EXPECT_FALSE(window().window->isVisible());
    const std::string saved = read_file(prefs_path());
    EXPECT_EQ(saved.substr(0, 5), "\xEF\xBB\xBF\r\n");
    EXPECT_EQ(pref_value(saved, "MV"), "812.5");
    EXPECT_EQ(pref_value(saved, "stateSH"), "2");
    EXPECT_EQ(pref_value(saved, "mpag"), "6");
    EXPECT_EQ(pref_value(saved, "WinX(0)"), std::to_string(window().window->x()));
}

INSTANTIATE_TEST_SUITE_P(EscapeCtrlQQuitAndCloseBox, EndsAndSaves, ::testing::Values(0, 1, 2, 3));

}  // namespace
}  // namespace velora
