#include "output/table_view.h"

#include <QAbstractItemView>
#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QStringList>

namespace velora {

QFont table_list_font() {
    QFont font(QStringLiteral("Courier New"), 10, QFont::Bold);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

void setup_table_lists(QListWidget& header_list, QListWidget& row_list) {
    for (QListWidget* list : {&header_list, &row_list}) {
        list->setFont(table_list_font());
        list->setWordWrap(false);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setUniformItemSizes(true);
    }
}

namespace {

void fill_list(QListWidget& list, const std::vector<std::string>& lines) {
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) texts.push_back(QString::fromStdString(line));
    list.setUpdatesEnabled(false);
    list.clear();
    list.addItems(texts);
    list.setUpdatesEnabled(true);
}

std::vector<std::string> list_lines(const QListWidget& list) {
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i) lines.push_back(list.item(i)->text().toStdString());
    return lines;
}

// A command's or submenu's text with its mnemonic marked.
QString label_of(const PopupMenuItem& item) { return QString::fromStdString(with_mnemonic(item.text, item.mnemonic)); }

void add_items(QMenu& menu, const std::vector<PopupMenuItem>& items) {
    for (const PopupMenuItem& item : items) {
        switch (item.kind) {
            case PopupMenuItem::Separator: menu.addSeparator(); break;
            case PopupMenuItem::Submenu: add_items(*menu.addMenu(label_of(item)), item.items); break;
            case PopupMenuItem::Title: add_menu_title(menu, QString::fromStdString(item.text)); break;
            case PopupMenuItem::Command: {
                QAction* action = menu.addAction(label_of(item));
                action->setData(item.command);
                if (item.checked) {
                    action->setCheckable(true);
                    action->setChecked(true);
                }
                break;
            }
        }
    }
}

bool same_shape(const QMenu& menu, const std::vector<PopupMenuItem>& items) {
    const QList<QAction*> actions = menu.actions();
    if (actions.size() != static_cast<qsizetype>(items.size())) return false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const QAction* action = actions[static_cast<qsizetype>(i)];
        const PopupMenuItem& item = items[i];
        // A title is a section header: a separator that carries a text.
        const bool title = item.kind == PopupMenuItem::Title;
        if (action->isSeparator() != (title || item.kind == PopupMenuItem::Separator)) return false;
        if (action->isSeparator() && action->text().isEmpty() == title) return false;
        if ((action->menu() != nullptr) != (item.kind == PopupMenuItem::Submenu)) return false;
        if (item.kind == PopupMenuItem::Submenu && !same_shape(*action->menu(), item.items)) return false;
    }
    return true;
}

void apply_texts_and_ticks(QMenu& menu, const std::vector<PopupMenuItem>& items) {
    const QList<QAction*> actions = menu.actions();
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* action = actions[static_cast<qsizetype>(i)];
        const PopupMenuItem& item = items[i];
        if (item.kind == PopupMenuItem::Separator) continue;
        action->setText(item.kind == PopupMenuItem::Title ? QString::fromStdString(item.text) : label_of(item));
        if (item.kind == PopupMenuItem::Submenu) {
            apply_texts_and_ticks(*action->menu(), item.items);
            continue;
        }
        if (item.checked) action->setCheckable(true);
        if (action->isCheckable()) action->setChecked(item.checked);
    }
}

}  // namespace

QAction* add_menu_title(QMenu& menu, const QString& text) {
    QAction* title = menu.addSection(text);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setData(NoCommand);
    return title;
}

void show_table(QListWidget& header_list, QListWidget& row_list, const TableLines& lines) {
    fill_list(header_list, lines.header);
    fill_list(row_list, lines.rows);
}

TableLines read_table(const QListWidget& header_list, const QListWidget& row_list) {
    return {list_lines(header_list), list_lines(row_list)};
}

void fill_popup_menu(QMenu& menu, const std::vector<PopupMenuItem>& items) {
    // The submenus of the last filling are children of the menu; clear() leaves them behind.
    const QList<QMenu*> old_submenus = menu.findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
    menu.clear();
    qDeleteAll(old_submenus);
    add_items(menu, items);
}

void refresh_popup_menu(QMenu& menu, const std::vector<PopupMenuItem>& items) {
    if (same_shape(menu, items))
        apply_texts_and_ticks(menu, items);
    else
        fill_popup_menu(menu, items);
}

}  // namespace velora
