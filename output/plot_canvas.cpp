#include "output/plot_canvas.h"

#include <QContextMenuEvent>
#include <QPainter>

#include "output/plot_draw.h"

namespace velora {

PlotCanvas::PlotCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContextMenuPolicy(Qt::DefaultContextMenu);
}

void PlotCanvas::redraw(const CalcState& s, const CalcResults& r) {
    if (width() <= 0 || height() <= 0) return;
    QImage next(size(), QImage::Format_RGB32);
    // The image takes the screen's resolution so that the plot's 10-point font matches the window's.
    next.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    next.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    if (!draw_plot(next, s, r)) return;
    image_ = std::move(next);
    update();
}

void PlotCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!image_.isNull()) p.drawImage(0, 0, image_);
}

void PlotCanvas::contextMenuEvent(QContextMenuEvent* event) {
    if (on_context_menu) on_context_menu(event->globalPos());
}

}  // namespace velora
