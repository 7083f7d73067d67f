// The running window as a screen reader sees it (through QAccessible, no reader needed) and as
// the keyboard works it: mnemonics, F10, the Menu key, Ctrl+Tab, the group key and the fields'
// edit menu.
#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <set>

#include "app/accessibility.h"
#include "app/accessible_texts.h"
#include "app/key_groups.h"
#include "app_fixture.h"
#include "engine/units.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::menu_text;

std::string accessible(QWidget* w, QAccessible::Text which) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface != nullptr ? iface->text(which).toStdString() : std::string("<no interface>");
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The popup menu shown at the moment, if any.
QMenu* open_menu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

class Access : public AppTest {
protected:
    std::string name(int id) { return accessible(control(window(), id), QAccessible::Name); }
    std::string description(int id) { return accessible(control(window(), id), QAccessible::Description); }
    QMenuBar* bar() { return window().window->menuBar(); }

    // Closes every open popup menu.
    void close_menus() {
        while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    }
};

TEST_F(Access, EveryControlIsNamedAndDescribed) {
    write_prefs();
    start();
    // Every control a keyboard reaches has a name, and so has every named read-out.
    for (QWidget* w : window().window->findChildren<QWidget*>()) {
        const bool input =
            qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractButton*>(w);
        if (!input || control_id_of(w) == NoControl) continue;
        EXPECT_FALSE(accessible(w, QAccessible::Name).empty()) << "control " << control_id_of(w);
        EXPECT_FALSE(accessible(w, QAccessible::Description).empty()) << "control " << control_id_of(w);
    }
    EXPECT_EQ(name(FieldMV), "Muzzle Velocity");
    EXPECT_TRUE(has(description(FieldMV), "feet per second (Ft/s), 200.0 to 4000.0")) << description(FieldMV);
    EXPECT_EQ(name(FieldTR), "Target Range");
    EXPECT_EQ(name(FieldHUMID), "Relative Humidity");
    EXPECT_EQ(name(UnitMV), "Muzzle Velocity unit");
    EXPECT_EQ(accessible(control(window(), UnitMV), QAccessible::Value), "Ft/s") << "the list's value is its unit";
    EXPECT_EQ(name(DragLawList), "Drag law");
    EXPECT_EQ(name(MethodButtonPOI), "One Chronograph");
    EXPECT_EQ(name(MethodButtonD), "One Chronograph + BoreSighter");
    EXPECT_EQ(name(FieldMVTol), "Chronograph at the muzzle, maximum error in percent");
    EXPECT_EQ(name(FieldTVTol), "Chronograph at the target, maximum error in percent");
    // The read-outs quote their values.
    EXPECT_EQ(name(MaxBcValue), "Maximum BC " + text(MaxBcValue));
    EXPECT_EQ(name(NaiveBcValue), "Naïve BC 0.0195");
    EXPECT_EQ(name(BcResult), "Calculated Ballistic Coefficient 0.0195");
    EXPECT_EQ(name(DensityLine), text(DensityLine));
    EXPECT_EQ(name(PanelButton), "Hide output panel");
    EXPECT_TRUE(has(description(PlotSurface), "Plot of Point of Impact (mm) v. Range (Yard)"))
        << description(PlotSurface);

    // The caption is the field's label and the field is what the caption labels.
    QAccessibleInterface* mv = QAccessible::queryAccessibleInterface(field_of(FieldMV));
    const auto labels = mv->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first().first->text(QAccessible::Name), "Muzzle Velocity");
    EXPECT_EQ(labels.first().first->object(), control(window(), CaptionMV));
    QAccessibleInterface* radio = QAccessible::queryAccessibleInterface(control(window(), MethodButtonT));
    ASSERT_EQ(radio->relations(QAccessible::Label).size(), 1);
    EXPECT_EQ(radio->relations(QAccessible::Label).first().first->object(), control(window(), MethodCaptionT));
    EXPECT_EQ(label(window(), MaxBcCaption)->buddy(), control(window(), MaxBcValue));
    EXPECT_EQ(label(window(), CaptionBC)->buddy(), control(window(), BcResult)) << "the BC is shown as a result";
}

TEST_F(Access, TextsFollowAUnitAndASetUpChange) {
    write_prefs({{"statePAN", "1"}});
    start();
    choose(UnitMV, 1);
    EXPECT_TRUE(has(description(FieldMV), "metres per second (m/s), 61.0 to 1219.2")) << description(FieldMV);
    EXPECT_EQ(accessible(control(window(), UnitMV), QAccessible::Value), "m/s");
    choose(UnitPOI, 0);
    EXPECT_TRUE(has(description(FieldPOI), "in inches, at least 0.10 below")) << description(FieldPOI);
    EXPECT_TRUE(has(description(PlotSurface), "Point of Impact (Inch)")) << description(PlotSurface);
    EXPECT_EQ(description(FieldTV).rfind("Predicted", 0), 0u) << description(FieldTV);

    click(MethodButtonV);
    ASSERT_EQ(state_.stateRB, DeltaV);
    EXPECT_TRUE(has(description(FieldTV), "from the second chronograph")) << description(FieldTV);
    EXPECT_EQ(description(FieldPOI).rfind("Predicted", 0), 0u);
    EXPECT_TRUE(has(description(PlotSurface), "Plot of Velocity")) << description(PlotSurface);
    EXPECT_FALSE(has(description(FieldTVTol), "Used only"));

    click(ClickZero);
    EXPECT_EQ(name(FieldZR), "Near Zero");
    const std::string density = text(DensityLine);
    click(ClickDensity);
    EXPECT_NE(text(DensityLine), density);
    EXPECT_EQ(name(DensityLine), text(DensityLine));

    // The Confidence values are named afresh with every drawing.
    window().items.at(MenuConfidence)->trigger();
    EXPECT_EQ(name(MinBcValue), "Minimum BC " + text(MinBcValue));
    EXPECT_EQ(name(MinBcValue).size(), std::string("Minimum BC 0.0000").size());
}

TEST_F(Access, EachControlCarriesItsOwnTextsThroughUnitSetUpAndBcChanges) {
    write_prefs({{"statePAN", "1"}});
    start();
    // Every named control shows the texts made for it (not a neighbour's, not those of the
    // state before the change), and no two controls the keyboard reaches sound alike.
    const auto check = [this](const char* after) {
        std::set<std::string> names;
        for (int id : named_controls()) {
            QWidget* c = control(window(), id);
            ASSERT_NE(c, nullptr) << id;
            const AccessibleText expected = accessible_text(state_, app().results, id, text(id));
            EXPECT_EQ(accessible(c, QAccessible::Name), expected.name) << "control " << id << " after " << after;
            EXPECT_EQ(accessible(c, QAccessible::Description), expected.description)
                << "control " << id << " after " << after;
            if (c->focusPolicy() != Qt::NoFocus) {
                EXPECT_TRUE(names.insert(expected.name).second) << expected.name << " twice, after " << after;
            }
        }
    };
    check("the start");
    choose(UnitTR, Metre);
    choose(UnitTV, 1);
    check("unit changes");
    EXPECT_TRUE(has(description(FieldTR), "metres")) << description(FieldTR);
    EXPECT_TRUE(has(description(FieldTV), "metres per second")) << description(FieldTV);
    click(MethodButtonD);
    ASSERT_EQ(state_.stateRB, DeltaD);
    check("a set-up change");
    EXPECT_EQ(description(FieldDROP).rfind("Predicted", 0), std::string::npos) << "the drop is measured now";
    double_click(ClickBC);
    check("the BC entry switched");
    type_into(FieldMV, "900");
    press(Qt::Key_Return);
    check("a new muzzle velocity");
}

TEST_F(Access, ThePreferencesWindowIsNamed) {
    write_prefs();
    start();
    PreferencesWindow& p = app().preferences;
    QCheckBox* boxes[3] = {p.update_box, p.logo_box, p.tooltip_box};
    const char* names[3] = {"Enable update check on start up", "Enable ORMA logo on start and exit", "Enable Tooltips"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(accessible(boxes[row], QAccessible::Name), names[row]);
        EXPECT_FALSE(accessible(boxes[row], QAccessible::Description).empty());
        EXPECT_EQ(p.captions[row][0]->buddy(), boxes[row]);
        EXPECT_EQ(p.captions[row][1]->buddy(), boxes[row]);
    }
    EXPECT_EQ(accessible(p.ok, QAccessible::Name), "OK");
    EXPECT_FALSE(accessible(p.ok, QAccessible::Description).empty());
}

TEST_F(Access, MenusKeepTheirTextsAndUnderlineOnlyWhileAltIsHeld) {
    write_prefs();
    start();
    const std::vector<std::vector<std::string>> shown = {
        {"Utility", "Table Panel", "Plot Panel", "Confidence", "", "Toggle Panel", "", "Fit from Shots…",
         "Save Report…", "", "Preferences", "", "Quit"},
        {"Help", "Help Topics", "Tarvo Website", "", "Check for updates", "", "About"},
    };
    const QList<QAction*> titles = bar()->actions();
    ASSERT_GE(titles.size(), 2);
    for (int m = 0; m < 2; ++m) {
        EXPECT_EQ(menu_text(titles[m]), shown[m][0]);
        std::vector<std::string> items;
        std::set<char> letters;
        for (QAction* item : titles[m]->menu()->actions()) {
            items.push_back(menu_text(item));
            if (item->isSeparator()) continue;
            const char letter = mnemonic_of(item->text().toStdString());
            EXPECT_NE(letter, 0) << menu_text(item);
            EXPECT_TRUE(letters.insert(letter).second) << "two items share " << letter;
        }
        EXPECT_EQ(std::vector<std::string>(shown[m].begin() + 1, shown[m].end()), items);
    }
    EXPECT_NE(mnemonic_of(titles[0]->text().toStdString()), mnemonic_of(titles[1]->text().toStdString()));

    EXPECT_FALSE(mnemonic_cues_shown(bar()));
    QTest::keyPress(field_of(state_.mpag), Qt::Key_Alt);
    EXPECT_TRUE(mnemonic_cues_shown(bar()));
    EXPECT_EQ(bar()->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, bar()), 1);
    QTest::keyClick(field_of(state_.mpag), Qt::Key_Shift, Qt::AltModifier);  // Alt held for another key
    QTest::keyRelease(field_of(state_.mpag), Qt::Key_Alt);
    EXPECT_EQ(bar()->style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, bar()), 0);
    // Alt alone works the menu bar from the keyboard: the letters stay underlined until Escape,
    // which leaves the menu bar and not the program.
    QTest::keyClick(field_of(state_.mpag), Qt::Key_Alt);
    ASSERT_TRUE(bar()->hasFocus());
    EXPECT_TRUE(mnemonic_cues_shown(bar()));
    QTest::keyClick(bar(), Qt::Key_Escape);
    EXPECT_FALSE(bar()->hasFocus());
    EXPECT_FALSE(mnemonic_cues_shown(bar()));
    EXPECT_FALSE(app().ended);
    // After a mouse click a menu shows no underlines.
    QTest::mouseClick(control(window(), PlotSurface), Qt::LeftButton);
    EXPECT_FALSE(mnemonic_cues_shown(window().plot_menu));
}

// Each item of the menu bar chosen with Alt + the title's letter and then the item's letter.
struct MenuCase {
    int item;
    Qt::Key title;
    Qt::Key letter;
};

class MenuMnemonic : public Access, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(MenuMnemonic, AltAndTheLettersChooseTheItem) {
    write_prefs({{"mode", "0"}});
    start();
    const MenuCase c = GetParam();
    QSignalSpy chosen(window().items.at(c.item), &QAction::triggered);
    // The preferences window is modal: it is closed as soon as it shows.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    closer.start(20);
    press(c.title, Qt::AltModifier);
    QMenu* menu = open_menu();
    ASSERT_NE(menu, nullptr) << "Alt opens the menu";
    EXPECT_TRUE(mnemonic_cues_shown(menu)) << "a menu opened from the keyboard shows its letters";
    QTest::keyClick(menu, c.letter);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(open_menu(), nullptr);
    close_menus();
}

INSTANTIATE_TEST_SUITE_P(
    UtilityAndHelp, MenuMnemonic,
    ::testing::Values(MenuCase{MenuTablePanel, Qt::Key_U, Qt::Key_T}, MenuCase{MenuPlotPanel, Qt::Key_U, Qt::Key_P},
                      MenuCase{MenuConfidence, Qt::Key_U, Qt::Key_C}, MenuCase{MenuTogglePanel, Qt::Key_U, Qt::Key_G},
                      MenuCase{MenuPreferences, Qt::Key_U, Qt::Key_E}, MenuCase{MenuSaveReport, Qt::Key_U, Qt::Key_R},
                      MenuCase{MenuQuit, Qt::Key_U, Qt::Key_Q}, MenuCase{MenuHelpTopics, Qt::Key_H, Qt::Key_H},
                      MenuCase{MenuWebsite, Qt::Key_H, Qt::Key_W}, MenuCase{MenuCheckUpdates, Qt::Key_H, Qt::Key_U},
                      MenuCase{MenuAbout, Qt::Key_H, Qt::Key_A}),
    [](const ::testing::TestParamInfo<MenuCase>& p) { return "Item" + std::to_string(p.param.item); });

TEST_F(Access, F10OpensTheMenuBarAndEscapeLeavesItWithoutQuitting) {
    write_prefs();
    start();
    press(Qt::Key_F10);
    QMenu* menu = open_menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu, bar()->actions().first()->menu()) << "the first menu, Utility";
    QTest::keyClick(menu, Qt::Key_Right);
    EXPECT_EQ(open_menu(), bar()->actions().at(1)->menu()) << "the arrows go on to Help";
    QTest::keyClick(open_menu(), Qt::Key_Escape);
    EXPECT_EQ(open_menu(), nullptr);
    if (bar()->hasFocus()) QTest::keyClick(bar(), Qt::Key_Escape);
    EXPECT_FALSE(app().ended) << "Escape in the menus closes them, not the program";
    close_menus();
    press(Qt::Key_Escape);
    EXPECT_TRUE(app().ended) << "and outside them it still quits";
}

TEST_F(Access, TheMenuKeyOpensTheMenuOfThePageShown) {
    write_prefs({{"statePAN", "0"}});
    start();
    focus_control(window(), FieldTR);
    press(Qt::Key_Menu);
    EXPECT_EQ(open_menu(), window().table_menu);
    EXPECT_EQ(focused(), FieldTR) << "the focus stays where it was";
    // The letters choose inside it: the gaps item.
    QTest::keyClick(open_menu(), Qt::Key_G);
    EXPECT_EQ(state_.Gaps, 0);
    close_menus();

    panel(window())->setCurrentIndex(TabPlot);
    press(Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(open_menu(), window().plot_menu);
    QTest::keyClick(open_menu(), Qt::Key_M);
    EXPECT_EQ(state_.ShowTarget, 0);
    close_menus();

    // On the Confidence page the key opens the field's own edit menu.
    panel(window())->setCurrentIndex(TabConfidence);
    focus_control(window(), FieldMV);
    press(Qt::Key_Menu);
    QMenu* edit = open_menu();
    ASSERT_NE(edit, nullptr);
    EXPECT_NE(edit, window().table_menu);
    EXPECT_NE(edit, window().plot_menu);
    close_menus();
}

// Each item of the table's and the plot's menus chosen from the keyboard: the Menu key on the
// item's page, then its letter (a step size through the submenu's letter first).
struct PopupCase {
    int page;
    std::vector<Qt::Key> letters;
    int item;
    float step;  // the table step the item sets, 0 for the other items
};

class PopupMnemonic : public Access, public ::testing::WithParamInterface<PopupCase> {};

TEST_P(PopupMnemonic, TheMenuKeyAndTheLettersChooseTheItem) {
    const PopupCase c = GetParam();
    write_prefs({{"statePAN", std::to_string(c.page)}, {"TableStep", "10"}, {"AutoUpdateCheck", "0"}});
    start();
    int printer_dialogs = 0, save_dialogs = 0;
    app().dialogs.print_setup = [&printer_dialogs](QPrinter&) {
        ++printer_dialogs;
        return false;
    };
    app().dialogs.save_file = [&save_dialogs](const SaveFileRequest&) {
        ++save_dialogs;
        return std::string();
    };
    QSignalSpy chosen(window().items.at(c.item), &QAction::triggered);
    press(Qt::Key_Menu);
    for (Qt::Key letter : c.letters) {
        QMenu* menu = open_menu();
        ASSERT_NE(menu, nullptr) << "a menu is open for the letter " << QKeySequence(letter).toString().toStdString();
        QTest::keyClick(menu, letter);
    }
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(open_menu(), nullptr) << "a chosen item closes the menus";
    if (c.step > 0) {
        EXPECT_FLOAT_EQ(state_.TableStep, c.step);
    }
    const bool prints = c.item == PrintTable || c.item == PrintImage;
    const bool saves =
        c.item == SaveTableCsv || c.item == SaveImage || c.item == SaveTableSpreadsheet || c.item == SaveImagePrintSize;
    EXPECT_EQ(printer_dialogs, prints ? 1 : 0);
    EXPECT_EQ(save_dialogs, saves ? 1 : 0);
    close_menus();
}

INSTANTIATE_TEST_SUITE_P(TableAndPlot, PopupMnemonic,
                         ::testing::Values(PopupCase{TabTable, {Qt::Key_T, Qt::Key_1}, TableStep1, 1.0f},
                                           PopupCase{TabTable, {Qt::Key_T, Qt::Key_5}, TableStep5, 5.0f},
                                           PopupCase{TabTable, {Qt::Key_T, Qt::Key_2}, TableStep25, 25.0f},
                                           PopupCase{TabTable, {Qt::Key_T, Qt::Key_0}, TableStep10, 10.0f},
                                           PopupCase{TabTable, {Qt::Key_G}, TableGaps, 0.0f},
                                           PopupCase{TabTable, {Qt::Key_P}, PrintTable, 0.0f},
                                           PopupCase{TabTable, {Qt::Key_S}, SaveTableCsv, 0.0f},
                                           PopupCase{TabTable, {Qt::Key_V}, SaveTableSpreadsheet, 0.0f},
                                           PopupCase{TabPlot, {Qt::Key_M}, PlotTargetMarker, 0.0f},
                                           PopupCase{TabPlot, {Qt::Key_P}, PrintImage, 0.0f},
                                           PopupCase{TabPlot, {Qt::Key_S}, SaveImage, 0.0f},
                                           PopupCase{TabPlot, {Qt::Key_I}, SaveImagePrintSize, 0.0f}),
                         [](const ::testing::TestParamInfo<PopupCase>& p) {
                             return "Item" + std::to_string(p.param.item);
                         });

TEST_F(Access, TheFieldMenuNamesNoShortcutThatDoesSomethingElse) {
    write_prefs();
    start();
    QLineEdit* f = field_of(FieldMV);
    QMenu* menu = open_field_menu(*f, f->mapToGlobal(QPoint(5, 5)));
    bool select_all = false;
    for (QAction* entry : menu->actions()) {
        EXPECT_FALSE(entry->text().contains("Ctrl+A")) << entry->text().toStdString();
        if (menu_text(entry) == "Select All") select_all = true;
    }
    EXPECT_TRUE(select_all) << "the entry itself stays";
    menu->close();

    // A right click opens the same menu.
    QContextMenuEvent right(QContextMenuEvent::Mouse, QPoint(5, 5), f->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(f, &right);
    QMenu* shown = open_menu();
    ASSERT_NE(shown, nullptr);
    for (QAction* entry : shown->actions()) EXPECT_FALSE(entry->text().contains("Ctrl+A"));
    close_menus();
    // And Ctrl+A in the field is still About.
    type_into(FieldMV, "800");
    press(Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "About Velora");
}

TEST_F(Access, CtrlTabTurnsThePages) {
    write_prefs({{"statePAN", "0"}});
    start();
    type_into(FieldMV, "850");
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(state_.statePAN, TabPlot);
    EXPECT_FLOAT_EQ(state_.MV, 785.0f) << "Ctrl+Tab is no Tab: nothing is committed";
    EXPECT_EQ(focused(), state_.mpag) << "a page chosen gives the focus back to the field, as a click on the tab does";
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(state_.statePAN, TabConfidence);
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(state_.statePAN, TabTable);
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(state_.statePAN, TabConfidence);
    EXPECT_EQ(panel(window())->currentIndex(), TabConfidence);

    // Without the panel there are no pages to turn.
    window().items.at(MenuTogglePanel)->trigger();
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(state_.statePAN, TabConfidence);
    EXPECT_EQ(state_.mode, 0);
}

TEST_F(Access, TheGroupKeyReachesEveryGroupAndTheKeysWorkThere) {
    write_prefs({{"statePAN", "0"}, {"stateBC_VAL", "0"}});
    start();
    focus_control(window(), FieldTR);
    const int order[] = {MethodButtonPOI, UnitTR, DragLawList, ClickZero, PanelButton, OutputPanel, FieldTR};
    for (int expected : order) {
        press(Qt::Key_F6);
        EXPECT_EQ(focused(), expected);
    }
    press(Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(focused(), OutputPanel);

    // The pages: the arrows turn them and the focus stays on the tab strip.
    press(Qt::Key_Right);
    EXPECT_EQ(state_.statePAN, TabPlot);
    EXPECT_EQ(focused(), OutputPanel);

    // The set-up: the arrows choose the next one, as option buttons do.
    focus_control(window(), MethodButtonPOI);
    press(Qt::Key_Down);
    EXPECT_EQ(state_.stateRB, DeltaT);
    EXPECT_EQ(focused(), MethodButtonT);

    // The unit lists: Left/Right go from list to list, Up/Down choose the unit.
    focus_control(window(), UnitMV);
    press(Qt::Key_Right);
    EXPECT_EQ(focused(), UnitZR);
    press(Qt::Key_Left);
    press(Qt::Key_Down);
    EXPECT_EQ(state_.stateMV, 1);
    EXPECT_EQ(text(FieldMV), "239.3");

    // The switches: Space does what the click (or the BC caption's double-click) does.
    focus_control(window(), ClickZero);
    ASSERT_EQ(focused(), ClickZero);
    press(Qt::Key_Space);
    EXPECT_EQ(text(CaptionZR), "Near Zero");
    press(Qt::Key_Right);
    EXPECT_EQ(focused(), ClickBC);
    press(Qt::Key_Space);
    EXPECT_EQ(state_.stateBC_VAL, 1);
    press(Qt::Key_Right);
    const std::string density = text(DensityLine);
    press(Qt::Key_Space);
    EXPECT_NE(text(DensityLine), density);

    // The panel button: Space.
    focus_control(window(), PanelButton);
    press(Qt::Key_Space);
    EXPECT_EQ(state_.mode, 0);
    // Tab from any of them goes back to the first field, as the fields' navigation says.
    focus_control(window(), DragLawList);
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), FieldMV);
}

TEST_F(Access, TheSwitchesAreButtonsThatAReaderPresses) {
    write_prefs({{"stateBC_VAL", "0"}});
    start();
    focus_control(window(), FieldTR);
    const auto reader_press = [this](int id) {
        QAccessibleInterface* s = QAccessible::queryAccessibleInterface(control(window(), id));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->role(), QAccessible::Button) << "control " << id;
        QAccessibleActionInterface* actions = s->actionInterface();
        ASSERT_NE(actions, nullptr) << "control " << id;
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
        actions->doAction(QAccessibleActionInterface::pressAction());
    };
    reader_press(ClickZero);
    EXPECT_EQ(text(CaptionZR), "Near Zero");
    EXPECT_EQ(name(FieldZR), "Near Zero");
    reader_press(ClickBC);
    EXPECT_EQ(state_.stateBC_VAL, 1) << "one press switches the BC entry, as the caption's double-click";
    const std::string density = text(DensityLine);
    reader_press(ClickDensity);
    EXPECT_NE(text(DensityLine), density);
    EXPECT_EQ(focused(), FieldTR) << "a reader's press leaves the keyboard focus where it was";
}

TEST_F(Access, AClickOnASwitchLeavesTheFocusWhereItWas) {
    write_prefs();
    start();
    focus_control(window(), FieldTR);
    click(ClickZero);
    EXPECT_EQ(focused(), FieldTR);
    EXPECT_EQ(text(CaptionZR), "Near Zero");
}

}  // namespace
}  // namespace velora
