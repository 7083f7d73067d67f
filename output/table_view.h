// The range table in the window's two lists, and the output panel's popup menus as Qt menus.
#pragma once

#include <vector>

#include <QFont>

#include "output/popup_menus.h"
#include "output/range_table.h"

class QAction;
class QListWidget;
class QMenu;
class QString;

namespace velora {

// The lists' font: "Courier New", 10 points, bold (any monospaced face where it is missing).
QFont table_list_font();

// Once, when the window is built: the font, no selection that means anything, no word wrap.
void setup_table_lists(QListWidget& header_list, QListWidget& row_list);

// Replaces the content of the two lists by the table's lines (the header list gets the two header
// lines, the row list everything else). Called after every recalculation while the panel shows.
void show_table(QListWidget& header_list, QListWidget& row_list, const TableLines& lines);

// The table as the two lists hold it: what the CSV export and the table printout work from.
TableLines read_table(const QListWidget& header_list, const QListWidget& row_list);

// A menu's title: a bold section header that cannot be highlighted or chosen.
QAction* add_menu_title(QMenu& menu, const QString& text);

// Replaces the menu's content by `items`. Every item that runs a command carries the command
// number as its action's data (QAction::data().toInt()); titles carry 0 and do nothing.
void fill_popup_menu(QMenu& menu, const std::vector<PopupMenuItem>& items);

// Brings a menu of the same shape as `items` (the same kinds in the same order, as the window's
// own menus are) up to date in place: the texts and the ticks. Its actions, and whatever the
// window keeps of them, stay. A menu of another shape is filled anew by fill_popup_menu.
void refresh_popup_menu(QMenu& menu, const std::vector<PopupMenuItem>& items);

}  // namespace velora
