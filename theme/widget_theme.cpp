#include "theme/widget_theme.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleFactory>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

namespace velora {

namespace {

constexpr const char* BackProperty = "veloraThemeBack";
constexpr const char* FrontProperty = "veloraThemeFront";
constexpr const char* FillProperty = "veloraThemeFill";
constexpr const char* TabsProperty = "veloraThemeTabs";

QColor qcolour(Colour c) { return QColor(red_of(c), green_of(c), blue_of(c)); }
Colour colour_of(const QColor& q) { return rgb(q.red(), q.green(), q.blue()); }

// Palettes are honoured the same way on every platform by the Fusion style.
void use_palette_style(QWidget* w) {
    static QStyle* fusion = QStyleFactory::create("Fusion");
    if (fusion != nullptr && w->style() != fusion) w->setStyle(fusion);
}

Colour effective_back(const QWidget* w) {
    const QVariant v = w->property(BackProperty);
    return v.isValid() ? v.toInt() : UntouchedColour;
}

// The background a widget passes on to what it holds: its themed colour, else what it shows.
Colour background_of_parent(const QWidget* parent, const SystemColours& sys) {
    if (parent == nullptr) return sys.button_face;
    const Colour themed = effective_back(parent);
    if (themed != UntouchedColour) return passed_on_background(themed, sys);
    return colour_of(parent->palette().color(QPalette::Window));
}

// The nearest ancestor that is a control or a window (Qt's own helper widgets in between, such as
// the stack of a tab widget, don't count).
QWidget* control_parent(const QWidget* w) {
    QWidget* p = w->parentWidget();
    while (p != nullptr && p->parentWidget() != nullptr && qobject_cast<QStackedWidget*>(p) != nullptr &&
           qobject_cast<QTabWidget*>(p->parentWidget()) != nullptr)
        p = p->parentWidget();
    return p;
}

bool has_child_widgets(const QWidget* w) {
    return !w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
}

void set_colours(QPalette& p, QPalette::ColorRole role, Colour c) {
    if (c < 0) return;
    p.setColor(QPalette::Active, role, qcolour(c));
    p.setColor(QPalette::Inactive, role, qcolour(c));
    p.setColor(QPalette::Disabled, role, qcolour(c));
}

void set_text_colours(QPalette& p, Colour front) {
    if (front < 0) return;
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Active, role, qcolour(front));
        p.setColor(QPalette::Inactive, role, qcolour(front));
        p.setColor(QPalette::Disabled, role, qcolour(disabled_text_colour(front)));
    }
}

void apply_tab_strip(QTabWidget* panel, const ControlColours& c) {
    const Colour b = c.back;
    const Colour text = c.front >= 0 ? c.front : (is_dark(b) ? White : Black);
    const TabColours tabs{selected_tab_colour(b), unselected_tab_colour(b), text};
    panel->setProperty(TabsProperty, QVariantList{tabs.selected, tabs.other, tabs.text});
    const auto css = [](Colour x) { return qcolour(x).name(); };
    panel->tabBar()->setStyleSheet(QString("QTabBar::tab { background: %1; color: %2; padding: 4px 10px; "
                                           "border: 1px solid %4; }"
                                           "QTabBar::tab:selected { background: %3; }"
                                           "QTabBar::tab:disabled { color: %5; }")
                                       .arg(css(tabs.other), css(tabs.text), css(tabs.selected),
                                            css(shift_away(b, 60)), css(disabled_text_colour(tabs.text))));
}

void apply_colours(QWidget* w, ControlKind kind, const ControlColours& c, const SystemColours& sys) {
    w->setProperty(BackProperty, c.back);
    w->setProperty(FrontProperty, c.front);
    w->setProperty(FillProperty, c.fill);
    if (c.back < 0 && c.front < 0) return;
    // Scroll bars and drawing surfaces draw themselves; their colours only pass on.
    if (kind == ControlKind::ScrollBar || kind == ControlKind::Canvas) return;
    use_palette_style(w);
    QPalette p = w->palette();
    set_colours(p, QPalette::Window, c.back);
    set_colours(p, QPalette::Button, c.back);
    set_colours(p, QPalette::Base, c.fill);
    set_colours(p, QPalette::AlternateBase, c.fill);
    set_text_colours(p, c.front);
    if (kind == ControlKind::Combobox) set_colours(p, QPalette::Highlight, sys.highlight);
    w->setPalette(p);
    if (c.back >= 0 && kind != ControlKind::String && kind != ControlKind::Spin && kind != ControlKind::Editor)
        w->setAutoFillBackground(true);

    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        // The items of the drop-down list: the background, the highlight for the chosen one.
        QAbstractItemView* view = combo->view();
        QPalette vp = view->palette();
        set_colours(vp, QPalette::Base, c.back);
        set_colours(vp, QPalette::Window, c.back);
        set_colours(vp, QPalette::Highlight, sys.highlight);
        set_text_colours(vp, c.front);
        view->setPalette(vp);
    }
    if (auto* tabs = qobject_cast<QTabWidget*>(w); tabs != nullptr && c.back >= 0) apply_tab_strip(tabs, c);
}

void theme_children(QWidget* container, Colour back, Colour front, const SystemColours& sys);

void theme_one(QWidget* w, Colour back, Colour inherited, Colour front, const SystemColours& sys) {
    const ControlKind kind = control_kind_of(w);
    apply_colours(w, kind, control_colours(kind, back, inherited, front, sys), sys);
    if (is_container_kind(kind)) theme_children(w, back, front, sys);
}

// Every control one level below `container` whose kind is themed with its window.
void theme_children(QWidget* container, Colour back, Colour front, const SystemColours& sys) {
    QList<QWidget*> children = container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (auto* tabs = qobject_cast<QTabWidget*>(container)) {
        children.clear();
        for (int i = 0; i < tabs->count(); ++i) children.push_back(tabs->widget(i));
    }
    const Colour inherited = passed_on_background(effective_back(container) == UntouchedColour
                                                      ? background_of_parent(container, sys)
                                                      : effective_back(container),
                                                  sys);
    for (QWidget* child : children) {
        // Menus and dialogs are windows of their own, and the menu bar keeps the system look.
        if (child->isWindow() || qobject_cast<QMenuBar*>(child) != nullptr) continue;
        const ControlKind kind = control_kind_of(child);
        if (!themed_with_its_window(kind)) continue;
        if (kind == ControlKind::ProgressBar) {
            const Colour s = shift_away(inherited, 40);
            theme_one(child, s, s, front, sys);
        } else {
            theme_one(child, back, inherited, front, sys);
        }
    }
}

}  // namespace

ControlKind control_kind_of(const QWidget* w) {
    if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w)) return ControlKind::Button;
    if (qobject_cast<const QCheckBox*>(w)) return ControlKind::Checkbox;
    if (qobject_cast<const QRadioButton*>(w)) return ControlKind::Option;
    if (qobject_cast<const QComboBox*>(w)) return ControlKind::Combobox;
    if (qobject_cast<const QSpinBox*>(w) || qobject_cast<const QDoubleSpinBox*>(w)) return ControlKind::Spin;
    if (qobject_cast<const QLineEdit*>(w)) return ControlKind::String;
    if (qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w)) return ControlKind::Editor;
    if (qobject_cast<const QTreeView*>(w)) return ControlKind::Tree;
    if (qobject_cast<const QListView*>(w)) return ControlKind::ListView;
    if (qobject_cast<const QProgressBar*>(w)) return ControlKind::ProgressBar;
    if (qobject_cast<const QScrollBar*>(w)) return ControlKind::ScrollBar;
    if (qobject_cast<const QSlider*>(w)) return ControlKind::TrackBar;
    if (qobject_cast<const QTabWidget*>(w)) return ControlKind::Panel;
    if (qobject_cast<const QSplitter*>(w)) return ControlKind::Splitter;
    if (qobject_cast<const QScrollArea*>(w)) return ControlKind::ScrollArea;
    if (qobject_cast<const QGroupBox*>(w)) return ControlKind::Frame;
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->pixmap().isNull() ? ControlKind::Text : ControlKind::Image;
    if (qobject_cast<const QFrame*>(w)) return ControlKind::Frame;
    // A plain widget that holds controls is a container; one that holds none is a drawing
    // surface or a transparent click area, which keep their own look.
    if (has_child_widgets(w)) return ControlKind::Container;
    return std::string(w->metaObject()->className()) == "QWidget" ? ControlKind::Image : ControlKind::Canvas;
}

SystemColours system_colours() {
    const QPalette p = QApplication::style()->standardPalette();
    SystemColours sys;
    sys.button_face = colour_of(p.color(QPalette::Button));
    sys.button_text = colour_of(p.color(QPalette::ButtonText));
    sys.window = colour_of(p.color(QPalette::Base));
    sys.highlight = colour_of(p.color(QPalette::Highlight));
    return sys;
}

void set_window_theme(QWidget* window, Colour back, Colour front) {
    if (window == nullptr) return;
    const SystemColours sys = system_colours();
    Colour window_back = back;
    if (back == AutomaticColour) window_back = colour_of(window->palette().color(QPalette::Window));
    if (back == DefaultColour) window_back = sys.window;
    window_back = passed_on_background(window_back, sys);
    if (back >= 0) {
        use_palette_style(window);
        QPalette p = window->palette();
        set_colours(p, QPalette::Window, back);
        window->setPalette(p);
        window->setAutoFillBackground(true);
    }
    window->setProperty(BackProperty, window_back);
    // The controls of a main window sit on its central widget.
    theme_children(window, back, front, sys);
}

void set_control_theme(QWidget* control, Colour back, Colour front) {
    if (control == nullptr) return;
    const SystemColours sys = system_colours();
    Colour inherited = back;
    if (back == AutomaticColour) inherited = background_of_parent(control_parent(control), sys);
    if (back == DefaultColour) inherited = sys.window;
    theme_one(control, back, inherited, front, sys);
}

std::optional<ControlColours> theme_colours_of(const QWidget* w) {
    const QVariant back = w->property(BackProperty);
    if (!back.isValid()) return std::nullopt;
    ControlColours c;
    c.back = back.toInt();
    c.front = w->property(FrontProperty).toInt();
    c.fill = w->property(FillProperty).toInt();
    return c;
}

std::optional<TabColours> tab_colours_of(const QWidget* panel) {
    const QVariantList v = panel->property(TabsProperty).toList();
    if (v.size() != 3) return std::nullopt;
    return TabColours{v[0].toInt(), v[1].toInt(), v[2].toInt()};
}

}  // namespace velora
