#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "engine/units.h"
#include "output/csv_export.h"
#include "output/plot_draw.h"
#include "output/plot_layout.h"
#include "output/png_export.h"
#include "tests/output/output_fixture.h"
#include "tests/output/png_reader.h"
#include "tests/output/scripted_dialogs.h"
#include "tests/output/synthetic_trajectory.h"
#include "tests/output/temp_folder.h"

namespace velora {
namespace {

constexpr int W = 390;
constexpr int H = 528;

QImage drawn(const CalcState& s, const CalcResults& r) {
    QImage canvas(W, H, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    EXPECT_TRUE(draw_plot(canvas, s, r));
    return canvas;
}

bool is(const QImage& image, int x, int y, QRgb colour) {
    return (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
}

// Pixels of a colour inside and outside the inside of the frame.
struct Count {
    int inside = 0, outside = 0;
};
Count count(const QImage& image, QRgb colour) {
    Count c;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (is(image, x, y, colour)) {
                const bool in = x >= 66 && x < W - 66 && y >= 66 && y < H - 66;
                (in ? c.inside : c.outside)++;
            }
    return c;
}

CalcState plot_state() {
    CalcState s = testing::first_run_state();
    s.TR = 50.0f;
    s.statePOI = Inch;
    return s;
}

TEST(PlotDrawing, FrameGridCurveSightLineAndTexts) {
    const CalcState s = plot_state();
    const auto r = testing::results_for(s);
    const QImage image = drawn(s, *r);
    const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);

    // Nothing of the old content is left; the canvas and the plot area have black outlines.
    EXPECT_EQ(count(image, qRgb(255, 0, 255)).inside + count(image, qRgb(255, 0, 255)).outside, 0);
    for (int x = 0; x < W; ++x) {
        EXPECT_TRUE(is(image, x, 0, black) && is(image, x, H - 1, black)) << x;
        if (x >= 65 && x <= W - 66) {
            EXPECT_TRUE(is(image, x, 65, black) && is(image, x, H - 66, black)) << x;
        }
    }
    for (int y = 0; y < H; ++y) {
        EXPECT_TRUE(is(image, 0, y, black) && is(image, W - 1, y, black)) << y;
        if (y >= 65 && y <= H - 66) {
            EXPECT_TRUE(is(image, 65, y, black) && is(image, W - 66, y, black)) << y;
        }
    }
    EXPECT_TRUE(is(image, 30, 30, white));

    // The curve stays inside the frame; the line of sight runs across at the row of 0 (the axis
    // runs from −6 to 1 inch).
    const Count red = count(image, qRgb(255, 0, 0));
    EXPECT_GT(red.inside, 300);
    EXPECT_EQ(red.outside, 0);
    const PlotAxes a = layout_plot(s, *r, W, H).axes;
    const int sight = static_cast<int>(std::nearbyint(a.yTop * a.yScale + 65));
    int green = 0;
    for (int x = 66; x < W - 66; ++x) green += is(image, x, sight, qRgb(0, 128, 0));
    EXPECT_GT(green, 200);
    EXPECT_EQ(count(image, qRgb(0, 128, 0)).outside, 0);
    EXPECT_GT(count(image, qRgb(128, 128, 128)).inside, 500);
    EXPECT_GT(count(image, qRgb(208, 208, 208)).inside, 500);

    // Title, the turned axis labels on both sides and the range label are black text.
    const auto dark_in = [&image](int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) n += qGray(image.pixel(x, y)) < 100;
        return n;
    };
    EXPECT_GT(dark_in(60, 8, W - 60, 28), 50);                      // title
    EXPECT_GT(dark_in(60, 29, W - 60, 48), 30);                     // subtitle
    EXPECT_GT(dark_in(1, H / 2 - 60, 25, H / 2 + 60), 50);          // left axis label
    EXPECT_GT(dark_in(W - 30, H / 2 - 60, W - 1, H / 2 + 60), 50);  // right axis label
    EXPECT_GT(dark_in(100, H - 32, W - 100, H - 12), 30);           // "Range (Yard)"
}

TEST(PlotDrawing, TheTargetMarkerOnlyWhenAskedFor) {
    CalcState s = plot_state();
    const auto r = testing::results_for(s);
    const PlotLayout p = layout_plot(s, *r, W, H);
    ASSERT_TRUE(p.target.has_value());
    const int cx = p.target->centre.x, cy = p.target->centre.y;

    QImage image = drawn(s, *r);
    const QRgb black = qRgb(0, 0, 0);
    EXPECT_TRUE(is(image, cx - 10, cy, black));
    EXPECT_TRUE(is(image, cx + 10, cy, black));
    EXPECT_TRUE(is(image, cx, cy - 10, black));
    EXPECT_TRUE(is(image, cx + 6, cy - 1, black) || is(image, cx + 6, cy + 1, black));
    EXPECT_TRUE(is(image, cx, H - 70, black));  // the tick on the range axis
    EXPECT_TRUE(is(image, 70, cy, black));      // and on both value axes
    EXPECT_TRUE(is(image, W - 70, cy, black));

    s.ShowTarget = 0;
    image = drawn(s, *r);
    EXPECT_EQ(count(image, black).inside, 0);
}

TEST(PlotDrawing, EveryMethodDrawsOnAShortFlight) {
    testing::Samples f;
    f.velocity = [](int i) { return 800.0f - 5.0f * static_cast<float>(i); };
    f.time = [](int i) { return 0.004f * static_cast<float>(i); };
    f.poi = [](int i) { return -1.0f - 0.2f * static_cast<float>(i); };
    f.drop = [](int i) { return -0.25f * static_cast<float>(i); };
    const auto r = testing::synthetic_results(30, f, -1.0f);
    for (int method : {DeltaPOI, DeltaT, DeltaV, DeltaD}) {
        CalcState s = plot_state();
        s.stateRB = method;
        const QImage image = drawn(s, *r);
        const Count red = count(image, qRgb(255, 0, 0));
        EXPECT_GT(red.inside, 100) << method;
        EXPECT_EQ(red.outside, 0) << method;
    }
}

TEST(PlotDrawing, ADeviceThatCannotBePaintedIsLeftAlone) {
    const CalcState s = plot_state();
    QImage none;
    EXPECT_FALSE(draw_plot(none, s, *testing::results_for(s)));
}

// The PNG export, decoded back with libpng.
class PngExport : public ::testing::Test {
protected:
    testing::TempFolder dir;
    testing::ScriptedDialogs dialogs;
    CalcState state = plot_state();
    std::unique_ptr<CalcResults> results = testing::results_for(state);
};

TEST_F(PngExport, SavesTheCanvasAsAnRgbImageOfItsSizeWithABlackFrame) {
    const QImage canvas = drawn(state, *results);
    state.LastFolder = dir.folder();
    dialogs.answer = dir.file("range day.PNG");
    ASSERT_TRUE(save_plot_png(state, canvas, dialogs.hooks()));

    EXPECT_EQ(dialogs.request.title, "Save Plot as PNG");
    EXPECT_EQ(dialogs.request.folder, dir.folder());
    EXPECT_EQ(dialogs.request.default_name, "POI_Plot.png");
    EXPECT_EQ(dialogs.request.filter, "Images (.png) (*.png)");
    const std::string path = dir.file("range day.png");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Image:");
    EXPECT_EQ(dialogs.messages[0].text, "Saved as:\r" + path);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"range day.png"});

    const testing::DecodedPng png = testing::decode_png(path);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, static_cast<png_uint_32>(W));
    EXPECT_EQ(png.height, static_cast<png_uint_32>(H));
    EXPECT_EQ(png.bit_depth, 8);
    ASSERT_EQ(png.colour_type, PNG_COLOR_TYPE_RGB);
    for (png_uint_32 x = 0; x < png.width; ++x)
        EXPECT_TRUE(png.is(x, 0, 0, 0, 0) && png.is(x, png.height - 1, 0, 0, 0));
    for (png_uint_32 y = 0; y < png.height; ++y)
        EXPECT_TRUE(png.is(0, y, 0, 0, 0) && png.is(png.width - 1, y, 0, 0, 0));
    // Every pixel is the canvas's, the red curve among them.
    int red = 0, differing = 0;
    for (png_uint_32 y = 0; y < png.height; ++y)
        for (png_uint_32 x = 0; x < png.width; ++x) {
            const QRgb c = canvas.pixel(static_cast<int>(x), static_cast<int>(y));
            const unsigned char* p = png.at(x, y);
            differing += p[0] != qRed(c) || p[1] != qGreen(c) || p[2] != qBlue(c);
            red += png.is(x, y, 255, 0, 0);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(red, 300);
}

TEST_F(PngExport, AFramelessCanvasGetsItsFrame) {
    QImage canvas(120, 80, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    const std::string path = dir.file("plain.png");
    ASSERT_TRUE(render_plot_image(canvas, path));
    const testing::DecodedPng png = testing::decode_png(path);
    ASSERT_TRUE(png.ok);
    EXPECT_EQ(png.width, 120u);
    EXPECT_EQ(png.height, 80u);
    EXPECT_TRUE(png.is(0, 0, 0, 0, 0));
    EXPECT_TRUE(png.is(119, 40, 0, 0, 0));
    EXPECT_TRUE(png.is(60, 79, 0, 0, 0));
    EXPECT_TRUE(png.is(1, 1, 255, 255, 255));
    EXPECT_TRUE(png.is(118, 78, 255, 255, 255));
}

TEST_F(PngExport, DefaultNamesByMethodAndTheExtensionRule) {
    const QImage canvas = drawn(state, *results);
    const std::pair<int, const char*> names[] = {
        {DeltaPOI, "POI_Plot.png"}, {DeltaT, "TIME_Plot.png"}, {DeltaV, "VELOCITY_Plot.png"}, {DeltaD, "Plot.png"}};
    for (const auto& [method, name] : names) {
        state.stateRB = method;
        state.LastFolder = "/pictures/";
        dialogs.answer = "";
        EXPECT_FALSE(save_plot_png(state, canvas, dialogs.hooks()));
        EXPECT_EQ(dialogs.request.folder, "/pictures/");
        EXPECT_EQ(dialogs.request.default_name, name);
        EXPECT_EQ(state.LastFolder, "/pictures/");  // cancelled: nothing changes
    }
    EXPECT_TRUE(dialogs.messages.empty());

    dialogs.answer = dir.file("shot.jpg");
    EXPECT_TRUE(save_plot_png(state, canvas, dialogs.hooks()));
    dialogs.answer = dir.file("bare");
    EXPECT_TRUE(save_plot_png(state, canvas, dialogs.hooks()));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"bare.png", "shot.png"}));
}

TEST_F(PngExport, SharesItsFolderWithTheCsvExport) {
    const QImage canvas = drawn(state, *results);
    const TableLines table = fill_table(state, *results);
    state.LastFolder = "/desktop/";
    dialogs.answer = dir.file("plot.png");
    save_plot_png(state, canvas, dialogs.hooks());
    dialogs.answer = "";
    save_table_csv(state, table, dialogs.hooks());
    EXPECT_EQ(dialogs.request.folder, dir.folder());
    EXPECT_EQ(dialogs.request.default_name, "Velora_Table.csv");

    std::filesystem::create_directory(dir.file("tables"));
    dialogs.answer = dir.file("tables/t.csv");
    save_table_csv(state, table, dialogs.hooks());
    dialogs.answer = "";
    save_plot_png(state, canvas, dialogs.hooks());
    EXPECT_EQ(dialogs.request.folder, dir.folder() + "tables/");
}

TEST_F(PngExport, AFailedWriteIsReportedWithThePathAndLeavesNothingBehind) {
    const QImage canvas = drawn(state, *results);
    dialogs.answer = dir.file("gone/plot.png");
    EXPECT_FALSE(save_plot_png(state, canvas, dialogs.hooks()));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Image:");
    EXPECT_EQ(dialogs.messages[0].text, "Could not save the image as:\r" + dir.file("gone/plot.png"));

    std::filesystem::create_directory(dir.file("taken.png"));
    dialogs.answer = dir.file("taken.png");
    EXPECT_FALSE(save_plot_png(state, canvas, dialogs.hooks()));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"taken.png"});
    EXPECT_FALSE(render_plot_image(QImage(), dir.file("empty.png")));
    EXPECT_EQ(dir.names(), std::vector<std::string>{"taken.png"});
}

}  // namespace
}  // namespace velora
