#include "output/png_export.h"

#include <png.h>

#include <csetjmp>
#include <vector>

#include <QPainter>

#include "output/export_files.h"
#include "output/plot_export_names.h"
#include "services/file_replace.h"

namespace velora {

namespace {

// libpng reports errors by a long jump back here; nothing with a destructor lives in this frame
// after setjmp.
bool encode_png(std::FILE* file, const QImage& rgb, png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(rgb.width()), static_cast<png_uint_32>(rgb.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

QImage framed_plot_image(const QImage& canvas) {
    QImage image(canvas.size(), QImage::Format_RGB888);
    if (image.isNull()) return image;
    image.fill(Qt::white);
    QPainter p(&image);
    p.drawImage(0, 0, canvas);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, image.width() - 1, image.height() - 1);
    p.end();
    return image;
}

bool write_png_rgb(const std::string& path, const QImage& image) { return write_png_file(path, image).ok; }

WriteOutcome write_png_file(const std::string& path, const QImage& image) {
    if (image.isNull()) return {false, "There is no image to save."};
    if (path.empty() || path.back() == '/') return {false, "No file name was given."};
    const QImage rgb = image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    std::vector<png_bytep> rows(static_cast<std::size_t>(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(rgb.constScanLine(y));
    return replace_file_with(path, [&rgb, &rows](std::FILE* file) { return encode_png(file, rgb, rows.data()); });
}

bool render_plot_image(const QImage& canvas, const std::string& path) {
    return write_png_rgb(path, framed_plot_image(canvas));
}

bool save_plot_png(CalcState& s, const QImage& canvas, const Dialogs& ui) {
    if (!ui.save_file) return false;
    const std::string chosen = ui.save_file(plot_png_request(s));
    if (chosen.empty()) return false;
    s.LastFolder = folder_of(chosen);
    const std::string target = export_target_path(chosen, ".png");
    const bool written = render_plot_image(canvas, target);
    if (ui.message)
        ui.message({PngMessageTitle, (written ? "Saved as:\r" : "Could not save the image as:\r") + target,
                    MessageButtons::Ok});
    return written;
}

}  // namespace velora
