#include "app/event_bridge.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/control_ids.h"
#include "app/dispatch.h"

namespace velora {

int shortcut_number(const QKeyEvent& key)
{
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

namespace {

// Watches every event of the application before the widgets see it: the window's own keys take
// precedence over the widgets' (Tab never walks Qt's focus chain, Ctrl+A is About and not
// "select all"), clicks on the click areas, the table and the plot become control events, and the
// close box becomes the close request.
class EventBridge : public QObject {
public:
    explicit EventBridge(App& app) : app_(app) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !app_.window.window || widget->window() != app_.window.window.get()) return false;
        switch (event->type()) {
            case QEvent::KeyPress: {
                const int number = shortcut_number(*static_cast<QKeyEvent*>(event));
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
            default: return false;
        }
    }

private:
    bool mouse(QWidget* widget, QMouseEvent* m)
    {
        const int id = control_id_of(widget);
        const bool click_area = id >= ClickMethodPOI && id <= ClickDensity;
        if (!click_area && id != TableRows && id != TableHeader && id != PlotSurface) return false;
        ControlAction action = ControlAction::LeftClick;
        if (m->type() == QEvent::MouseButtonDblClick) action = ControlAction::DoubleClick;
        else if (m->button() == Qt::RightButton) action = ControlAction::RightClick;
        else if (m->button() != Qt::LeftButton) return false;
        const QPoint at = m->globalPosition().toPoint();
        deliver_event(app_, {EventKind::Control, id, action, at.x(), at.y()});
        // The click is the dispatcher's alone: the table lists do not select the line under it, as
        // every event leaves them without a selection.
        return true;
    }

    App& app_;
};

}  // namespace

void connect_events(App& app)
{
    auto bridge = std::make_unique<EventBridge>(app);
    qApp->installEventFilter(bridge.get());
    MainWindow& w = app.window;
    App* a = &app;

    for (const auto& [id, item] : w.items) {
        const int number = id;
        QObject::connect(item, &QAction::triggered, bridge.get(), [a, number] { deliver_event(*a, {EventKind::Menu, number}); });
    }
    for (const auto& [id, widget] : w.controls) {
        const int number = id;
        if (auto* l = qobject_cast<QComboBox*>(widget)) {
            QObject::connect(l, &QComboBox::activated, bridge.get(),
                             [a, number](int) { deliver_event(*a, {EventKind::Control, number}); });
        } else if (auto* b = qobject_cast<QRadioButton*>(widget)) {
            QObject::connect(b, &QRadioButton::clicked, bridge.get(),
                             [a, number] { deliver_event(*a, {EventKind::Control, number, ControlAction::LeftClick}); });
        } else if (auto* push = qobject_cast<QPushButton*>(widget)) {
            QObject::connect(push, &QPushButton::clicked, bridge.get(),
                             [a, number] { deliver_event(*a, {EventKind::Control, number, ControlAction::LeftClick}); });
        } else if (auto* t = qobject_cast<QTabWidget*>(widget)) {
            QObject::connect(t, &QTabWidget::currentChanged, bridge.get(),
                             [a, number](int) { deliver_event(*a, {EventKind::Control, number}); });
        }
    }
    app.events = std::move(bridge);
}

}  // namespace velora
