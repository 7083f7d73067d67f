#include "app/event_bridge.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/accessibility.h"
#include "app/control_ids.h"
#include "app/dispatch.h"
#include "app/key_groups.h"

namespace velora {

int shortcut_number(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: return mods == Qt::NoModifier ? KeyReturn : 0;
        case Qt::Key_Escape: return KeyQuit;
        case Qt::Key_Q: return ctrl ? KeyQuit : 0;
        case Qt::Key_F1: return KeyHelp;
        case Qt::Key_H: return ctrl ? KeyHelp : 0;
        case Qt::Key_F2: return KeyAbout;
        case Qt::Key_A: return ctrl ? KeyAbout : 0;
        case Qt::Key_Tab: return (mods & Qt::ShiftModifier) ? KeyBacktab : KeyTab;
        case Qt::Key_Backtab: return KeyBacktab;
        default: return 0;
    }
}

KeyCommand key_command(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers() & ~Qt::KeypadModifier;
    const bool plain = mods == Qt::NoModifier;
    switch (key.key()) {
        case Qt::Key_F10:
            if (plain) return KeyCommand::OpenMenuBar;
            return mods == Qt::ShiftModifier ? KeyCommand::ContextMenu : KeyCommand::None;
        case Qt::Key_Menu: return plain ? KeyCommand::ContextMenu : KeyCommand::None;
        case Qt::Key_Tab:
            if (mods == Qt::ControlModifier) return KeyCommand::NextPage;
            return mods == (Qt::ControlModifier | Qt::ShiftModifier) ? KeyCommand::PreviousPage : KeyCommand::None;
        case Qt::Key_Backtab: return (mods & Qt::ControlModifier) ? KeyCommand::PreviousPage : KeyCommand::None;
        case Qt::Key_F6:
            if (plain) return KeyCommand::NextGroup;
            return mods == Qt::ShiftModifier ? KeyCommand::PreviousGroup : KeyCommand::None;
        case Qt::Key_Left: return plain ? KeyCommand::PreviousInGroup : KeyCommand::None;
        case Qt::Key_Right: return plain ? KeyCommand::NextInGroup : KeyCommand::None;
        case Qt::Key_Space: return plain ? KeyCommand::Press : KeyCommand::None;
        default: return KeyCommand::None;
    }
}

namespace {

// Opens the first menu of the menu bar, from where the arrow keys go on.
void open_menu_bar(MainWindow& w) {
    QMenuBar* bar = w.window->menuBar();
    const QList<QAction*> titles = bar->actions();
    if (!titles.isEmpty()) bar->setActiveAction(titles.first());
}

// The Menu key: the table's or the plot's menu while its page is shown, over its top left; else
// the focused field's edit menu below it.
bool open_context_menu(App& app) {
    MainWindow& w = app.window;
    const int page = panel(w) != nullptr ? panel(w)->currentIndex() : -1;
    if (app.state.mode == 1 && (page == TabTable || page == TabPlot)) {
        const int id = page == TabTable ? TableRows : PlotSurface;
        QWidget* target = control(w, id);
        const QPoint at = target->mapToGlobal(QPoint(target->width() / 4, 20));
        deliver_event(app, {EventKind::Control, id, ControlAction::MenuKey, at.x(), at.y()});
        return true;
    }
    if (auto* f = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        f != nullptr && f->window() == w.window.get()) {
        open_field_menu(*f, f->mapToGlobal(QPoint(f->width() / 4, f->height())));
        return true;
    }
    return false;
}

// The switches answer Space as a click on their caption does (the BC's caption takes a
// double-click).
bool press_switch(App& app, int id) {
    switch (id) {
        case ClickZero:
        case ClickDensity: deliver_event(app, {EventKind::Control, id, ControlAction::LeftClick}); return true;
        case ClickBC: deliver_event(app, {EventKind::Control, id, ControlAction::DoubleClick}); return true;
        default: return false;
    }
}

// The keys beyond the specified shortcuts; true when the key was used. `last_field` is the input
// field the user was last in, where the group key comes back to.
bool reach_by_key(App& app, KeyCommand command, int& last_field) {
    MainWindow& w = app.window;
    const int focused = focused_control(w);
    if (is_input_field(focused)) last_field = focused;
    switch (command) {
        case KeyCommand::OpenMenuBar: open_menu_bar(w); return true;
        case KeyCommand::ContextMenu: return open_context_menu(app);
        case KeyCommand::NextPage:
        case KeyCommand::PreviousPage: {
            // The pages turn while the panel is shown; the change reaches the dispatcher as a tab
            // chosen by the user.
            QTabWidget* tabs = panel(w);
            if (app.state.mode == 1 && tabs != nullptr && tabs->count() > 0) {
                const int step = command == KeyCommand::NextPage ? 1 : tabs->count() - 1;
                tabs->setCurrentIndex((tabs->currentIndex() + step) % tabs->count());
            }
            return true;
        }
        case KeyCommand::NextGroup:
        case KeyCommand::PreviousGroup: {
            // A field reached from the keyboard is ready to be typed over.
            const int next = next_group_control(app.state, focused, command == KeyCommand::NextGroup, last_field);
            focus_control(w, next);
            select_field_text(w, next);
            return true;
        }
        case KeyCommand::NextInGroup:
        case KeyCommand::PreviousInGroup: {
            const int next = next_in_group(focused, command == KeyCommand::NextInGroup);
            if (next == NoControl) return false;
            focus_control(w, next);
            return true;
        }
        case KeyCommand::Press: return press_switch(app, focused);
        case KeyCommand::None: return false;
    }
    return false;
}

// Watches every event of the application before the widgets see it: the window's own keys take
// precedence over the widgets' (Tab never walks Qt's focus chain, Ctrl+A is About and not
// "select all"), clicks on the click areas, the table and the plot become control events, and the
// close box becomes the close request.
class EventBridge : public QObject {
public:
    explicit EventBridge(App& app) : app_(app) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !app_.window.window || widget->window() != app_.window.window.get()) return false;
        switch (event->type()) {
            case QEvent::KeyPress: {
                // The menu bar worked from the keyboard (Alt, F10) keeps its own keys: Escape
                // leaves it rather than the program.
                if (qobject_cast<QMenuBar*>(widget) != nullptr) return false;
                auto* key = static_cast<QKeyEvent*>(event);
                if (const KeyCommand command = key_command(*key); command != KeyCommand::None && app_.dispatching) {
                    if (reach_by_key(app_, command, last_field_)) {
                        event->accept();
                        return true;
                    }
                }
                const int number = shortcut_number(*key);
                if (number == 0) return false;
                event->accept();
                deliver_event(app_, {EventKind::Menu, number});
                return true;
            }
            case QEvent::Close:
                if (widget != app_.window.window.get()) return false;
                event->ignore();
                deliver_event(app_, {EventKind::Close, 0});
                return true;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick: return mouse(widget, static_cast<QMouseEvent*>(event));
            case QEvent::ContextMenu:
                if (auto* f = qobject_cast<QLineEdit*>(widget)) {
                    open_field_menu(*f, static_cast<QContextMenuEvent*>(event)->globalPos());
                    return true;
                }
                return false;
            default: return false;
        }
    }

private:
    bool mouse(QWidget* widget, QMouseEvent* m) {
        const int id = control_id_of(widget);
        const bool click_area = id >= ClickMethodPOI && id <= ClickDensity;
        if (!click_area && id != TableRows && id != TableHeader && id != PlotSurface) return false;
        ControlAction action = ControlAction::LeftClick;
        if (m->type() == QEvent::MouseButtonDblClick)
            action = ControlAction::DoubleClick;
        else if (m->button() == Qt::RightButton)
            action = ControlAction::RightClick;
        else if (m->button() != Qt::LeftButton)
            return false;
        const QPoint at = m->globalPosition().toPoint();
        deliver_event(app_, {EventKind::Control, id, action, at.x(), at.y()});
        // The click is the dispatcher's alone: the table lists do not select the line under it, as
        // every event leaves them without a selection.
        return true;
    }

    App& app_;
    int last_field_ = NoControl;  // the input field the group key returns to
};

}  // namespace

void connect_events(App& app) {
    auto bridge = std::make_unique<EventBridge>(app);
    qApp->installEventFilter(bridge.get());
    // The mnemonic underlines follow every key and click, also those the bridge takes.
    watch_input_for_mnemonic_cues();
    MainWindow& w = app.window;
    App* a = &app;

    for (const auto& [id, item] : w.items) {
        const int number = id;
        QObject::connect(item, &QAction::triggered, bridge.get(), [a, number] {
            deliver_event(*a, {EventKind::Menu, number});
        });
    }
    for (const auto& [id, widget] : w.controls) {
        const int number = id;
        if (auto* l = qobject_cast<QComboBox*>(widget)) {
            QObject::connect(l, &QComboBox::activated, bridge.get(), [a, number](int) {
                deliver_event(*a, {EventKind::Control, number});
            });
        } else if (auto* b = qobject_cast<QRadioButton*>(widget)) {
            QObject::connect(b, &QRadioButton::clicked, bridge.get(), [a, number] {
                deliver_event(*a, {EventKind::Control, number, ControlAction::LeftClick});
            });
        } else if (auto* push = qobject_cast<QPushButton*>(widget)) {
            QObject::connect(push, &QPushButton::clicked, bridge.get(), [a, number] {
                deliver_event(*a, {EventKind::Control, number, ControlAction::LeftClick});
            });
        } else if (auto* t = qobject_cast<QTabWidget*>(widget)) {
            QObject::connect(t, &QTabWidget::currentChanged, bridge.get(), [a, number](int) {
                deliver_event(*a, {EventKind::Control, number});
            });
        }
    }
    app.events = std::move(bridge);
}

}  // namespace velora
