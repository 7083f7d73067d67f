#include "output/plot_draw.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygonF>

namespace velora {

namespace {

QColor colour_of(Rgb c) { return QColor(c.r, c.g, c.b); }

int whole(float v) { return static_cast<int>(std::nearbyint(std::clamp(v, -1.0e6f, 1.0e6f))); }

// Draws `text` with the top-left corner of its box at (x, top).
void text_at(QPainter& p, int x, int top, const QString& text) {
    p.drawText(QPoint(x, top + p.fontMetrics().ascent()), text);
}

void grid_lines(QPainter& p, const PlotLayout& layout, Rgb colour, const std::vector<float>& rows,
                const std::vector<float>& columns) {
    const int W = static_cast<int>(layout.axes.W);
    const int H = static_cast<int>(layout.axes.H);
    p.setPen(QPen(colour_of(colour), 1));
    for (float row : rows) p.drawLine(PlotMargin, whole(row), W - 66, whole(row));
    for (float column : columns) p.drawLine(whole(column), PlotMargin, whole(column), H - 66);
}

}  // namespace

QFont plot_font() {
    QFont font(QStringLiteral("Arial"), 10, QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void thick_line(QPainter& painter, float x1, float y1, float x2, float y2, Rgb colour, float thickness) {
    const int r = thick_line_radius(thickness);
    const QRect clip = painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect()
                                             : QRect(-1'000'000, -1'000'000, 2'000'000, 2'000'000);
    const QRect reach = clip.adjusted(-r - 1, -r - 1, r + 1, r + 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour_of(colour));
    for (const PixelPoint& dot : thick_line_dots(x1, y1, x2, y2, thickness)) {
        if (!reach.contains(dot.x, dot.y)) continue;
        painter.drawEllipse(QPoint(dot.x, dot.y), r, r);
    }
    painter.setBrush(Qt::NoBrush);
}

void draw_target_marker(QPainter& painter, int cx, int cy) {
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPoint(cx, cy), 5, 5);
    painter.drawEllipse(QPoint(cx, cy), 6, 6);
    painter.drawLine(cx - 10, cy, cx + 10, cy);
    painter.drawLine(cx, cy - 10, cx, cy + 10);
}

bool draw_plot(QPaintDevice& device, const PlotLayout& layout) {
    QPainter p;
    if (!p.begin(&device)) return false;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const PlotAxes& a = layout.axes;
    const int W = static_cast<int>(a.W);
    const int H = static_cast<int>(a.H);

    // Background, the canvas outline and the outline of the plot area.
    p.fillRect(0, 0, W, H, colour_of(PlotBackground));
    p.setPen(QPen(colour_of(PlotInk), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, W - 1, H - 1);
    p.drawRect(PlotMargin, PlotMargin, W - 2 * PlotMargin - 1, H - 2 * PlotMargin - 1);

    p.setFont(plot_font());
    const QFontMetrics fm = p.fontMetrics();
    const auto centred = [&](const std::string& text, int top) {
        const QString t = QString::fromStdString(text);
        text_at(p, (W - fm.horizontalAdvance(t)) / 2, top, t);
    };
    centred(layout.texts.title, 10);
    centred(layout.texts.subtitle, 30);
    centred(layout.texts.range_label, H - 30);

    // The axis label, turned to read upwards, against the left and the right edge.
    const QString axis = QString::fromStdString(layout.texts.axis_label);
    const int axis_width = fm.horizontalAdvance(axis);
    for (const int x : {0, W - fm.height() - 5}) {
        p.save();
        p.translate(x, (H + axis_width) / 2);
        p.rotate(-90);
        text_at(p, 0, 0, axis);
        p.restore();
    }

    for (const AxisLabel& label : layout.range_labels) {
        const QString t = QString::fromStdString(label.text);
        text_at(p, whole(label.position) - fm.horizontalAdvance(t) / 2, H - 60, t);
    }
    for (const AxisLabel& label : layout.value_labels) {
        const QString t = QString::fromStdString(label.text);
        text_at(p, 63 - fm.horizontalAdvance(t), whole(label.position), t);
        text_at(p, W - 63, whole(label.position), t);
    }

    // Inside the frame only from here on.
    p.setClipRect(66, 66, W - 132, H - 132);
    grid_lines(p, layout, PlotMajorGrid, layout.grid.major_rows, {});
    grid_lines(p, layout, PlotMinorGrid, layout.grid.minor_rows, {});
    grid_lines(p, layout, PlotMajorGrid, {}, layout.grid.major_columns);
    grid_lines(p, layout, PlotMinorGrid, {}, layout.grid.minor_columns);

    if (layout.sight_row)
        thick_line(p, PlotMargin, *layout.sight_row, a.W - PlotMargin, *layout.sight_row, PlotSightColour,
                   PlotLineThickness);
    for (const LineSegment& s : layout.curve) thick_line(p, s.x1, s.y1, s.x2, s.y2, PlotCurveColour, PlotLineThickness);

    if (layout.target) {
        const TargetMark& t = *layout.target;
        draw_target_marker(p, t.centre.x, t.centre.y);
        p.setPen(QPen(colour_of(PlotInk), 1));
        const int tx = whole(t.tx);
        const int ty = whole(t.ty);
        p.drawLine(tx, H - 65, tx, H - 80);
        p.drawLine(W - 80, ty, W - 65, ty);
        p.drawLine(65, ty, 80, ty);
    }
    return p.end();
}

namespace {

// Pixel edges lie at whole units: a line one unit wide covers the unit beside its coordinate, as
// a one-pixel line does on the screen.
constexpr double Half = 0.5;

QPen scaled_pen(Rgb colour, double width) {
    QPen pen(colour_of(colour), width);
    pen.setCosmetic(false);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// The plot's font at the size it has on the screen (10 points at 96 dots per inch: 13⅓ pixels), in
// the layout's units whatever the device's resolution.
QFont scaled_plot_font(const QPaintDevice& device) {
    QFont font = plot_font();
    const int dpi = device.logicalDpiY() > 0 ? device.logicalDpiY() : 96;
    font.setPointSizeF(10.0 * 96.0 / 72.0 * 72.0 / dpi);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

void paint_plot_scaled(QPainter& p, const PlotLayout& layout) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const PlotAxes& a = layout.axes;
    const double W = a.W;
    const double H = a.H;
    const double M = PlotMargin;

    p.fillRect(QRectF(0, 0, W, H), colour_of(PlotBackground));
    p.setPen(scaled_pen(PlotInk, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(Half, Half, W - 1, H - 1));
    p.drawRect(QRectF(M + Half, M + Half, W - 2 * M - 1, H - 2 * M - 1));

    const QFont font = scaled_plot_font(*p.device());
    p.setFont(font);
    const QFontMetricsF fm(font, p.device());
    const auto text_at = [&](double x, double top, const QString& t) { p.drawText(QPointF(x, top + fm.ascent()), t); };
    const auto centred = [&](const std::string& text, double top) {
        const QString t = QString::fromStdString(text);
        text_at((W - fm.horizontalAdvance(t)) / 2, top, t);
    };
    centred(layout.texts.title, 10);
    centred(layout.texts.subtitle, 30);
    centred(layout.texts.range_label, H - 30);

    const QString axis = QString::fromStdString(layout.texts.axis_label);
    const double axis_width = fm.horizontalAdvance(axis);
    for (const double x : {0.0, W - fm.height() - 5}) {
        p.save();
        p.translate(x, (H + axis_width) / 2);
        p.rotate(-90);
        text_at(0, 0, axis);
        p.restore();
    }
    for (const AxisLabel& label : layout.range_labels) {
        const QString t = QString::fromStdString(label.text);
        text_at(label.position - fm.horizontalAdvance(t) / 2, H - 60, t);
    }
    for (const AxisLabel& label : layout.value_labels) {
        const QString t = QString::fromStdString(label.text);
        text_at(63 - fm.horizontalAdvance(t), label.position, t);
        text_at(W - 63, label.position, t);
    }

    p.setClipRect(QRectF(66, 66, W - 132, H - 132));
    const auto grid = [&](Rgb colour, const std::vector<float>& rows, const std::vector<float>& columns) {
        p.setPen(scaled_pen(colour, 1.0));
        for (float row : rows) p.drawLine(QPointF(M, row + Half), QPointF(W - M, row + Half));
        for (float column : columns) p.drawLine(QPointF(column + Half, M), QPointF(column + Half, H - M));
    };
    grid(PlotMajorGrid, layout.grid.major_rows, {});
    grid(PlotMinorGrid, layout.grid.minor_rows, {});
    grid(PlotMajorGrid, {}, layout.grid.major_columns);
    grid(PlotMinorGrid, {}, layout.grid.minor_columns);

    // The thick lines: as wide as the screen's dots of radius 1 are.
    const double thick = PlotLineThickness + 1.0;
    QPen line = scaled_pen(PlotSightColour, thick);
    line.setCapStyle(Qt::RoundCap);
    line.setJoinStyle(Qt::RoundJoin);
    if (layout.sight_row) {
        p.setPen(line);
        p.drawLine(QPointF(M, *layout.sight_row + Half), QPointF(W - M, *layout.sight_row + Half));
    }
    line.setColor(colour_of(PlotCurveColour));
    p.setPen(line);
    QPolygonF curve;
    if (!layout.smooth_curve.empty()) {
        for (const PlotPoint& pt : layout.smooth_curve) curve << QPointF(pt.x + Half, pt.y + Half);
    } else {
        for (const LineSegment& s : layout.curve) curve << QPointF(s.x1 + Half, s.y1 + Half);
    }
    p.drawPolyline(curve);

    if (layout.target) {
        const TargetMark& t = *layout.target;
        const QPointF c(t.centre.x + Half, t.centre.y + Half);
        p.setPen(scaled_pen(PlotInk, 1.0));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 5.0, 5.0);
        p.drawEllipse(c, 6.0, 6.0);
        p.drawLine(c + QPointF(-10, 0), c + QPointF(10, 0));
        p.drawLine(c + QPointF(0, -10), c + QPointF(0, 10));
        const double tx = std::nearbyint(t.tx) + Half;
        const double ty = std::nearbyint(t.ty) + Half;
        p.drawLine(QPointF(tx, H - 65), QPointF(tx, H - 80));
        p.drawLine(QPointF(W - 80, ty), QPointF(W - 65, ty));
        p.drawLine(QPointF(65, ty), QPointF(80, ty));
    }

    for (const PlotMark& mark : layout.marks) {
        const QPointF c(mark.at.x + Half, mark.at.y + Half);
        if (mark.used) {
            p.setPen(scaled_pen(PlotBackground, 0.75));
            p.setBrush(colour_of(PlotMarkColour));
        } else {
            p.setPen(scaled_pen(PlotMarkAsideColour, 1.0));
            p.setBrush(Qt::NoBrush);
        }
        p.drawEllipse(c, 3.0, 3.0);
    }
    p.restore();
}

bool draw_plot(QPaintDevice& device, const CalcState& s, const CalcResults& r) {
    if (device.width() <= 0 || device.height() <= 0) return false;
    return draw_plot(device,
                     layout_plot(s, r, static_cast<float>(device.width()), static_cast<float>(device.height())));
}

}  // namespace velora
