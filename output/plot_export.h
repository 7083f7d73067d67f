// The plot at print quality: the chart drawn again as lines and text at any size, into a PNG of a
// few times the canvas's pixels or into an SVG drawing, instead of the canvas's pixels copied.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include <QByteArray>
#include <QImage>

#include "output/plot_layout.h"
#include "services/dialog_seam.h"
#include "services/file_replace.h"
#include "state/calc_state.h"

class QPainter;

namespace velora {

inline constexpr const char* PrintSizeDialogTitle = "Save Image at Print Size";
inline constexpr const char* PrintSizeFilter = "PNG image (*.png);;SVG drawing (*.svg)";
// The print-size PNG has three times the canvas's width and height unless another scale is asked.
inline constexpr double PrintSizeScale = 3.0;
// No print-size image is larger than this many pixels a side.
inline constexpr int MostPrintSizePixels = 16000;

enum class PlotFileKind { Png, Svg };

// A chart drawn as lines and text at any size: its own size (the screen's pixels, at 96 dots per
// inch) and how it paints itself with a painter whose transform maps that size onto the device.
struct ChartDrawing {
    double width = 0, height = 0;
    std::string title;        // the SVG's title
    std::string description;  // and its description
    std::function<void(QPainter&)> paint;
};

// The plot of the output panel as such a chart.
ChartDrawing plot_drawing(const PlotLayout& layout);

// The chart drawn at `scale` times its size as an RGB image on white, or a null image for a scale
// that is not a number, not positive or would pass MostPrintSizePixels.
QImage chart_print_image(const ChartDrawing& chart, double scale);

// The chart as an SVG document of its size.
QByteArray chart_svg(const ChartDrawing& chart);

// Writes the chart to `path` as the kind says: PNG at `scale`, or SVG.
WriteOutcome write_chart_file(const std::string& path, PlotFileKind kind, const ChartDrawing& chart, double scale);

// The largest scale whose image stays within MostPrintSizePixels a side (to a tenth).
double most_print_scale(double width, double height);

// What an image of a chart `width` × `height` is at `scale`: "1170 × 1584 pixels".
std::string image_size_text(double width, double height, double scale);

// "Save Image at Print Size…" of any chart: asks for the file (`request`), remembers its folder in
// LastFolder; for a PNG asks its scale through the dialogs (proposing `scale`), nothing when
// cancelled; writes an SVG for a name ending in ".svg" and otherwise a PNG with ".png" in place of
// the chosen extension, and says where it went ("Image:", "Saved as:" and the path) or why it could
// not be written. True when a file was written.
bool save_chart_print_size(CalcState& s, const ChartDrawing& chart, const SaveFileRequest& request, const Dialogs& ui,
                           double scale = PrintSizeScale);

// SVG for a chosen name ending in ".svg" (in any case), PNG for every other.
PlotFileKind plot_file_kind(std::string_view chosen);

// The chart of `layout` drawn at `scale` times its size as an RGB image, or a null image for a
// scale that is not a number, not positive or would pass MostPrintSizePixels.
QImage plot_print_image(const PlotLayout& layout, double scale);

// The chart as an SVG document of the layout's size, titled `title`.
QByteArray plot_svg(const PlotLayout& layout, const std::string& title);

// Writes the chart to `path` as the kind says: PNG at `scale`, or SVG.
WriteOutcome write_plot_file(const std::string& path, PlotFileKind kind, const PlotLayout& layout, double scale);

// The save dialog of the print-size image: in LastFolder, proposing the name "Save Image" does.
SaveFileRequest plot_print_size_request(const CalcState& s);

// The "Save Image at Print Size…" command of the output panel's plot (save_chart_print_size with
// the name "Save Image" proposes). `layout` is the chart at the canvas's size, with its smooth
// curve. True when a file was written.
bool save_plot_print_size(CalcState& s, const PlotLayout& layout, const Dialogs& ui, double scale = PrintSizeScale);

}  // namespace velora
