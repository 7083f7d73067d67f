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
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProxyStyle>
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
#include <QStyleOption>
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

Colour effective_back(const QWidget* w) {
    const QVariant v = w->property(BackProperty);
    return v.isValid() ? v.toInt() : UntouchedColour;
}

// The marks of a themed check box or option button, or nothing for a control that keeps the
// style's own.
std::optional<MarkColours> themed_marks(const QWidget* w) {
    if (w == nullptr) return std::nullopt;
    const ControlKind kind = control_kind_of(w);
    if (kind != ControlKind::Checkbox && kind != ControlKind::Option) return std::nullopt;
    const QVariant back = w->property(BackProperty), front = w->property(FrontProperty);
    if (!back.isValid() || back.toInt() < 0) return std::nullopt;
    const Colour text = front.toInt() >= 0 ? front.toInt() : (is_dark(back.toInt()) ? White : Black);
    return mark_colours(back.toInt(), text, colour_of(w->palette().color(QPalette::Active, QPalette::Highlight)));
}

// The ring or box of a mark: the hover and focus colours over the plain one, a disabled control
// in its grey.
QColor outline_of(const MarkColours& m, const QStyleOption& option) {
    if (!(option.state & QStyle::State_Enabled)) return qcolour(m.disabled);
    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_KeyboardFocusChange))
        return qcolour(m.focus);
    if (option.state & QStyle::State_MouseOver) return qcolour(m.hover);
    return qcolour(m.ring);
}

// The largest square of `r` that lies inside the control, centred on the same point.
QRectF mark_square(const QRect& r, const QWidget* w) {
    const QRect inside = r.intersected(w->rect());
    const qreal side = std::min(inside.width(), inside.height());
    return QRectF(inside.center().x() + 0.5 - side / 2, inside.center().y() + 0.5 - side / 2, side, side);
}

// Saves the painter and sets it up for a mark's outline (thicker while the keyboard focus is on
// it) and inside; returns where the outline runs, its pen within the mark's square.
QRectF begin_mark(const MarkColours& m, const QStyleOption& option, QPainter& p, const QWidget* w) {
    const QRectF square = mark_square(option.rect, w);
    const bool focus_ring =
        (option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_KeyboardFocusChange);
    const qreal pen = focus_ring ? 2.0 : 1.2;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(outline_of(m, option), pen));
    p.setBrush(qcolour(m.inside));
    return square.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
}

void draw_option_mark(const MarkColours& m, const QStyleOption& option, QPainter& p, const QWidget* w) {
    const QRectF ring = begin_mark(m, option, p, w);
    p.drawEllipse(ring);
    if (option.state & QStyle::State_On) {
        const qreal r = ring.width() * 0.22;
        p.setPen(Qt::NoPen);
        p.setBrush(qcolour((option.state & QStyle::State_Enabled) ? m.tick : m.disabled));
        p.drawEllipse(ring.center(), r, r);
    }
    p.restore();
}

void draw_check_mark(const MarkColours& m, const QStyleOption& option, QPainter& p, const QWidget* w) {
    const QRectF box = begin_mark(m, option, p, w);
    p.drawRoundedRect(box, 2, 2);
    const QColor tick = qcolour((option.state & QStyle::State_Enabled) ? m.tick : m.disabled);
    const qreal s = box.width();
    if (option.state & QStyle::State_NoChange) {
        p.fillRect(QRectF(box.left() + s * 0.25, box.center().y() - s * 0.08, s * 0.5, s * 0.16), tick);
    } else if (option.state & QStyle::State_On) {
        QPainterPath path;
        path.moveTo(box.left() + s * 0.22, box.top() + s * 0.52);
        path.lineTo(box.left() + s * 0.42, box.top() + s * 0.72);
        path.lineTo(box.left() + s * 0.78, box.top() + s * 0.28);
        p.setPen(QPen(tick, std::max<qreal>(1.5, s / 7), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    p.restore();
}

// Fusion, which honours palettes the same way on every platform, with marks of themed check
// boxes and option buttons that stand out from a dark background (Fusion draws their rings and
// its focus frame a shade darker than the background, which a dark background swallows), and the
// lines of themed frames set off from their background.
class ThemedStyle : public QProxyStyle {
public:
    ThemedStyle() : QProxyStyle(QStyleFactory::create("Fusion")) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (const auto marks = themed_marks(widget); marks && option != nullptr && painter != nullptr) {
            switch (element) {
                case PE_IndicatorRadioButton: draw_option_mark(*marks, *option, *painter, widget); return;
                case PE_IndicatorCheckBox: draw_check_mark(*marks, *option, *painter, widget); return;
                case PE_FrameFocusRect:
                    if (option->state & State_KeyboardFocusChange) {
                        painter->save();
                        painter->setPen(QPen(qcolour(marks->focus), 1));
                        painter->setBrush(Qt::NoBrush);
                        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
                        painter->restore();
                    }
                    return;
                default: break;
            }
        }
        if (element == PE_FrameGroupBox && option != nullptr && painter != nullptr && widget != nullptr &&
            control_kind_of(widget) == ControlKind::Frame && effective_back(widget) >= 0) {
            // The frame's line a little off its background, as the tab strip's border is.
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing, true);
            painter->setPen(QPen(qcolour(shift_away(effective_back(widget), 60)), 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
            painter->restore();
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
};

void use_palette_style(QWidget* w) {
    static QStyle* themed = new ThemedStyle;
    if (w->style() != themed) w->setStyle(themed);
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

bool has_child_widgets(const QWidget* w) { return !w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty(); }

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
                                       .arg(css(tabs.other), css(tabs.text), css(tabs.selected), css(shift_away(b, 60)),
                                            css(disabled_text_colour(tabs.text))));
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
    // Captions, check boxes and option buttons draw on their parent's background: a caption that
    // reaches over a field or a frame leaves them whole.
    const bool on_parent = kind == ControlKind::Text || kind == ControlKind::Checkbox || kind == ControlKind::Option;
    if (c.back >= 0 && !on_parent && kind != ControlKind::String && kind != ControlKind::Spin &&
        kind != ControlKind::Editor)
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
    const Colour inherited = passed_on_background(
        effective_back(container) == UntouchedColour ? background_of_parent(container, sys) : effective_back(container),
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
