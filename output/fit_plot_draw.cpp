#include "output/fit_plot_draw.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>

#include <algorithm>
#include <cmath>

#include "output/plot_draw.h"

namespace velora {

namespace {

struct Look {
    QColor background, ink, grid, thin, bold, dashed, mark, aside;
};

Look look_of(bool dark) {
    if (dark)
        return {QColor(30, 30, 30),    QColor(225, 225, 225), QColor(70, 70, 70),    QColor(255, 120, 120, 110),
                QColor(255, 110, 110), QColor(170, 170, 170), QColor(110, 170, 255), QColor(150, 150, 150)};
    return {QColor(255, 255, 255),
            QColor(0, 0, 0),
            QColor(215, 215, 215),
            QColor(220, 0, 0, 90),
            QColor(200, 0, 0),
            QColor(110, 110, 110),
            QColor(PlotMarkColour.r, PlotMarkColour.g, PlotMarkColour.b),
            QColor(PlotMarkAsideColour.r, PlotMarkAsideColour.g, PlotMarkAsideColour.b)};
}

QString qs(const std::string& text) { return QString::fromStdString(text); }

double along(const FitPlotAxis& a, double v, double from, double to) {
    return from + (v - a.low) / (a.high - a.low) * (to - from);
}

// `label_width` is the widest value label of all the panels, so that their charts line up.
void draw_panel(QPainter& p, const QRectF& area, const FitPlotPanel& panel, const Look& look, bool x_caption,
                double label_width) {
    const QFontMetricsF fm(p.font());
    const double line = fm.height();
    const QRectF plot(area.left() + line + label_width + 10, area.top() + 4,
                      std::max(10.0, area.width() - line - label_width - 22),
                      std::max(10.0, area.height() - 4 - line - 6 - (x_caption ? line + 2 : 0)));
    const auto X = [&](double x) { return along(panel.x, x, plot.left(), plot.right()); };
    const auto Y = [&](double y) { return along(panel.y, y, plot.bottom(), plot.top()); };

    // Grid, ticks and labels.
    p.setPen(QPen(look.grid, 1));
    for (double t : panel.x.ticks) p.drawLine(QPointF(X(t), plot.top()), QPointF(X(t), plot.bottom()));
    for (double t : panel.y.ticks) p.drawLine(QPointF(plot.left(), Y(t)), QPointF(plot.right(), Y(t)));
    p.setPen(QPen(look.ink, 1));
    p.drawRect(plot);
    // Labels that would run into each other are thinned to every second, fifth … tick.
    const auto every = [](double needed, double spacing) {
        return spacing > 0.0 ? std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(needed / spacing))) : 1;
    };
    double widest = 0;
    for (const std::string& l : panel.x.labels) widest = std::max(widest, fm.horizontalAdvance(qs(l)));
    const std::size_t x_every =
        panel.x.ticks.size() > 1 ? every(widest + 8, std::fabs(X(panel.x.ticks[1]) - X(panel.x.ticks[0]))) : 1;
    const std::size_t y_every =
        panel.y.ticks.size() > 1 ? every(line, std::fabs(Y(panel.y.ticks[1]) - Y(panel.y.ticks[0]))) : 1;
    for (std::size_t k = 0; k < panel.x.ticks.size(); k += x_every) {
        const QString text = qs(panel.x.labels[k]);
        const double w = fm.horizontalAdvance(text);
        p.drawText(QPointF(std::clamp(X(panel.x.ticks[k]) - w / 2, area.left(), area.right() - w),
                           plot.bottom() + 3 + fm.ascent()),
                   text);
    }
    for (std::size_t k = 0; k < panel.y.ticks.size(); k += y_every) {
        const QString text = qs(panel.y.labels[k]);
        p.drawText(QPointF(plot.left() - 5 - fm.horizontalAdvance(text), Y(panel.y.ticks[k]) + fm.ascent() / 2 - 1),
                   text);
    }
    if (x_caption) {
        const QString text = qs(panel.x.caption);
        p.drawText(QPointF(plot.center().x() - fm.horizontalAdvance(text) / 2, area.bottom() - fm.descent()), text);
    }
    p.save();
    p.translate(area.left() + fm.ascent(), plot.center().y());
    p.rotate(-90);
    const QString y_caption = fm.elidedText(qs(panel.y.caption), Qt::ElideRight, plot.height());
    p.drawText(QPointF(-fm.horizontalAdvance(y_caption) / 2, 0), y_caption);
    p.restore();

    // Lines, clipped to the chart.
    p.save();
    p.setClipRect(plot);
    for (const FitPlotLine& l : panel.lines) {
        if (l.points.size() < 2) continue;
        QPainterPath path(QPointF(X(l.points.front().first), Y(l.points.front().second)));
        for (std::size_t k = 1; k < l.points.size(); ++k) path.lineTo(X(l.points[k].first), Y(l.points[k].second));
        switch (l.style) {
            case FitLineStyle::Thin: p.setPen(QPen(look.thin, 1)); break;
            case FitLineStyle::Bold: p.setPen(QPen(look.bold, 2.5)); break;
            case FitLineStyle::Dashed: p.setPen(QPen(look.dashed, 1.2, Qt::DashLine)); break;
        }
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
    // The points on top: the set aside first, so the series' stand over them.
    // Many points (a radar's tracks) as small dots, so the flights show between them.
    const std::size_t n = panel.points.size();
    const double r = n > 400 ? 1.5 : n > 100 ? 2.2 : std::clamp(plot.width() / 200.0, 3.0, 5.0);
    for (int pass = 0; pass < 2; ++pass) {
        for (const FitPlotPoint& pt : panel.points) {
            if (pt.aside != (pass == 0)) continue;
            const QColor c = pt.aside ? look.aside : look.mark;
            const QPointF at(X(pt.x), Y(pt.y));
            if (pt.low < pt.high) {
                p.setPen(QPen(c, 1));
                p.drawLine(QPointF(at.x(), Y(pt.low)), QPointF(at.x(), Y(pt.high)));
                p.drawLine(QPointF(at.x() - r, Y(pt.low)), QPointF(at.x() + r, Y(pt.low)));
                p.drawLine(QPointF(at.x() - r, Y(pt.high)), QPointF(at.x() + r, Y(pt.high)));
            }
            p.setPen(pt.aside ? QPen(c, 1.5) : QPen(Qt::NoPen));
            p.setBrush(pt.aside ? QBrush(Qt::NoBrush) : QBrush(c));
            p.drawEllipse(at, r, r);
        }
    }
    p.restore();
}

}  // namespace

void draw_fit_plot(QPainter& painter, const QRectF& area, const FitPlot& plot, bool dark) {
    const Look look = look_of(dark);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(area, look.background);
    QFont font = plot_font();
    font.setBold(false);
    font.setPointSizeF(9);
    painter.setFont(font);
    painter.setPen(look.ink);
    const QFontMetricsF fm(font);
    if (plot.empty()) {
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("Nothing to draw: fit first."));
        painter.restore();
        return;
    }
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    const double title = QFontMetricsF(bold).height() + 4;
    painter.drawText(QRectF(area.left() + 4, area.top() + 2, area.width() - 8, title), Qt::AlignHCenter | Qt::AlignTop,
                     QFontMetricsF(bold).elidedText(qs(plot.title), Qt::ElideRight, area.width() - 8));
    painter.setFont(font);
    double shares = 0, label_width = 0;
    for (const FitPlotPanel& p : plot.panels) {
        shares += p.share;
        for (const std::string& l : p.y.labels) label_width = std::max(label_width, fm.horizontalAdvance(qs(l)));
    }
    double top = area.top() + title;
    const double height = area.bottom() - top;
    for (std::size_t k = 0; k < plot.panels.size(); ++k) {
        const double h = height * plot.panels[k].share / shares;
        draw_panel(painter, QRectF(area.left() + 2, top, area.width() - 4, h), plot.panels[k], look,
                   k + 1 == plot.panels.size(), label_width);
        top += h;
    }
    painter.restore();
}

}  // namespace velora
