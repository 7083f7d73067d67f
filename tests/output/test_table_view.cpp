#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QListWidget>
#include <QMenu>
#include <QTest>

#include "output/popup_menus.h"
#include "output/table_view.h"
#include "tests/output/output_fixture.h"

namespace velora {
namespace {

// The text a menu shows for an action (its mnemonic mark dropped).
std::string menu_text(const QAction* action) { return without_mnemonic(action->text().toStdString()); }

TEST(TableLists, ShowTheLinesAndGiveThemBack) {
    const CalcState s = testing::first_run_state();
    const TableLines table = fill_table(s, *testing::results_for(s));
    QListWidget header, rows;
    setup_table_lists(header, rows);
    show_table(header, rows, table);
    ASSERT_EQ(header.count(), 2);
    EXPECT_EQ(header.item(0)->text().toStdString(), "  Range  Velocity     PoI     Time     Drop");
    EXPECT_EQ(rows.count(), static_cast<int>(table.rows.size()));
    EXPECT_EQ(rows.item(0)->text(), QString());

    const TableLines back = read_table(header, rows);
    EXPECT_EQ(back.header, table.header);
    EXPECT_EQ(back.rows, table.rows);

    // A second table replaces the first.
    TableLines small{{"a", "b"}, {"", "1", ""}};
    show_table(header, rows, small);
    EXPECT_EQ(rows.count(), 3);
    EXPECT_TRUE(QFontInfo(rows.font()).fixedPitch());
    EXPECT_TRUE(rows.font().bold());
    EXPECT_EQ(rows.font().pointSize(), 10);
}

TEST(PopupMenu, ItemsCarryTheirCommandsAndTicks) {
    CalcState s = testing::first_run_state();
    QMenu menu;
    fill_popup_menu(menu, table_menu_items(s));
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), 9);
    EXPECT_EQ(menu_text(actions[0]), "Table Option Menu:");
    EXPECT_EQ(actions[0]->data().toInt(), 0);
    EXPECT_TRUE(actions[0]->isSeparator()) << "the title is a section header";
    EXPECT_TRUE(actions[0]->font().bold());
    EXPECT_TRUE(actions[1]->isSeparator());
    QMenu* steps = actions[2]->menu();
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(menu_text(actions[2]), "Table Step ...");
    const QList<QAction*> step_actions = steps->actions();
    ASSERT_EQ(step_actions.size(), 6);
    EXPECT_EQ(menu_text(step_actions[3]), "5");
    EXPECT_EQ(step_actions[3]->data().toInt(), 104);
    EXPECT_TRUE(step_actions[3]->isChecked());
    EXPECT_FALSE(step_actions[2]->isChecked());
    EXPECT_EQ(menu_text(actions[4]), "Hide Table Gaps");
    EXPECT_EQ(actions[4]->data().toInt(), 107);
    EXPECT_EQ(actions[7]->data().toInt(), 109);
    EXPECT_EQ(actions[8]->data().toInt(), 140);

    // Rebuilt after every table: the old submenu goes with the old items.
    for (int i = 0; i < 5; ++i) fill_popup_menu(menu, table_menu_items(s));
    EXPECT_EQ(menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    EXPECT_EQ(menu.actions().size(), 9);

    // Refreshed in place: the same actions with the new texts and the tick moved.
    QAction* gaps = menu.actions()[4];
    QAction* step10 = menu.actions()[2]->menu()->actions()[4];
    s.Gaps = 0;
    s.TableStep = 10.0f;
    refresh_popup_menu(menu, table_menu_items(s));
    ASSERT_EQ(menu.actions()[4], gaps);
    EXPECT_EQ(menu_text(gaps), "Show Table Gaps");
    EXPECT_TRUE(step10->isChecked());
    EXPECT_FALSE(menu.actions()[2]->menu()->actions()[3]->isChecked());

    // A menu of another shape is filled anew.
    refresh_popup_menu(menu, plot_menu_items(s));
    ASSERT_EQ(menu.actions().size(), 7);
    EXPECT_EQ(menu_text(menu.actions()[2]), "Hide Target Marker");
    EXPECT_EQ(menu.actions()[2]->data().toInt(), 111);
    EXPECT_TRUE(menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
}

TEST(PopupMenu, TheTitlesCannotBeHighlighted) {
    CalcState s = testing::first_run_state();
    QMenu menu;
    fill_popup_menu(menu, table_menu_items(s));
    menu.popup(QPoint(0, 0));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    // The first key goes past the title to the step submenu; from the top the last key wraps past
    // it to the last command.
    QTest::keyClick(&menu, Qt::Key_Down);
    ASSERT_NE(menu.activeAction(), nullptr);
    EXPECT_EQ(menu_text(menu.activeAction()), "Table Step ...");
    QTest::keyClick(&menu, Qt::Key_Up);
    ASSERT_NE(menu.activeAction(), nullptr);
    EXPECT_EQ(menu_text(menu.activeAction()), "Save Table as Spreadsheet CSV…");
    // The mouse over the title highlights nothing.
    const QRect title = menu.actionGeometry(menu.actions()[0]);
    QTest::mouseMove(&menu, title.center());
    EXPECT_NE(menu.activeAction(), menu.actions()[0]);
    menu.close();
}

}  // namespace
}  // namespace velora
