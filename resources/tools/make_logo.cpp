// Draws the program's logo, a 192 × 192 PNG with an alpha channel:
//   velora_make_logo resources/logo.png
// A round target face in deep blue with light rings, the arc of a pellet's flight crossing it in
// orange and the pellet itself at the end of the arc; the corners stay fully transparent and the
// edges are smoothed into the alpha channel.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: velora_make_logo OUTPUT.png\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QImage image(192, 192, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // The target face.
    QRadialGradient face(QPointF(80, 72), 110);
    face.setColorAt(0.0, QColor(40, 120, 170));
    face.setColorAt(1.0, QColor(10, 40, 80));
    p.setPen(QPen(QColor(230, 240, 250), 4));
    p.setBrush(face);
    p.drawEllipse(QPointF(96, 96), 90, 90);

    // Its rings, fading outwards.
    p.setBrush(Qt::NoBrush);
    for (int ring = 1; ring <= 3; ++ring) {
        p.setPen(QPen(QColor(230, 240, 250, 220 - 40 * ring), 3));
        p.drawEllipse(QPointF(96, 96), 20.0 * ring, 20.0 * ring);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 127, 0));
    p.drawEllipse(QPointF(96, 96), 9, 9);

    // The arc of the flight, rising a little and falling onto the bull.
    QPainterPath arc;
    arc.moveTo(14, 132);
    arc.quadTo(60, 40, 96, 96);
    p.setBrush(Qt::NoBrush);
    QPen trail(QColor(255, 127, 0, 230), 5, Qt::DashLine, Qt::RoundCap);
    p.setPen(trail);
    p.drawPath(arc);

    // The pellet: a waisted head and a flared skirt, seen from the side.
    p.save();
    p.translate(96, 96);
    p.rotate(50);
    QPainterPath pellet;
    pellet.moveTo(14, 0);
    pellet.cubicTo(14, -8, 6, -9, 2, -7);
    pellet.lineTo(-4, -4);
    pellet.lineTo(-16, -10);
    pellet.lineTo(-16, 10);
    pellet.lineTo(-4, 4);
    pellet.lineTo(2, 7);
    pellet.cubicTo(6, 9, 14, 8, 14, 0);
    p.setPen(QPen(QColor(40, 40, 40), 2));
    p.setBrush(QColor(200, 205, 215));
    p.translate(-22, 0);
    p.drawPath(pellet);
    p.restore();

    // The name along the bottom of the face.
    QFont font(QStringLiteral("Helvetica"), 17, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(font);
    p.setPen(QColor(245, 248, 252));
    p.drawText(QRectF(0, 138, 192, 30), Qt::AlignCenter, QStringLiteral("VELORA"));
    p.end();

    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
