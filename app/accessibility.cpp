#include "app/accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>

#include "app/accessible_texts.h"
#include "app/control_ids.h"
#include "app/focus_mark.h"

namespace velora {

namespace {

constexpr const char* CueStyleName = "veloraMnemonicCues";

// The menus' style: the application's own, except that the mnemonic letters are underlined only
// while Alt is held, while the menu bar is worked from the keyboard, and in menus opened or worked
// from the keyboard. It watches the keyboard and the mouse of the whole application for that.
class MnemonicCueStyle : public QProxyStyle {
public:
    MnemonicCueStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
        setObjectName(QString::fromUtf8(CueStyleName));
        setParent(qApp);
        qApp->installEventFilter(this);
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* answer) const override {
        if (hint == SH_UnderlineShortcut) return cues_shown(widget) ? 1 : 0;
        return QProxyStyle::styleHint(hint, option, widget, answer);
    }

    bool cues_shown(const QWidget* w) const {
        if (alt_down_) return true;
        if (const auto* bar = qobject_cast<const QMenuBar*>(w))
            return bar->hasFocus() || (keyboard_ && bar->activeAction() != nullptr);
        if (qobject_cast<const QMenu*>(w) != nullptr) return keyboard_;
        return false;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
                keyboard_ = true;
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt) set_alt(true);
                break;
            case QEvent::KeyRelease:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt) set_alt(false);
                break;
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick: keyboard_ = false; break;
            case QEvent::ApplicationDeactivate: set_alt(false); break;
            default: break;
        }
        return QProxyStyle::eventFilter(watched, event);
    }

private:
    void set_alt(bool down) {
        if (alt_down_ == down) return;
        alt_down_ = down;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMenu*>(top) != nullptr) top->update();
            for (QMenuBar* bar : top->findChildren<QMenuBar*>()) bar->update();
        }
    }

    bool alt_down_ = false;
    bool keyboard_ = false;  // the last input came from the keyboard
};

// The one cue style of the application, made with the first window.
MnemonicCueStyle* cue_style() {
    if (QStyle* made = qApp->findChild<QStyle*>(QString::fromUtf8(CueStyleName), Qt::FindDirectChildrenOnly))
        return static_cast<MnemonicCueStyle*>(made);
    return new MnemonicCueStyle;
}

void use_cue_style(QMenu* menu) {
    menu->setStyle(cue_style());
    for (QMenu* sub : menu->findChildren<QMenu*>()) sub->setStyle(cue_style());
}

// A unit or drag-law list as a screen reader meets it: named by its quantity (the toolkit names a
// list by its current entry on this platform, which says nothing about what it is for), its entry
// as the value, its entries as its one child, and opened by the reader's action.
class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return list()->currentText();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return 1; }
    QAccessibleInterface* child(int index) const override {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        return c != nullptr && c->object() == list()->view() ? 0 : -1;
    }
    QAccessible::State state() const override {
        QAccessible::State st = QAccessibleWidget::state();
        st.expandable = true;
        st.expanded = list()->view()->isVisible();
        return st;
    }
    QStringList actionNames() const override {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == showMenuAction() || action == pressAction())
            list()->showPopup();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QComboBox* list() const { return static_cast<QComboBox*>(widget()); }
};

// A switch (zero, BC entry, density unit) is a click area without a look of its own; a reader
// meets it as a button whose press does what a click on its caption does (a double-click on the
// BC's), wherever the keyboard focus is.
class SwitchAccessible : public QAccessibleWidget {
public:
    explicit SwitchAccessible(QWidget* area) : QAccessibleWidget(area, QAccessible::Button) {}

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& action) override {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        QWidget* area = widget();
        const QPointF at(area->width() / 2.0, area->height() / 2.0);
        const bool twice = control_id_of(area) == ClickBC;
        QMouseEvent click(twice ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, at, area->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(area, &click);
    }
};

bool is_switch(int id) { return id == ClickZero || id == ClickBC || id == ClickDensity; }

// Our lists and switches get the interfaces above; every other widget the toolkit's own.
QAccessibleInterface* readers_accessible(const QString& class_name, QObject* object) {
    if (class_name == QLatin1String("QComboBox")) {
        auto* list = qobject_cast<QComboBox*>(object);
        if (list == nullptr || control_id_of(list) == NoControl) return nullptr;
        return new ListAccessible(list);
    }
    if (class_name == QLatin1String("QWidget") && object->isWidgetType() &&
        is_switch(control_id_of(static_cast<QWidget*>(object))))
        return new SwitchAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

void set_texts(QWidget* c, const AccessibleText& t) {
    if (c == nullptr) return;
    const QString name = QString::fromStdString(t.name);
    const QString description = QString::fromStdString(t.description);
    if (c->accessibleName() != name) c->setAccessibleName(name);
    if (c->accessibleDescription() != description) c->setAccessibleDescription(description);
}

}  // namespace

void prepare_accessibility() {
    // Once for the application. The toolkit makes a list's interface as soon as the list is
    // filled, so this comes before any list is made.
    static const bool lists_named = [] {
        QAccessible::installFactory(readers_accessible);
        return true;
    }();
    (void)lists_named;
}

void set_up_accessibility(MainWindow& w) {
    for (const CaptionPair& pair : caption_pairs())
        if (QLabel* caption = label(w, pair.caption)) caption->setBuddy(control(w, pair.control));

    for (int id : {ClickZero, ClickBC, ClickDensity}) {
        // Reached by the group key only: a click still leaves the focus where it was. The focus
        // mark rings the caption's text.
        if (QWidget* area = control(w, id)) area->setFocusPolicy(Qt::TabFocus);
    }
    mark_focus_in(w.window.get());

    if (QMenuBar* bar = w.window->menuBar()) {
        bar->setStyle(cue_style());
        for (QAction* title : bar->actions())
            if (QMenu* menu = title->menu()) use_cue_style(menu);
    }
    for (QMenu* menu : {w.plot_menu, w.table_menu})
        if (menu != nullptr) use_cue_style(menu);
}

void apply_accessible_texts(App& app) {
    const CalcState& s = app.state;
    MainWindow& w = app.window;
    for (int id : named_controls()) {
        QWidget* c = control(w, id);
        if (c != nullptr) set_texts(c, accessible_text(s, app.results, id, control_text(w, id)));
    }
    // The BC caption stands for whichever of the field and the result is shown.
    if (QLabel* caption = label(w, CaptionBC)) {
        QWidget* shown = control(w, s.stateBC_VAL == 1 ? BcResult : FieldBC);
        if (caption->buddy() != shown) caption->setBuddy(shown);
    }
}

void set_up_preferences_accessibility(PreferencesWindow& p) {
    QCheckBox* boxes[3] = {p.update_box, p.logo_box, p.tooltip_box};
    for (int row = 0; row < 3; ++row) {
        set_texts(boxes[row], preferences_text(row));
        for (QLabel* caption : p.captions[row])
            if (caption != nullptr) caption->setBuddy(boxes[row]);
    }
    set_texts(p.ok, preferences_text(3));
}

QMenu* open_field_menu(QLineEdit& field, const QPoint& global_position) {
    QMenu* menu = field.createStandardContextMenu();
    for (QAction* entry : menu->actions()) {
        const QString text = entry->text();
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        // Ctrl+A opens About here; the entry selects all the same, without naming that key.
        if (tab >= 0 &&
            (entry->objectName() == QLatin1String("select-all") || text.startsWith(QLatin1String("Select All"))))
            entry->setText(text.left(tab));
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    use_cue_style(menu);
    menu->popup(global_position);
    return menu;
}

void watch_input_for_mnemonic_cues() { qApp->installEventFilter(cue_style()); }

bool mnemonic_cues_shown(const QWidget* menu) { return cue_style()->cues_shown(menu); }

}  // namespace velora
