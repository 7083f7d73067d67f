#include "output/plot_export.h"

#include <algorithm>
#include <cmath>

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>

#include "output/export_files.h"
#include "output/plot_draw.h"
#include "output/plot_export_names.h"
#include "output/png_export.h"

namespace velora {

PlotFileKind plot_file_kind(std::string_view chosen) {
    const std::string name(chosen.substr(folder_of(chosen).size()));
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return PlotFileKind::Png;
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return extension == ".svg" ? PlotFileKind::Svg : PlotFileKind::Png;
}

ChartDrawing plot_drawing(const PlotLayout& layout) {
    return {layout.axes.W, layout.axes.H, layout.texts.title, layout.texts.subtitle,
            [&layout](QPainter& p) { paint_plot_scaled(p, layout); }};
}

QImage chart_print_image(const ChartDrawing& chart, double scale) {
    const double w = std::ceil(chart.width * scale);
    const double h = std::ceil(chart.height * scale);
    if (!(scale > 0.0) || !(w >= 1.0 && h >= 1.0) || w > MostPrintSizePixels || h > MostPrintSizePixels) return {};
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB888);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    // The image keeps the screen's 96 dots per inch, so the chart's 10-point text is as many of
    // its units as on the screen and grows with the scale like everything else.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter p(&image);
    p.scale(scale, scale);
    if (chart.paint) chart.paint(p);
    p.end();
    return image;
}

QImage plot_print_image(const PlotLayout& layout, double scale) {
    return chart_print_image(plot_drawing(layout), scale);
}

QByteArray chart_svg(const ChartDrawing& chart) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(static_cast<int>(std::ceil(chart.width)), static_cast<int>(std::ceil(chart.height))));
    svg.setViewBox(QRectF(0, 0, chart.width, chart.height));
    svg.setResolution(96);
    svg.setTitle(QString::fromStdString(chart.title));
    svg.setDescription(QString::fromStdString(chart.description));
    QPainter p(&svg);
    if (chart.paint) chart.paint(p);
    p.end();
    return buffer.data();
}

QByteArray plot_svg(const PlotLayout& layout, const std::string& title) {
    ChartDrawing chart = plot_drawing(layout);
    chart.title = title;
    return chart_svg(chart);
}

WriteOutcome write_chart_file(const std::string& path, PlotFileKind kind, const ChartDrawing& chart, double scale) {
    if (kind == PlotFileKind::Svg) {
        if (path.empty() || path.back() == '/') return {false, "No file name was given."};
        const QByteArray svg = chart_svg(chart);
        return replace_file_contents(path, std::string_view(svg.constData(), static_cast<std::size_t>(svg.size())));
    }
    const QImage image = chart_print_image(chart, scale);
    if (image.isNull()) return {false, "The image would be too large."};
    return write_png_file(path, image);
}

WriteOutcome write_plot_file(const std::string& path, PlotFileKind kind, const PlotLayout& layout, double scale) {
    return write_chart_file(path, kind, plot_drawing(layout), scale);
}

double most_print_scale(double width, double height) {
    const double side = std::max(width, height);
    if (!(side >= 1.0)) return 1.0;
    // To a tenth, rounded down, so that the image the scale gives is never over the limit.
    return std::floor(MostPrintSizePixels / side * 10.0) / 10.0;
}

std::string image_size_text(double width, double height, double scale) {
    const auto pixels = [scale](double side) {
        return std::to_string(static_cast<long long>(std::ceil(side * scale)));
    };
    return pixels(width) + " × " + pixels(height) + " pixels";
}

SaveFileRequest plot_print_size_request(const CalcState& s) {
    return {PrintSizeDialogTitle, s.LastFolder, std::string(plot_file_prefix(s.stateRB)) + "Plot.png", PrintSizeFilter};
}

bool save_chart_print_size(CalcState& s, const ChartDrawing& chart, const SaveFileRequest& request, const Dialogs& ui,
                           double scale) {
    if (!ui.save_file) return false;
    const std::string chosen = ui.save_file(request);
    if (chosen.empty()) return false;
    s.LastFolder = folder_of(chosen);
    const PlotFileKind kind = plot_file_kind(chosen);
    if (kind == PlotFileKind::Png && ui.image_scale) {
        ImageScale asked{scale, static_cast<int>(std::ceil(chart.width)), static_cast<int>(std::ceil(chart.height)),
                         most_print_scale(chart.width, chart.height)};
        if (!ui.image_scale(asked)) return false;
        scale = asked.scale;
    }
    const std::string target = export_target_path(chosen, kind == PlotFileKind::Svg ? ".svg" : ".png");
    const WriteOutcome written = write_chart_file(target, kind, chart, scale);
    if (ui.message)
        ui.message({PngMessageTitle,
                    written.ok ? "Saved as:\r" + target : save_failure_text("image", target, written.reason),
                    MessageButtons::Ok});
    return written.ok;
}

bool save_plot_print_size(CalcState& s, const PlotLayout& layout, const Dialogs& ui, double scale) {
    return save_chart_print_size(s, plot_drawing(layout), plot_print_size_request(s), ui, scale);
}

}  // namespace velora
