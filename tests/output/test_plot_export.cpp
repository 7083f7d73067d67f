#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <QImage>
#include <QPainter>

#include "engine/units.h"

#include "output/plot_draw.h"
#include "output/plot_export.h"
#include "output/plot_layout.h"
#include "tests/output/output_fixture.h"
#include "tests/output/png_reader.h"
#include "tests/output/scripted_dialogs.h"
#include "tests/output/temp_folder.h"

namespace velora {
namespace {

constexpr int W = 390;
constexpr int H = 528;

CalcState plot_state() {
    CalcState s = testing::first_run_state();
    s.TR = 50.0f;
    s.statePOI = Inch;
    return s;
}

// Neighbouring pixels in the band of the left value labels whose grey differs by more than
// `step`: text drawn at an image's own size has hard edges there, a stretched picture soft ones.
int hard_edges(const QImage& image, int scale, int step) {
    int edges = 0;
    for (int y = 66 * scale; y < (H - 66) * scale; ++y)
        for (int x = 20 * scale; x + 1 < 63 * scale; ++x)
            edges += std::abs(qGray(image.pixel(x, y)) - qGray(image.pixel(x + 1, y))) > step;
    return edges;
}

bool tool_exists(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null").c_str()) == 0;
}

class PrintSize : public ::testing::Test {
protected:
    testing::TempFolder dir;
    testing::ScriptedDialogs dialogs;
    CalcState state = plot_state();
    std::unique_ptr<CalcResults> results = testing::results_for(state);
    PlotLayout layout = [this] {
        PlotLayout l = layout_plot(state, *results, W, H);
        add_smooth_curve(l, state, *results);
        return l;
    }();
};

TEST_F(PrintSize, ThreeTimesTheCanvasWithItsTextDrawnAtThatSize) {
    state.LastFolder = dir.folder();
    dialogs.answer = dir.file("chart.jpeg");
    ASSERT_TRUE(save_plot_print_size(state, layout, dialogs.hooks()));
    EXPECT_EQ(dialogs.request.title, "Save Image at Print Size");
    EXPECT_EQ(dialogs.request.default_name, "POI_Plot.png");
    EXPECT_EQ(dialogs.request.folder, dir.folder());
    const std::string path = dir.file("chart.png");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Image:");
    EXPECT_EQ(dialogs.messages[0].text, "Saved as:\r" + path);

    const testing::DecodedPng png = testing::decode_png(path);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 3u * W);
    EXPECT_EQ(png.height, 3u * H);
    ASSERT_EQ(png.colour_type, PNG_COLOR_TYPE_RGB);
    // The frame on the outermost pixels, three of them wide now.
    for (png_uint_32 x = 0; x < png.width; x += 7)
        EXPECT_TRUE(png.is(x, 1, 0, 0, 0) && png.is(x, png.height - 2, 0, 0, 0));

    // The labels are as sharp as the canvas's, not the canvas's stretched: a smooth enlargement
    // of the canvas has next to no hard edge, the print-size image three times the canvas's or more.
    QImage canvas(W, H, QImage::Format_RGB32);
    ASSERT_TRUE(draw_plot(canvas, state, *results));
    const QImage big = plot_print_image(layout, 3.0);
    const QImage stretched = canvas.scaled(3 * W, 3 * H, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const int canvas_edges = hard_edges(canvas, 1, 160);
    ASSERT_GT(canvas_edges, 50);
    EXPECT_GT(hard_edges(big, 3, 160), 3 * canvas_edges);
    EXPECT_LT(hard_edges(stretched, 3, 160), canvas_edges);

    // Drawn again at three times the size, shrunk back it is the canvas: the same places, colours
    // and texts (far fewer than one pixel in twenty differs by more than a grey step of 100).
    const QImage shrunk = big.scaled(W, H, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int far = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) far += std::abs(qGray(shrunk.pixel(x, y)) - qGray(canvas.pixel(x, y))) > 100;
    EXPECT_LT(far, W * H / 20);
}

TEST_F(PrintSize, AnySvgNameWritesAVectorDrawingThatRenders) {
    EXPECT_EQ(plot_file_kind("/a/b.SVG"), PlotFileKind::Svg);
    EXPECT_EQ(plot_file_kind("/a.svg/b"), PlotFileKind::Png);
    EXPECT_EQ(plot_file_kind("b.svgz"), PlotFileKind::Png);

    dialogs.answer = dir.file("chart.Svg");
    ASSERT_TRUE(save_plot_print_size(state, layout, dialogs.hooks()));
    const std::string path = dir.file("chart.svg");
    EXPECT_EQ(dir.names(), std::vector<std::string>{"chart.svg"});
    const std::string svg = testing::read_bytes(path);
    // Text stays text, and the curve one path, not a picture.
    EXPECT_NE(svg.find(layout.texts.title), std::string::npos);
    EXPECT_NE(svg.find(layout.value_labels.front().text), std::string::npos);
    EXPECT_EQ(svg.find("<image"), std::string::npos);
    EXPECT_NE(svg.find("viewBox=\"0 0 390 528\""), std::string::npos);

    if (!tool_exists("rsvg-convert")) GTEST_SKIP() << "rsvg-convert is not installed";
    const std::string rendered = dir.file("rendered.png");
    ASSERT_EQ(std::system(("rsvg-convert -w 1170 -o '" + rendered + "' '" + path + "'").c_str()), 0);
    const testing::DecodedPng png = testing::decode_png(rendered);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 1170u);
    EXPECT_EQ(png.height, 1584u);
    // The red curve is there where it is in the print-size PNG.
    const QImage big = plot_print_image(layout, 3.0);
    int red = 0, both = 0;
    for (png_uint_32 y = 0; y < png.height; ++y)
        for (png_uint_32 x = 0; x < png.width; ++x) {
            const unsigned char* p = png.at(x, y);
            if (p[0] > 200 && p[1] < 60 && p[2] < 60) {
                ++red;
                const QRgb c = big.pixel(static_cast<int>(x), static_cast<int>(y));
                both += qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60;
            }
        }
    EXPECT_GT(red, 3000);
    EXPECT_GT(both, red * 9 / 10);
}

TEST_F(PrintSize, OtherScalesAndSizesThatCannotBeMade) {
    EXPECT_EQ(plot_print_image(layout, 2.0).size(), QSize(2 * W, 2 * H));
    EXPECT_EQ(plot_print_image(layout, 1.5).size(), QSize(585, 792));
    EXPECT_TRUE(plot_print_image(layout, 0.0).isNull());
    EXPECT_TRUE(plot_print_image(layout, -3.0).isNull());
    EXPECT_TRUE(plot_print_image(layout, std::nan("")).isNull());
    EXPECT_TRUE(plot_print_image(layout, 100.0).isNull());

    dialogs.answer = dir.file("huge.png");
    EXPECT_FALSE(save_plot_print_size(state, layout, dialogs.hooks(), 1000.0));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Could not save the image as:\r" + dir.file("huge.png") + "\rThe image would be too large.");
    EXPECT_TRUE(dir.names().empty());
}

TEST_F(PrintSize, AFailedSaveNamesTheFileAndTheReason) {
    dialogs.answer = dir.file("gone/chart.png");
    EXPECT_FALSE(save_plot_print_size(state, layout, dialogs.hooks()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text,
              "Could not save the image as:\r" + dir.file("gone/chart.png") + "\rNo such file or directory");
    EXPECT_EQ(state.LastFolder, dir.file("gone") + "/");

    dialogs.messages.clear();
    dialogs.answer = dir.file("gone/chart.svg");
    EXPECT_FALSE(save_plot_print_size(state, layout, dialogs.hooks()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.rfind("Could not save the image as:\r" + dir.file("gone/chart.svg") + "\r", 0),
              0u);

    // Cancelled: nothing asked further, nothing written, the folder kept.
    dialogs.messages.clear();
    dialogs.answer = "";
    EXPECT_FALSE(save_plot_print_size(state, layout, dialogs.hooks()));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(state.LastFolder, dir.file("gone") + "/");
}

// The user's own scale: asked for a PNG (with the chart's size and the largest scale), not for an
// SVG; a cancelled question writes nothing.
TEST_F(PrintSize, TheScaleTheUserChooses) {
    EXPECT_EQ(most_print_scale(W, H), 30.3);
    EXPECT_EQ(image_size_text(W, H, 3.0), "1170 × 1584 pixels");
    EXPECT_EQ(image_size_text(W, H, 2.5), "975 × 1320 pixels");
    EXPECT_EQ(most_print_scale(0, 0), 1.0);
    EXPECT_LE(std::ceil(H * most_print_scale(W, H)), MostPrintSizePixels);

    std::vector<ImageScale> asked;
    double answer = 2.5;
    bool accept = true;
    Dialogs ui = dialogs.hooks();
    ui.image_scale = [&](ImageScale& s) {
        asked.push_back(s);
        s.scale = answer;
        return accept;
    };
    dialogs.answer = dir.file("chosen.png");
    ASSERT_TRUE(save_plot_print_size(state, layout, ui));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].scale, 3.0);
    EXPECT_EQ(asked[0].width, W);
    EXPECT_EQ(asked[0].height, H);
    EXPECT_EQ(asked[0].most, 30.3);
    const QImage chosen(QString::fromStdString(dir.file("chosen.png")));
    EXPECT_EQ(chosen.size(), QSize(975, 1320));
    // Drawn at that size: as sharp as the image drawn at 2.5 itself.
    EXPECT_EQ(chosen.convertToFormat(QImage::Format_RGB888), plot_print_image(layout, 2.5));

    dialogs.answer = dir.file("vector.svg");
    ASSERT_TRUE(save_plot_print_size(state, layout, ui));
    EXPECT_EQ(asked.size(), 1u) << "a drawing has no pixels to choose";

    accept = false;
    dialogs.messages.clear();
    dialogs.answer = dir.file("cancelled.png");
    EXPECT_FALSE(save_plot_print_size(state, layout, ui));
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"chosen.png", "vector.svg"}));
}

// Any chart that paints itself saves the same way: the Fit window's plots go this way.
TEST_F(PrintSize, AnyChartThatPaintsItselfIsSavedAtItsScale) {
    ChartDrawing chart{200, 100, "Residuals", "", [](QPainter& p) {
                           p.fillRect(QRectF(0, 0, 100, 100), Qt::blue);
                           p.drawText(QPointF(120, 50), QStringLiteral("rms"));
                       }};
    const QImage image = chart_print_image(chart, 3.0);
    ASSERT_EQ(image.size(), QSize(600, 300));
    EXPECT_EQ(image.pixelColor(290, 150), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(310, 20), QColor(Qt::white));
    EXPECT_NE(chart_svg(chart).indexOf("<title>Residuals</title>"), -1);

    dialogs.answer = dir.file("residuals");
    ASSERT_TRUE(save_chart_print_size(state, chart, {"Save Plot", dir.folder(), "Fit.png", PrintSizeFilter},
                                      dialogs.hooks(), 2.0));
    EXPECT_EQ(dialogs.request.default_name, "Fit.png");
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("residuals.png"))).size(), QSize(400, 200));
    EXPECT_EQ(dialogs.messages.back().text, "Saved as:\r" + dir.file("residuals.png"));
}

}  // namespace
}  // namespace velora
