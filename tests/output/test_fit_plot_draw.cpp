// The pictures of a fit painted with QPainter: within the area given and nowhere else, in both
// looks, the lines and the points where the axes put them, and a note where there is nothing.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "output/fit_plot_draw.h"

namespace velora {
namespace {

FitPlot made_plot() {
    FitPlotPanel panel;
    panel.x = fit_plot_axis(0, 100, 5, "Range (Yard)");
    panel.y = fit_plot_axis(0, 10, 5, "Velocity (Ft/s)");
    panel.lines.push_back({{{0, 0}, {100, 10}}, FitLineStyle::Bold});
    panel.lines.push_back({{{0, 5}, {100, 5}}, FitLineStyle::Dashed});
    panel.points.push_back({50, 5, false, 0, 0, 0});
    panel.points.push_back({20, 8, true, 7, 9, 1});
    FitPlot p;
    p.title = "A made plot";
    p.panels = {panel, panel};
    return p;
}

int count(const QImage& img, const QRect& r, const std::function<bool(QColor)>& is) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += is(img.pixelColor(x, y)) ? 1 : 0;
    return n;
}

bool reddish(QColor c) { return c.red() > 150 && c.green() < 90 && c.blue() < 90; }
bool bluish(QColor c) { return c.blue() > c.red() + 60 && c.blue() > c.green() + 40; }

TEST(FitPlotDraw, PaintsWithinItsAreaInBothLooks) {
    for (const bool dark : {false, true}) {
        QImage img(700, 500, QImage::Format_ARGB32);
        img.fill(QColor(0, 255, 0));
        const QRect area(50, 40, 600, 420);
        {
            QPainter painter(&img);
            painter.setPen(QColor(1, 2, 3));
            draw_fit_plot(painter, QRectF(area), made_plot(), dark);
            // The painter is left as it was.
            EXPECT_EQ(painter.pen().color(), QColor(1, 2, 3));
        }
        // Nothing outside the area; its background inside.
        EXPECT_EQ(count(img, QRect(0, 0, 700, 39), [](QColor c) { return c != QColor(0, 255, 0); }), 0);
        EXPECT_EQ(count(img, QRect(651, 0, 49, 500), [](QColor c) { return c != QColor(0, 255, 0); }), 0);
        EXPECT_EQ(img.pixelColor(area.right() - 1, area.top() + 1), dark ? QColor(30, 30, 30) : QColor(255, 255, 255));
        // The bold line, in both panels, and the points.
        EXPECT_GT(count(img, QRect(area.left(), area.top(), area.width(), area.height() / 2), reddish), 200);
        EXPECT_GT(count(img, QRect(area.left(), area.center().y(), area.width(), area.height() / 2), reddish), 200);
        EXPECT_GT(count(img, area, bluish), 20);
    }
}

TEST(FitPlotDraw, NothingToDrawSaysSo) {
    QImage img(300, 200, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    draw_fit_plot(painter, QRectF(0, 0, 300, 200), FitPlot{}, false);
    painter.end();
    EXPECT_GT(count(img, img.rect(), [](QColor c) { return c.lightness() < 100; }), 30) << "the note is written";
}

}  // namespace
}  // namespace velora
