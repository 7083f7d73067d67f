#include "output/curve_plot_draw.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <filesystem>

#include "services/file_replace.h"

namespace velora {
namespace {

QColor colour(Rgb c) { return QColor(c.r, c.g, c.b); }

QPolygonF polygon(const std::vector<CurvePlotPoint>& points) {
    QPolygonF out;
    for (const CurvePlotPoint& p : points) out << QPointF(p.x, p.y);
    return out;
}

QString text(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

struct Look {
    QColor ground, ink, grid, band, curve;
};

Look look_of(bool dark) {
    if (dark)
        return {QColor(30, 30, 30), QColor(225, 225, 225), QColor(70, 70, 70), QColor(45, 65, 105),
                QColor(120, 175, 255)};
    return {Qt::white, colour(PlotInk), colour(PlotMinorGrid), colour(CurvePlotBandColour),
            colour(CurvePlotCurveColour)};
}

// A series' colour in the look: the curve's dark blue turns light on a dark ground.
QColor in_look(Rgb c, const Look& look) {
    return c.r == CurvePlotCurveColour.r && c.g == CurvePlotCurveColour.g && c.b == CurvePlotCurveColour.b ? look.curve
                                                                                                           : colour(c);
}

}  // namespace

void paint_curve_plot(QPainter& painter, const CurvePlot& plot, bool dark) {
    const Look look = look_of(dark);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(QRectF(0, 0, plot.width, plot.height), look.ground);
    const QRectF frame(QPointF(plot.left, plot.top), QPointF(plot.right, plot.bottom));
    QFont font(QStringLiteral("Arial"), 9);
    font.setStyleHint(QFont::SansSerif);
    painter.setFont(font);
    const QFontMetricsF metrics(font);

    painter.setPen(QPen(look.grid, 1));
    for (const CurvePlotTick& t : plot.x_ticks) painter.drawLine(QPointF(t.at, plot.top), QPointF(t.at, plot.bottom));
    for (const CurvePlotTick& t : plot.y_ticks) painter.drawLine(QPointF(plot.left, t.at), QPointF(plot.right, t.at));

    painter.save();
    painter.setClipRect(frame);
    painter.setPen(Qt::NoPen);
    painter.setBrush(look.band);
    painter.drawPolygon(polygon(plot.band));
    painter.setBrush(Qt::NoBrush);
    for (const CurvePlotSeries& s : plot.others) {
        painter.setPen(QPen(in_look(s.colour, look), s.thickness));
        painter.drawPolyline(polygon(s.points));
    }
    painter.setPen(QPen(in_look(plot.curve.colour, look), plot.curve.thickness));
    painter.drawPolyline(polygon(plot.curve.points));
    painter.restore();

    painter.setPen(QPen(look.ink, 1));
    painter.drawRect(frame);
    for (const CurvePlotTick& t : plot.x_ticks) {
        const QString label = text(t.label);
        painter.drawText(QPointF(t.at - metrics.horizontalAdvance(label) / 2, plot.bottom + 4 + metrics.ascent()),
                         label);
    }
    for (const CurvePlotTick& t : plot.y_ticks) {
        const QString label = text(t.label);
        painter.drawText(QPointF(plot.left - 6 - metrics.horizontalAdvance(label), t.at + metrics.ascent() / 2 - 1),
                         label);
    }
    const QString x_title = text(plot.x_title);
    painter.drawText(QPointF((plot.left + plot.right) / 2 - metrics.horizontalAdvance(x_title) / 2,
                             plot.bottom + 8 + 2 * metrics.height()),
                     x_title);
    painter.save();
    painter.translate(16, (plot.top + plot.bottom) / 2);
    painter.rotate(-90);
    const QString y_title = text(plot.y_title);
    painter.drawText(QPointF(-metrics.horizontalAdvance(y_title) / 2, metrics.ascent() / 2), y_title);
    painter.restore();
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(QPointF(plot.left, plot.top - 12), text(plot.title));
    painter.setFont(font);

    // The legend, right of the frame: the curve and its band first.
    double y = plot.top + metrics.ascent();
    const double x = plot.right + 10;
    const auto entry = [&](const std::string& name, Rgb c, double thickness) {
        painter.setPen(QPen(in_look(c, look), thickness));
        painter.drawLine(QPointF(x, y - metrics.ascent() / 3), QPointF(x + 18, y - metrics.ascent() / 3));
        painter.setPen(QPen(look.ink, 1));
        painter.drawText(QPointF(x + 24, y), metrics.elidedText(text(name), Qt::ElideRight, plot.width - x - 28));
        y += metrics.height() + 2;
    };
    entry(plot.curve.name, plot.curve.colour, plot.curve.thickness);
    painter.fillRect(QRectF(x, y - metrics.ascent() + 2, 18, metrics.ascent() - 4), look.band);
    painter.drawText(QPointF(x + 24, y), QStringLiteral("its band"));
    y += metrics.height() + 2;
    for (const CurvePlotSeries& s : plot.others) entry(s.name, s.colour, s.thickness);
    painter.restore();
}

std::string save_curve_plot(const std::string& path, const CurvePlot& plot) {
    std::string ending = std::filesystem::path(path).extension().string();
    for (char& c : ending) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    QByteArray bytes;
    if (ending == ".svg") {
        QBuffer buffer(&bytes);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(static_cast<int>(plot.width), static_cast<int>(plot.height)));
        svg.setViewBox(QRectF(0, 0, plot.width, plot.height));
        svg.setTitle(text(plot.title));
        QPainter painter;
        if (!painter.begin(&svg)) return "the SVG could not be drawn";
        paint_curve_plot(painter, plot);
        painter.end();
    } else {
        QImage image(static_cast<int>(plot.width), static_cast<int>(plot.height), QImage::Format_RGB32);
        QPainter painter;
        if (!painter.begin(&image)) return "the image could not be drawn";
        paint_curve_plot(painter, plot);
        painter.end();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG")) return "the PNG could not be encoded";
    }
    const WriteOutcome written =
        replace_file_contents(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return written ? std::string() : written.reason;
}

}  // namespace velora
