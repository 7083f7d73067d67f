#include "output/printing.h"

#include <QDir>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>

#include "output/plot_export_names.h"
#include "output/png_export.h"

namespace velora {

namespace {

// The device's resolution, dots per inch.
struct Inches {
    double dpi_x, dpi_y;
    double x(double inches) const { return inches * dpi_x; }
    double y(double inches) const { return inches * dpi_y; }
};

Inches inches_of(const QPaintDevice& device) { return {double(device.logicalDpiX()), double(device.logicalDpiY())}; }

// The printer dialog with the document named for a file, then the job's own name for the printout.
bool ask_printer(QPrinter& printer, const PrinterDialog& dialog, const char* file_name, const char* job_name) {
    printer.setDocName(QString::fromLatin1(file_name));
    const bool chosen = dialog && dialog(printer);
    printer.setDocName(QString::fromLatin1(job_name));
    return chosen;
}

}  // namespace

QFont table_print_font(float size, bool bold) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(size * 72.0);
    font.setBold(bold);
    return font;
}

bool print_table_on(QPagedPaintDevice& device, const TableLines& table, const std::vector<std::string>& input_lines) {
    const Inches in = inches_of(device);
    const float page_width = static_cast<float>(device.width() / in.dpi_x);
    const float page_height = static_cast<float>(device.height() / in.dpi_y);

    // The header's first line, trimmed, in bold, decides the size.
    QString header = table.header.empty() ? QString() : QString::fromStdString(table.header.front()).trimmed();
    const float size = table_print_font_size(page_width, [&](float s) {
        return static_cast<float>(QFontMetricsF(table_print_font(s, true), &device).horizontalAdvance(header) /
                                  in.dpi_x);
    });
    const double line_height = size * 5.0 / 4.0;
    const std::vector<PrintPage> pages =
        paginate_table(table, input_lines, table_print_lines_per_page(page_height, size));

    QPainter p;
    if (!p.begin(&device)) return false;
    const QFont bold = table_print_font(size, true);
    const QFont regular = table_print_font(size, false);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !device.newPage()) break;
        for (const PrintLine& line : pages[i]) {
            p.setFont(line.bold ? bold : regular);
            const double top = PrintTopMargin + line.slot * line_height;
            p.drawText(QPointF(in.x(PrintLeftMargin), in.y(top) + p.fontMetrics().ascent()),
                       QString::fromStdString(line.text));
        }
    }
    return p.end();
}

bool print_plot_on(QPagedPaintDevice& device, const QImage& image) {
    const Inches in = inches_of(device);
    const PrintSize size =
        plot_print_size(image.width(), image.height(), static_cast<float>(device.width() / in.dpi_x));
    if (size.width <= 0.0f || size.height <= 0.0f) return false;
    QPainter p;
    if (!p.begin(&device)) return false;
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.setOpacity(1.0);
    p.drawImage(QRectF(in.x(PlotPrintCorner), in.y(PlotPrintCorner), in.x(size.width), in.y(size.height)), image);
    return p.end();
}

bool print_table(const TableLines& table, const TablePrintFields& fields, const PrinterDialog& dialog) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    if (!ask_printer(printer, dialog, TablePrintFileName, TablePrintJobName)) return false;
    return print_table_on(printer, table, table_print_input_lines(fields));
}

std::string print_image_path() {
    return (QDir::tempPath() + QLatin1Char('/') + QLatin1String(PrintImageName)).toStdString();
}

bool print_plot(const QImage& canvas, const PrinterDialog& dialog, const std::string& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    if (!ask_printer(printer, dialog, PlotPrintFileName, PlotPrintJobName)) return false;
    render_plot_image(canvas, path);
    QImage image(QString::fromStdString(path));
    // Should the temporary folder refuse the file, the same picture is printed from memory.
    if (image.isNull()) image = framed_plot_image(canvas);
    return print_plot_on(printer, image);
}

}  // namespace velora
