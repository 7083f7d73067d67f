// Draws the program's logo and the application icons from one design:
//   velora_make_logo resources/logo.png        the splash logo, 192 × 192 PNG with alpha
//   velora_make_logo --icons packaging/icons   the hicolor icons: PNGs of 16 … 256 pixels and
//                                              the scalable SVG, named after the application id
// A round target face in deep blue with light rings, the arc of a pellet's flight crossing it in
// orange and the pellet itself at the end of the arc; the corners stay fully transparent and the
// edges are smoothed into the alpha channel. The splash adds the name along the bottom of the face;
// the icons leave it out, and the two smallest sizes draw fewer, bolder strokes so that the target
// and the arc still read at 16 and 32 pixels.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#ifndef VELORA_APP_ID
#error "VELORA_APP_ID (the reverse-DNS application id) must be set by the build"
#endif

namespace {

// The design's own square, in which every coordinate below is given.
constexpr double DesignSize = 192;

struct Stroke {
    QColor colour;
    double width = 1;
    bool dashed = false;
    Qt::PenCapStyle cap = Qt::SquareCap;
};

// One element of the design: a circle or a path, filled with a colour or the face's gradient,
// outlined or not. A path may carry a transform of its own.
struct Shape {
    std::optional<double> radius;  // a circle about `centre`, else `path`
    QPointF centre;
    QPainterPath path;
    QTransform transform;
    std::optional<QColor> fill;
    bool gradient_fill = false;
    std::optional<Stroke> stroke;
};

// The face's shading: light above left of the centre, deep blue at the rim.
constexpr QPointF GradientCentre(80, 72);
constexpr double GradientRadius = 110;
const QColor GradientInner(40, 120, 170);
const QColor GradientOuter(10, 40, 80);

const QColor Light(230, 240, 250);
const QColor Orange(255, 127, 0);

// Full detail for the splash, the SVG and the icons of 48 pixels and more; `small` for 16 and 32.
std::vector<Shape> design(bool small) {
    const QPointF centre(96, 96);
    std::vector<Shape> shapes;

    Shape face;
    face.radius = 90;
    face.centre = centre;
    face.gradient_fill = true;
    face.stroke = Stroke{Light, small ? 10.0 : 4.0};
    shapes.push_back(face);

    // The rings, fading outwards; at the small sizes one ring of about a pixel.
    for (int ring = 1; ring <= 3; ++ring) {
        if (small && ring != 2) continue;
        Shape r;
        r.radius = 20.0 * ring;
        r.centre = centre;
        r.stroke =
            Stroke{QColor(Light.red(), Light.green(), Light.blue(), small ? 200 : 220 - 40 * ring), small ? 9.0 : 3.0};
        shapes.push_back(r);
    }

    Shape bull;
    bull.radius = small ? 18 : 9;
    bull.centre = centre;
    bull.fill = Orange;
    shapes.push_back(bull);

    // The arc of the flight, rising a little and falling onto the bull; solid when small.
    Shape arc;
    arc.path.moveTo(14, 132);
    arc.path.quadTo(60, 40, 96, 96);
    arc.stroke = Stroke{QColor(255, 127, 0, 230), small ? 14.0 : 5.0, !small, Qt::RoundCap};
    shapes.push_back(arc);

    // The pellet: a waisted head and a flared skirt, seen from the side; too small to see at 32.
    if (!small) {
        Shape pellet;
        pellet.path.moveTo(14, 0);
        pellet.path.cubicTo(14, -8, 6, -9, 2, -7);
        pellet.path.lineTo(-4, -4);
        pellet.path.lineTo(-16, -10);
        pellet.path.lineTo(-16, 10);
        pellet.path.lineTo(-4, 4);
        pellet.path.lineTo(2, 7);
        pellet.path.cubicTo(6, 9, 14, 8, 14, 0);
        pellet.transform.translate(96, 96);
        pellet.transform.rotate(50);
        pellet.transform.translate(-22, 0);
        pellet.fill = QColor(200, 205, 215);
        pellet.stroke = Stroke{QColor(40, 40, 40), 2};
        shapes.push_back(pellet);
    }
    return shapes;
}

// ---- Drawing with QPainter ------------------------------------------------------------------

void paint(QPainter& p, const std::vector<Shape>& shapes) {
    for (const Shape& s : shapes) {
        if (s.stroke) {
            p.setPen(QPen(s.stroke->colour, s.stroke->width, s.stroke->dashed ? Qt::DashLine : Qt::SolidLine,
                          s.stroke->cap));
        } else {
            p.setPen(Qt::NoPen);
        }
        if (s.gradient_fill) {
            QRadialGradient face(GradientCentre, GradientRadius);
            face.setColorAt(0.0, GradientInner);
            face.setColorAt(1.0, GradientOuter);
            p.setBrush(face);
        } else if (s.fill) {
            p.setBrush(*s.fill);
        } else {
            p.setBrush(Qt::NoBrush);
        }
        if (s.radius) {
            p.drawEllipse(s.centre, *s.radius, *s.radius);
        } else {
            p.save();
            p.setTransform(s.transform, true);
            p.drawPath(s.path);
            p.restore();
        }
    }
}

QImage draw(int size, bool small, bool with_name) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / DesignSize, size / DesignSize);
    paint(p, design(small));
    if (with_name) {
        // The name along the bottom of the face.
        QFont font(QStringLiteral("Helvetica"), 17, QFont::Bold);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 2);
        p.setFont(font);
        p.setPen(QColor(245, 248, 252));
        p.drawText(QRectF(0, 138, 192, 30), Qt::AlignCenter, QStringLiteral("VELORA"));
    }
    p.end();
    return image;
}

// ---- Writing SVG --------------------------------------------------------------------------------

std::string number(double v) {
    if (std::abs(v) < 5e-7) v = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

std::string hex(const QColor& c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.red(), c.green(), c.blue());
    return text;
}

std::string path_data(const QPainterPath& path) {
    std::string d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (!d.empty()) d += ' ';
        if (e.type == QPainterPath::MoveToElement) {
            d += "M" + number(e.x) + " " + number(e.y);
        } else if (e.type == QPainterPath::LineToElement) {
            d += "L" + number(e.x) + " " + number(e.y);
        } else if (e.type == QPainterPath::CurveToElement) {
            const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            d += "C" + number(e.x) + " " + number(e.y) + " " + number(c2.x) + " " + number(c2.y) + " " + number(end.x) +
                 " " + number(end.y);
            i += 2;
        }
    }
    return d;
}

std::string svg_attributes(const Shape& s) {
    std::string a;
    if (s.gradient_fill) {
        a += " fill=\"url(#face)\"";
    } else if (s.fill) {
        a += " fill=\"" + hex(*s.fill) + "\"";
        if (s.fill->alpha() != 255) a += " fill-opacity=\"" + number(s.fill->alphaF()) + "\"";
    } else {
        a += " fill=\"none\"";
    }
    if (s.stroke) {
        const Stroke& k = *s.stroke;
        a += " stroke=\"" + hex(k.colour) + "\" stroke-width=\"" + number(k.width) + "\"";
        if (k.colour.alpha() != 255) a += " stroke-opacity=\"" + number(k.colour.alphaF()) + "\"";
        a += " stroke-linejoin=\"bevel\"";
        a += k.cap == Qt::RoundCap ? " stroke-linecap=\"round\"" : " stroke-linecap=\"square\"";
        // Qt's dashes are 4 pen widths long with gaps of 2.
        if (k.dashed) a += " stroke-dasharray=\"" + number(4 * k.width) + " " + number(2 * k.width) + "\"";
    }
    return a;
}

std::string svg(const std::vector<Shape>& shapes) {
    const std::string size = number(DesignSize);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<!-- Velora's icon; written by resources/tools/make_logo.cpp, edit that and regenerate. -->\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + size + "\" height=\"" + size + "\" viewBox=\"0 0 " +
           size + " " + size + "\">\n";
    out += "  <defs>\n";
    out += "    <radialGradient id=\"face\" gradientUnits=\"userSpaceOnUse\" cx=\"" + number(GradientCentre.x()) +
           "\" cy=\"" + number(GradientCentre.y()) + "\" r=\"" + number(GradientRadius) + "\">\n";
    out += "      <stop offset=\"0\" stop-color=\"" + hex(GradientInner) + "\"/>\n";
    out += "      <stop offset=\"1\" stop-color=\"" + hex(GradientOuter) + "\"/>\n";
    out += "    </radialGradient>\n";
    out += "  </defs>\n";
    for (const Shape& s : shapes) {
        if (s.radius) {
            out += "  <circle cx=\"" + number(s.centre.x()) + "\" cy=\"" + number(s.centre.y()) + "\" r=\"" +
                   number(*s.radius) + "\"" + svg_attributes(s) + "/>\n";
        } else {
            out += "  <path d=\"" + path_data(s.path) + "\"";
            if (!s.transform.isIdentity()) {
                const QTransform& t = s.transform;
                out += " transform=\"matrix(" + number(t.m11()) + " " + number(t.m12()) + " " + number(t.m21()) + " " +
                       number(t.m22()) + " " + number(t.dx()) + " " + number(t.dy()) + ")\"";
            }
            out += svg_attributes(s) + "/>\n";
        }
    }
    out += "</svg>\n";
    return out;
}

// ---- The two outputs ------------------------------------------------------------------------------

bool write_icons(const QString& folder) {
    const QString id = QStringLiteral(VELORA_APP_ID);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(dir)) return false;
        if (!draw(size, size <= 32, false).save(dir + "/" + id + ".png", "PNG")) return false;
    }
    const QString dir = folder + QStringLiteral("/hicolor/scalable/apps");
    if (!QDir().mkpath(dir)) return false;
    QFile file(dir + "/" + id + ".svg");
    const std::string text = svg(design(false));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

}  // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: velora_make_logo OUTPUT.png\n       velora_make_logo --icons FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (icons) return write_icons(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    return draw(192, false, true).save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
