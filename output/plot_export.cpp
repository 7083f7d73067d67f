#include "output/plot_export.h"

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

QImage plot_print_image(const PlotLayout& layout, double scale) {
    const double w = std::ceil(static_cast<double>(layout.axes.W) * scale);
    const double h = std::ceil(static_cast<double>(layout.axes.H) * scale);
    if (!(scale > 0.0) || !(w >= 1.0 && h >= 1.0) || w > MostPrintSizePixels || h > MostPrintSizePixels) return {};
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB888);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    // The image keeps the screen's 96 dots per inch, so the chart's 10-point text is as many of
    // its units as on the canvas and grows with the scale like everything else.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    QPainter p(&image);
    p.scale(scale, scale);
    paint_plot_scaled(p, layout);
    p.end();
    return image;
}

QByteArray plot_svg(const PlotLayout& layout, const std::string& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(static_cast<int>(layout.axes.W), static_cast<int>(layout.axes.H)));
    svg.setViewBox(QRectF(0, 0, layout.axes.W, layout.axes.H));
    svg.setResolution(96);
    svg.setTitle(QString::fromStdString(title));
    svg.setDescription(QString::fromStdString(layout.texts.subtitle));
    QPainter p(&svg);
    paint_plot_scaled(p, layout);
    p.end();
    return buffer.data();
}

WriteOutcome write_plot_file(const std::string& path, PlotFileKind kind, const PlotLayout& layout, double scale) {
    if (kind == PlotFileKind::Svg) {
        if (path.empty() || path.back() == '/') return {false, "No file name was given."};
        const QByteArray svg = plot_svg(layout, layout.texts.title);
        return replace_file_contents(path, std::string_view(svg.constData(), static_cast<std::size_t>(svg.size())));
    }
    const QImage image = plot_print_image(layout, scale);
    if (image.isNull()) return {false, "The image would be too large."};
    return write_png_file(path, image);
}

SaveFileRequest plot_print_size_request(const CalcState& s) {
    return {PrintSizeDialogTitle, s.LastFolder, std::string(plot_file_prefix(s.stateRB)) + "Plot.png", PrintSizeFilter};
}

bool save_plot_print_size(CalcState& s, const PlotLayout& layout, const Dialogs& ui, double scale) {
    if (!ui.save_file) return false;
    const std::string chosen = ui.save_file(plot_print_size_request(s));
    if (chosen.empty()) return false;
    s.LastFolder = folder_of(chosen);
    const PlotFileKind kind = plot_file_kind(chosen);
    const std::string target = export_target_path(chosen, kind == PlotFileKind::Svg ? ".svg" : ".png");
    const WriteOutcome written = write_plot_file(target, kind, layout, scale);
    if (ui.message)
        ui.message({PngMessageTitle,
                    written.ok ? "Saved as:\r" + target : save_failure_text("image", target, written.reason),
                    MessageButtons::Ok});
    return written.ok;
}

}  // namespace velora
