#include "app/focus_mark.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStyle>
#include <QTabBar>
#include <QTextEdit>

#include <algorithm>

#include "theme/colour_rules.h"

namespace velora {

namespace {

constexpr int RingWidth = 2;
constexpr int TextPadding = 2;  // beside a caption's text inside the ring
constexpr const char* RingName = "veloraFocusRing";

Colour colour_of(const QColor& c) { return rgb(c.red(), c.green(), c.blue()); }

QRect in_window(const QWidget* w, const QRect& r) { return r.translated(w->mapTo(w->window(), QPoint(0, 0))); }

// The text of a caption as it is laid out (the full height of its contents), in its own
// coordinates.
QRect text_rect(const QLabel& caption) {
    const QFontMetrics metrics(caption.font());
    int width = 0;
    for (const QString& line : caption.text().split(QLatin1Char('\n')))
        width = std::max(width, metrics.horizontalAdvance(line));
    const QRect inside = caption.contentsRect();
    const QSize size(std::min(width, inside.width()), inside.height());
    return QStyle::alignedRect(caption.layoutDirection(), caption.alignment(), size, inside);
}

QRect padded(const QRect& r) { return r.adjusted(-TextPadding, 0, TextPadding, 0); }

// A switch: a plain area without a look of its own laid over a caption.
bool is_plain_area(const QWidget* w) {
    return std::string_view(w->metaObject()->className()) == "QWidget" &&
           w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
}

// The shown caption that the area covers most.
const QLabel* caption_under(const QWidget* area) {
    const QWidget* parent = area->parentWidget();
    if (parent == nullptr) return nullptr;
    const QLabel* best = nullptr;
    long long most = 0;
    for (const QLabel* caption : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!caption->isVisible()) continue;
        const QRect common = caption->geometry().intersected(area->geometry());
        const long long size = static_cast<long long>(common.width()) * common.height();
        if (!common.isEmpty() && size > most) {
            most = size;
            best = caption;
        }
    }
    return best;
}

bool is_typed_into(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) != nullptr || qobject_cast<const QAbstractSpinBox*>(w) != nullptr ||
           qobject_cast<const QTextEdit*>(w) != nullptr || qobject_cast<const QPlainTextEdit*>(w) != nullptr;
}

// The ring of one window, laid over its controls; it takes no clicks and no focus.
class FocusRing : public QWidget {
public:
    explicit FocusRing(QWidget* window) : QWidget(window), window_(window) {
        setObjectName(QString::fromLatin1(RingName));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            target_ = now != nullptr && now->window() == window_ ? now : nullptr;
            place();
        });
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::FocusIn:
                if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == window_)
                    by_mouse_ = static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
                break;
            case QEvent::KeyPress:
                // A key pressed in a control clicked into (Space on a button, an arrow on a tab)
                // shows where the keyboard is at.
                if (watched == target_.data() && by_mouse_) {
                    by_mouse_ = false;
                    place();
                }
                break;
            case QEvent::WindowActivate:
            case QEvent::WindowDeactivate:
                if (watched == window_) place();
                break;
            case QEvent::Move:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide:
            case QEvent::Paint:
                // The control moved, changed its tab or its colours: the ring follows (and
                // changes nothing when it is where it should be).
                if (watched == target_.data() || (watched == window_ && event->type() != QEvent::Paint)) place();
                break;
            default: break;
        }
        return false;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(colour_, RingWidth));
        p.setBrush(Qt::NoBrush);
        const qreal half = RingWidth / 2.0;
        p.drawRoundedRect(QRectF(rect()).adjusted(half, half, -half, -half), 2, 2);
    }

private:
    void place() {
        QWidget* c = target_;
        const bool shown = c != nullptr && c->isVisible() && window_->isActiveWindow() &&
                           QApplication::focusWidget() == c && (!by_mouse_ || is_typed_into(c));
        if (!shown) {
            if (isVisible()) hide();
            return;
        }
        const QRect at = focus_mark_rect(c);
        const QColor colour = focus_mark_colour(c);
        if (at != geometry() || colour != colour_ || !isVisible()) {
            colour_ = colour;
            setGeometry(at);
            raise();
            show();
            update();
        }
    }

    QWidget* window_;
    QPointer<QWidget> target_;
    bool by_mouse_ = false;  // the focus came with a click
    QColor colour_;
};

}  // namespace

void mark_focus_in(QWidget* window) {
    if (window == nullptr ||
        window->findChild<QWidget*>(QString::fromLatin1(RingName), Qt::FindDirectChildrenOnly) != nullptr)
        return;
    new FocusRing(window);
}

QRect focus_mark_rect(const QWidget* c) {
    QRect marked = in_window(c, c->rect());
    if (const auto* bar = qobject_cast<const QTabBar*>(c); bar != nullptr && bar->currentIndex() >= 0) {
        marked = in_window(bar, bar->tabRect(bar->currentIndex()));
    } else if (is_plain_area(c)) {
        if (const QLabel* caption = caption_under(c)) marked = padded(in_window(caption, text_rect(*caption)));
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(c);
               button != nullptr && button->text().isEmpty()) {
        // The captions that name it (their buddy) belong to it.
        for (const QLabel* caption : c->window()->findChildren<QLabel*>())
            if (caption->buddy() == c && caption->isVisible())
                marked |= padded(in_window(caption, text_rect(*caption)));
        marked = padded(marked);
    }
    // Just outside the control, where the layout leaves a gap of at least two pixels.
    return marked.adjusted(-RingWidth, -RingWidth, RingWidth, RingWidth);
}

QColor focus_mark_colour(const QWidget* c) {
    const QWidget* parent = c->parentWidget() != nullptr ? c->parentWidget() : c;
    const Colour back = colour_of(parent->palette().color(QPalette::Window));
    // A caption's switch has no inside of its own.
    const Colour fill = is_plain_area(c) ? back : colour_of(c->palette().color(c->backgroundRole()));
    const Colour text = colour_of(c->palette().color(c->foregroundRole()));
    const Colour ring = focus_mark_colour(back, fill, text, colour_of(c->palette().color(QPalette::Highlight)));
    return QColor(red_of(ring), green_of(ring), blue_of(ring));
}

}  // namespace velora
