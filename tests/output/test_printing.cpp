#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include <QDir>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>

#include "output/plot_draw.h"
#include "output/png_export.h"
#include "output/print_layout.h"
#include "output/printing.h"
#include "output/range_table.h"
#include "tests/output/output_fixture.h"
#include "tests/output/temp_folder.h"

namespace velora {
namespace {

// The standard output of a command, or nothing when it cannot run.
std::optional<std::string> run(const std::string& command) {
    std::FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    if (::pclose(pipe) != 0) return std::nullopt;
    return out;
}

bool have_poppler() { return run("pdftotext -v").has_value() && run("pdftoppm -v").has_value(); }

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// Runs of blanks made one space, ends trimmed.
std::string squeezed(const std::string& text) {
    std::istringstream in(text);
    std::string word, out;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

// The squeezed lines of a page of a PDF (1-based), or of every page when page is 0.
std::vector<std::string> pdf_lines(const std::string& pdf, int page = 0) {
    std::string command = "pdftotext -layout ";
    if (page > 0) command += "-f " + std::to_string(page) + " -l " + std::to_string(page) + " ";
    const auto text = run(command + quoted(pdf) + " -");
    std::vector<std::string> lines;
    if (!text) return lines;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line)) {
        line = squeezed(line);
        if (!line.empty() && line != "\f") lines.push_back(line);
    }
    return lines;
}

// The document title a PDF carries (the print job's name, without its leading blanks, which
// pdfinfo's padding hides), or nothing without pdfinfo.
std::optional<std::string> pdf_title(const std::string& pdf) {
    const auto info = run("pdfinfo " + quoted(pdf));
    if (!info) return std::nullopt;
    std::istringstream in(*info);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Title:", 0) == 0) return line.substr(line.find_first_not_of(' ', 6));
    return std::string();
}

int pdf_pages(const std::string& pdf) {
    const auto text = run("pdftotext " + quoted(pdf) + " -");
    return text ? static_cast<int>(std::count(text->begin(), text->end(), '\f')) : -1;
}

bool holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), squeezed(line)) != lines.end();
}

// Where a word stands on a page (its last occurrence), in points from the top-left corner.
struct WordBox {
    double x_min = 0, y_min = 0, x_max = 0, y_max = 0;
};
std::optional<WordBox> word_box(const std::string& pdf, int page, const std::string& word) {
    const auto html =
        run("pdftotext -bbox -f " + std::to_string(page) + " -l " + std::to_string(page) + " " + quoted(pdf) + " -");
    if (!html) return std::nullopt;
    const std::regex pattern("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">" +
                             word + "</word>");
    std::optional<WordBox> last;
    for (auto it = std::sregex_iterator(html->begin(), html->end(), pattern); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        last = WordBox{std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])};
    }
    return last;
}

void use_page(QPdfWriter& writer, QSizeF inches) {
    writer.setPageSize(QPageSize(inches, QPageSize::Inch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(600);
}

class Printout : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_poppler()) GTEST_SKIP() << "pdftotext and pdftoppm are needed to read the printouts back";
    }
    testing::TempFolder dir;
    CalcState state = testing::first_run_state();
};

TEST_F(Printout, TheTableWithTitleInputsAndEveryRow) {
    state.statePOI = 0;
    const auto r = testing::results_for(state);
    const TableLines table = fill_table(state, *r);
    const auto inputs = table_print_input_lines(table_print_fields(state, *r));
    const std::string pdf = dir.file("table.pdf");
    {
        QPdfWriter writer(QString::fromStdString(pdf));
        use_page(writer, {8.5, 11});
        ASSERT_TRUE(print_table_on(writer, table, inputs));
    }
    const auto lines = pdf_lines(pdf);
    EXPECT_EQ(pdf_pages(pdf), 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Velora (1.2.2)");
    for (const auto& input : inputs) EXPECT_TRUE(holds(lines, input)) << input;
    EXPECT_TRUE(holds(lines, table.header[0]));
    EXPECT_TRUE(holds(lines, table.header[1]));
    int rows = 0;
    for (const auto& row : table.rows) {
        if (row.empty()) continue;
        ++rows;
        EXPECT_TRUE(holds(lines, row)) << row;
    }
    EXPECT_EQ(lines.size(), 1u + 7u + 2u + static_cast<std::size_t>(rows));

    // The first line's top-left corner stands at (0.75, 1.25) inch.
    const auto title = word_box(pdf, 1, "Velora");
    ASSERT_TRUE(title.has_value());
    EXPECT_NEAR(title->x_min, 0.75 * 72, 1.5);
    EXPECT_NEAR(title->y_min, 1.25 * 72, 3.0);
}

TEST_F(Printout, ALongTableRepeatsTheHeaderOnEveryPage) {
    state.TableStep = 1.0f;
    state.TR = 100.0f;  // 102 rows
    state.statePOI = 0;
    const auto r = testing::results_for(state);
    const TableLines table = fill_table(state, *r);
    const std::string pdf = dir.file("long.pdf");
    {
        QPdfWriter writer(QString::fromStdString(pdf));
        use_page(writer, {8.5, 11});  // 45 lines a page: 33 rows, then 43 a page
        ASSERT_TRUE(print_table_on(writer, table, table_print_input_lines(table_print_fields(state, *r))));
    }
    ASSERT_EQ(pdf_pages(pdf), 3);
    const auto page2 = pdf_lines(pdf, 2);
    ASSERT_GE(page2.size(), 45u);
    EXPECT_EQ(page2[0], squeezed(table.header[0]));
    EXPECT_EQ(page2[1], squeezed(table.header[1]));
    EXPECT_EQ(page2[2], squeezed(table.rows[1 + 33 + 6]));  // 33 rows and their 6 gap lines on page 1
    EXPECT_FALSE(holds(page2, "Velora (1.2.2)"));
    const auto page3 = pdf_lines(pdf, 3);
    EXPECT_EQ(page3[0], squeezed(table.header[0]));
    EXPECT_EQ(page3.back(), squeezed(table.rows[table.rows.size() - 2]));
    const auto header_bold = word_box(pdf, 2, "Velocity");
    const auto row = word_box(pdf, 2, "Drop");
    EXPECT_TRUE(header_bold && row);
}

TEST_F(Printout, ANarrowPageShrinksTheFontUntilTheHeaderFits) {
    state.statePOI = 0;
    const auto r = testing::results_for(state);
    const TableLines table = fill_table(state, *r);
    const auto inputs = table_print_input_lines(table_print_fields(state, *r));
    // The header's width from "Range" to "Drop" (its leading blanks are printed, not measured).
    const auto header_width = [&](double width) {
        const std::string pdf = dir.file("narrow" + std::to_string(width) + ".pdf");
        {
            QPdfWriter writer(QString::fromStdString(pdf));
            use_page(writer, {width, 11});
            EXPECT_TRUE(print_table_on(writer, table, inputs));
        }
        const auto range = word_box(pdf, 1, "Range");
        const auto drop = word_box(pdf, 1, "Drop");
        return range && drop ? drop->x_max - range->x_min : -1.0;
    };
    // 41 characters of 0.6 em at 0.15": 3.7 inches, more than a 5-inch page leaves.
    EXPECT_NEAR(header_width(8.5), 41 * 0.6 * 0.15 * 72, 1.0);
    const double narrow = header_width(5.0);
    EXPECT_LE(narrow, (5.0 - 1.5) * 72);
    EXPECT_NEAR(narrow, 41 * 0.6 * 0.14 * 72, 1.0);  // the first size that fits
    // A page narrower than both margins still prints, in the smallest size.
    const std::string tiny = dir.file("tiny.pdf");
    {
        QPdfWriter writer(QString::fromStdString(tiny));
        use_page(writer, {1.2, 11});
        EXPECT_TRUE(print_table_on(writer, table, inputs));
    }
    EXPECT_GE(pdf_pages(tiny), 1);
}

// The bounds of the dark pixels of a page rendered at 100 dots per inch.
struct DarkBounds {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};
DarkBounds dark_bounds(const std::string& pdf, const std::string& stem) {
    DarkBounds b;
    if (!run("pdftoppm -r 100 -png -singlefile " + quoted(pdf) + " " + quoted(stem))) return b;
    const QImage page(QString::fromStdString(stem + ".png"));
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 96) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

TEST_F(Printout, ThePlotIsFourInchesHighWithinThePageWidth) {
    // A canvas twice as wide as high, framed as the export frames it.
    QImage canvas(780, 390, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    const QImage framed = framed_plot_image(canvas);
    const auto print_on = [&](QSizeF page, const std::string& name) {
        const std::string pdf = dir.file(name + ".pdf");
        {
            QPdfWriter writer(QString::fromStdString(pdf));
            use_page(writer, page);
            EXPECT_TRUE(print_plot_on(writer, framed));
        }
        return dark_bounds(pdf, dir.file(name));
    };
    // 8 × 4 inches at (1, 1) on a page 11 inches wide.
    DarkBounds b = print_on({11, 8.5}, "wide");
    EXPECT_NEAR(b.left, 100, 2);
    EXPECT_NEAR(b.top, 100, 2);
    EXPECT_NEAR(b.right, 900, 2);
    EXPECT_NEAR(b.bottom, 500, 2);
    // 6.5 × 3.25 inches on a page 8.5 inches wide.
    b = print_on({8.5, 11}, "narrow");
    EXPECT_NEAR(b.left, 100, 2);
    EXPECT_NEAR(b.right, 750, 2);
    EXPECT_NEAR(b.bottom, 425, 2);
}

TEST_F(Printout, TheCommandsPrintThroughThePrinterTheDialogChose) {
    state.statePOI = 0;
    const auto r = testing::results_for(state);
    const TableLines table = fill_table(state, *r);
    const std::string pdf = dir.file("job.pdf");
    int asked = 0;
    const PrinterDialog to_pdf = [&](QPrinter& printer) {
        ++asked;
        // The dialog offers "Velora Table.pdf" for a file, from the document's name.
        EXPECT_EQ(printer.docName(), "Velora Table");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    };
    ASSERT_TRUE(print_table(table, table_print_fields(state, *r), to_pdf));
    EXPECT_EQ(asked, 1);
    const auto lines = pdf_lines(pdf);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Velora (1.2.2)");
    // The job keeps its own name, not the file name the dialog offered.
    if (const auto job = pdf_title(pdf)) {
        EXPECT_EQ(*job, "Print Job");
    }
    const auto title = word_box(pdf, 1, "Velora");
    ASSERT_TRUE(title.has_value());
    EXPECT_NEAR(title->x_min, 0.75 * 72, 1.5);  // from the paper's edge, not the printable area's

    // A cancelled dialog prints nothing.
    EXPECT_FALSE(print_table(table, table_print_fields(state, *r), [](QPrinter&) { return false; }));
    EXPECT_FALSE(print_plot(QImage(10, 10, QImage::Format_RGB32), [](QPrinter&) { return false; }));

    // The plot goes by way of "Image.png" in the temporary folder.
    const QByteArray old_tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(dir.folder()));
    EXPECT_EQ(print_image_path(), dir.file("Image.png"));
    QImage canvas(390, 528, QImage::Format_RGB32);
    ASSERT_TRUE(draw_plot(canvas, state, *r));
    const std::string plot_pdf = dir.file("plot.pdf");
    const bool printed = print_plot(canvas, [&](QPrinter& printer) {
        EXPECT_EQ(printer.docName(), "Velora Plot");
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(plot_pdf));
        printer.setPageSize(QPageSize(QPageSize::Letter));
        return true;
    });
    if (old_tmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", old_tmp);
    EXPECT_TRUE(printed);
    if (const auto job = pdf_title(plot_pdf)) {
        EXPECT_EQ(*job, "Image");
    }
    EXPECT_TRUE(std::filesystem::exists(dir.file("Image.png")));
    const DarkBounds b = dark_bounds(plot_pdf, dir.file("plot"));
    EXPECT_NEAR(b.left, 100, 2);
    EXPECT_NEAR(b.top, 100, 2);
    EXPECT_NEAR(b.bottom, 500, 2);
    EXPECT_NEAR(b.right, 100 + 400.0 * 390 / 528, 2);
}

}  // namespace
}  // namespace velora
