// The output panel in the running window: the range table in its two lists, the plot on its
// canvas, their popup menus, the CSV and PNG exports and the two printouts, each driven the way
// the user drives them.
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "app/storage.h"
#include "app_fixture.h"
#include "output/csv_export.h"
#include "output/plot_canvas.h"
#include "output/plot_layout.h"
#include "output/popup_menus.h"
#include "output/range_table.h"
#include "output/table_view.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::menu_text;
using testing_support::read_file;

std::vector<std::string> lines_of(const QListWidget* l) {
    std::vector<std::string> lines;
    for (int i = 0; i < l->count(); ++i) lines.push_back(l->item(i)->text().toStdString());
    return lines;
}

long count_empty(const std::vector<std::string>& lines) {
    return std::count(lines.begin(), lines.end(), std::string());
}

// The standard output of a command, or nothing when it fails.
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

// Runs of blanks made one space, ends trimmed.
std::string squeezed(const std::string& text) {
    std::istringstream in(text);
    std::string word, out;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

std::vector<std::string> pdf_lines(const std::string& pdf) {
    std::vector<std::string> lines;
    const auto text = run("pdftotext -layout '" + pdf + "' -");
    if (!text) return lines;
    std::istringstream in(*text);
    std::string line;
    while (std::getline(in, line))
        if (const std::string s = squeezed(line); !s.empty()) lines.push_back(s);
    return lines;
}

bool holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), squeezed(line)) != lines.end();
}

class Outputs : public AppTest {
protected:
    void start_with(std::map<std::string, std::string> prefs = {}) {
        prefs.emplace("AutoUpdateCheck", "0");
        write_prefs(prefs);
        start();
        app().dialogs.save_file = [this](const SaveFileRequest& r) {
            requests_.push_back(r);
            return answer_path_;
        };
        app().dialogs.print_setup = [this](QPrinter& printer) {
            ++printer_dialogs_;
            if (pdf_path_.empty()) return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf_path_));
            return true;
        };
    }

    QListWidget* header_list() { return table_list(window(), TableHeader); }
    QListWidget* row_list() { return table_list(window(), TableRows); }
    TableLines shown() { return {lines_of(header_list()), lines_of(row_list())}; }
    TableLines expected() { return fill_table(state_, app().results); }
    const QImage& plot() { return window().plot->image(); }
    // The plot of the state and results as they are now, drawn afresh on a canvas of the same size.
    QImage fresh_plot() {
        PlotCanvas canvas;
        canvas.resize(window().plot->size());
        canvas.redraw(state_, app().results);
        return canvas.image();
    }
    void command(int id) { window().items.at(id)->trigger(); }

    // Chooses the item `id` in the next popup menu that opens, as a mouse click on it; remembers
    // the menu in `popup_`.
    void choose_in_next_popup(int id) {
        popup_ = nullptr;
        popup_answer_ = std::make_unique<QTimer>();
        QObject::connect(popup_answer_.get(), &QTimer::timeout, [this, id] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) return;
            popup_answer_->stop();
            popup_ = menu;
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(window().items.at(id)).center());
        });
        popup_answer_->start(0);
    }

    std::string out_path(const std::string& name) const { return out_.path().toStdString() + "/" + name; }
    std::vector<std::string> files_written() {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(out_.path().toStdString()))
            names.push_back(e.path().filename().string());
        return names;
    }

    QTemporaryDir out_;
    std::string answer_path_;  // what the save dialog answers ("" = cancelled)
    std::string pdf_path_;     // where the printer dialog points the printer ("" = cancelled)
    std::vector<SaveFileRequest> requests_;
    int printer_dialogs_ = 0;
    std::unique_ptr<QTimer> popup_answer_;
    QMenu* popup_ = nullptr;
};

TEST_F(Outputs, TheTableTabHoldsTheRangeTableOfTheStartUp) {
    start_with({{"statePAN", "0"}, {"statePOI", "0"}});
    const TableLines t = shown();
    EXPECT_EQ(t.header, expected().header);
    EXPECT_EQ(t.rows, expected().rows);
    ASSERT_EQ(t.header.size(), 2u);
    EXPECT_EQ(t.header[0], "  Range  Velocity     PoI     Time     Drop");
    EXPECT_EQ(t.header[1], " (Yard)   (Ft/s)   (Inch)    (Sec)   (Inch)");
    // Target 40 yards in steps of 5: rows 0 … 45, ten of them, in two groups of five.
    ASSERT_EQ(t.rows.size(), 1u + 10 + 2 + 1);
    EXPECT_EQ(t.rows[1].substr(0, 7), "      0");
    EXPECT_EQ(t.rows[1].substr(7, 9), "    785.0");
    EXPECT_EQ(t.rows[11].substr(0, 7), "     45");
    EXPECT_EQ(count_empty(t.rows), 4);

    for (QListWidget* l : {header_list(), row_list()}) {
        EXPECT_TRUE(l->font().bold());
        EXPECT_EQ(l->font().pointSize(), 10);
        EXPECT_EQ(l->font().family(), "Courier New");
    }
    // The plot was drawn for its canvas at start-up too.
    EXPECT_EQ(plot().size(), QSize(390, 610 - 32 - 50));
    EXPECT_EQ(plot(), fresh_plot());
}

TEST_F(Outputs, AnEditRedrawsTheTableAndThePlot) {
    start_with({{"statePAN", "1"}});
    const TableLines before = shown();
    const QImage plot_before = plot();

    type_into(FieldMV, "900");
    press(Qt::Key_Tab);
    ASSERT_FLOAT_EQ(state_.MV, 900.0f);
    EXPECT_NE(shown().rows, before.rows);
    EXPECT_EQ(shown().rows, expected().rows);
    EXPECT_EQ(shown().rows[1].substr(7, 9), "    900.0");
    EXPECT_NE(plot(), plot_before);
    EXPECT_EQ(plot(), fresh_plot());

    // Another unit for the range: the same table in metres, and the plot's axis follows.
    const QImage plot_in_yards = plot();
    choose(UnitTR, 2);
    EXPECT_EQ(shown().header[1].substr(0, 7), "    (m)");
    EXPECT_EQ(shown().rows, expected().rows);
    EXPECT_NE(plot(), plot_in_yards);
    EXPECT_EQ(plot(), fresh_plot());

    // A new drag law converts the BC and draws again.
    const QImage plot_of_law = plot();
    choose(DragLawList, 1);
    EXPECT_EQ(state_.stateBC, 1);
    EXPECT_EQ(plot(), fresh_plot());
    EXPECT_NE(plot(), plot_of_law);
}

TEST_F(Outputs, TheStepItemRefillsTheTableAndMovesTheTick) {
    start_with({{"statePAN", "0"}});
    QAction* ten = window().items.at(TableStep10);
    command(TableStep10);
    EXPECT_EQ(state_.TableStep, 10.0f);
    EXPECT_EQ(shown().rows, expected().rows);
    // 0 … 50 yards: six rows, one group of five.
    const std::vector<std::string> rows = shown().rows;
    ASSERT_EQ(rows.size(), 1u + 6 + 1 + 1);
    EXPECT_EQ(rows[2].substr(0, 7), "     10");
    EXPECT_EQ(rows[7].substr(0, 7), "     50");
    EXPECT_TRUE(ten->isChecked());
    EXPECT_FALSE(window().items.at(TableStep5)->isChecked());

    // The menu that opens is the one with the window's own actions, now titled as rebuilt.
    const QList<QAction*> top = window().table_menu->actions();
    ASSERT_EQ(top.size(), 9);
    EXPECT_EQ(menu_text(top[0]), "Table Option Menu:");
    QMenu* steps = top[2]->menu();
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(steps->actions().at(4), ten);
    EXPECT_EQ(top[6], window().items.at(PrintTable));
    EXPECT_EQ(top[7], window().items.at(SaveTableCsv));
    EXPECT_EQ(top[8], window().items.at(SaveTableSpreadsheet));

    command(TableStep1);
    EXPECT_EQ(shown().rows.size(), 1u + 42 + 8 + 1);  // 0 … 41 yards, a gap after every five
    EXPECT_TRUE(window().items.at(TableStep1)->isChecked());
    EXPECT_FALSE(ten->isChecked());
}

TEST_F(Outputs, TheGapsItemTogglesTheGaps) {
    start_with({{"statePAN", "0"}});
    EXPECT_EQ(count_empty(shown().rows), 4);
    command(TableGaps);
    EXPECT_EQ(state_.Gaps, 0);
    EXPECT_EQ(count_empty(shown().rows), 2) << "only the first and the last line";
    EXPECT_EQ(shown().rows, expected().rows);
    EXPECT_EQ(menu_text(window().items.at(TableGaps)), "Show Table Gaps");
    command(TableGaps);
    EXPECT_EQ(count_empty(shown().rows), 4);
    EXPECT_EQ(menu_text(window().items.at(TableGaps)), "Hide Table Gaps");
}

TEST_F(Outputs, TheTargetMarkerItemTakesTheCrosshairOffThePlot) {
    start_with({{"statePAN", "1"}});
    const QImage with_marker = plot();
    const PlotLayout layout =
        layout_plot(state_, app().results, float(with_marker.width()), float(with_marker.height()));
    ASSERT_TRUE(layout.target.has_value());
    const TargetMark mark = *layout.target;

    command(PlotTargetMarker);
    EXPECT_EQ(state_.ShowTarget, 0);
    EXPECT_EQ(menu_text(window().items.at(PlotTargetMarker)), "Show Target Marker");
    const QImage without = plot();
    ASSERT_EQ(without.size(), with_marker.size());
    int changed = 0;
    for (int y = 0; y < without.height(); ++y)
        for (int x = 0; x < without.width(); ++x) {
            if (without.pixel(x, y) == with_marker.pixel(x, y)) continue;
            ++changed;
            // Only the crosshair and its three ticks go.
            const bool crosshair = std::abs(x - mark.centre.x) <= 11 && std::abs(y - mark.centre.y) <= 11;
            const bool ticks = std::abs(x - mark.tx) <= 2 || std::abs(y - mark.ty) <= 2;
            EXPECT_TRUE(crosshair || ticks) << "pixel " << x << ", " << y;
        }
    EXPECT_GT(changed, 40);

    command(PlotTargetMarker);
    EXPECT_EQ(plot(), with_marker);
    EXPECT_EQ(menu_text(window().items.at(PlotTargetMarker)), "Hide Target Marker");
}

TEST_F(Outputs, TheMenusAreRebuiltWithEveryDrawing) {
    // Without the panel nothing is drawn, and the menus stay as the window was built.
    start_with({{"mode", "0"}, {"ShowTarget", "0"}, {"Gaps", "0"}});
    QAction* marker = window().items.at(PlotTargetMarker);
    EXPECT_EQ(menu_text(window().plot_menu->actions().at(0)), "Plot Popup Menu:");
    EXPECT_EQ(menu_text(window().table_menu->actions().at(0)), "Table Popup Menu:");
    EXPECT_EQ(menu_text(marker), "Show Target Marker");

    command(MenuPlotPanel);
    const QList<QAction*> plot_items = window().plot_menu->actions();
    ASSERT_EQ(plot_items.size(), 7);
    EXPECT_EQ(menu_text(plot_items[0]), "Plot Option Menu:");
    EXPECT_EQ(plot_items[2], marker);
    EXPECT_EQ(plot_items[4], window().items.at(PrintImage));
    EXPECT_EQ(plot_items[5], window().items.at(SaveImage));
    EXPECT_EQ(plot_items[6], window().items.at(SaveImagePrintSize));
    EXPECT_EQ(menu_text(window().table_menu->actions().at(0)), "Table Option Menu:");
    EXPECT_EQ(menu_text(window().items.at(TableGaps)), "Show Table Gaps");

    command(PlotTargetMarker);
    EXPECT_EQ(state_.ShowTarget, 1);
    EXPECT_EQ(menu_text(marker), "Hide Target Marker");
    EXPECT_EQ(window().plot_menu->actions().at(2), marker);
}

TEST_F(Outputs, SaveTableAsCsvWritesTheShownTable) {
    start_with({{"statePAN", "0"}});
    answer_path_ = out_path("range.TXT");
    command(SaveTableCsv);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, "Save Table as CSV");
    EXPECT_EQ(requests_[0].default_name, "Velora_Table.csv");
    EXPECT_EQ(requests_[0].folder, desktop_folder());

    const std::string path = out_path("range.csv");
    const std::string csv = read_file(path);
    EXPECT_EQ(csv, table_csv_text(shown()));
    EXPECT_EQ(csv.substr(0, 29), "Range,Velocity,PoI,Time,Drop\r");
    EXPECT_EQ(csv.find('\n'), std::string::npos);
    // The drop at the muzzle lies a hair below zero: it reads 0.00 in the table and the file.
    ASSERT_GE(row_list()->count(), 2);
    const std::string muzzle_row = row_list()->item(1)->text().toStdString();
    EXPECT_EQ(muzzle_row.substr(muzzle_row.size() - 9), "     0.00");
    EXPECT_NE(csv.find("\r0,785.0,-42,0.0000,0.00\r"), std::string::npos);
    EXPECT_EQ(csv.find("-0.00"), std::string::npos);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "CSV File:");
    EXPECT_EQ(messages_[0].text, "Saved as:\r" + path);
    EXPECT_EQ(state_.LastFolder, out_.path().toStdString() + "/");

    // The plot export proposes the same folder.
    answer_path_.clear();
    command(SaveImage);
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[1].folder, state_.LastFolder);
}

TEST_F(Outputs, SaveImageWritesThePlotAsPng) {
    start_with({{"statePAN", "1"}});
    answer_path_ = out_path("shot");
    command(SaveImage);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, "Save Plot as PNG");
    EXPECT_EQ(requests_[0].default_name, "POI_Plot.png");

    const std::string path = out_path("shot.png");
    EXPECT_EQ(read_file(path).substr(1, 3), "PNG");
    const QImage saved(QString::fromStdString(path));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), window().plot->size());
    EXPECT_FALSE(saved.hasAlphaChannel());
    for (QPoint corner : {QPoint(0, 0), QPoint(saved.width() - 1, saved.height() - 1), QPoint(saved.width() / 2, 0)})
        EXPECT_EQ(saved.pixel(corner), qRgb(0, 0, 0));
    const QImage canvas = plot().convertToFormat(QImage::Format_RGB32);
    const QImage inner = saved.convertToFormat(QImage::Format_RGB32).copy(1, 1, saved.width() - 2, saved.height() - 2);
    EXPECT_EQ(inner, canvas.copy(1, 1, canvas.width() - 2, canvas.height() - 2));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Image:");
    EXPECT_EQ(messages_[0].text, "Saved as:\r" + path);

    // With two chronographs the name says what is plotted.
    click(MethodButtonV);
    command(SaveImage);
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[1].default_name, "VELOCITY_Plot.png");
    EXPECT_EQ(requests_[1].folder, out_.path().toStdString() + "/");
}

TEST_F(Outputs, SaveImageAtPrintSizeDrawsTheCanvasChartThreeTimesAsLarge) {
    start_with({{"statePAN", "1"}});
    answer_path_ = out_path("big");
    command(SaveImagePrintSize);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, "Save Image at Print Size");
    EXPECT_EQ(requests_[0].default_name, "POI_Plot.png");
    const std::string path = out_path("big.png");
    const QImage saved(QString::fromStdString(path));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), 3 * window().plot->size());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Saved as:\r" + path);

    // As an SVG drawing; a folder that is not there is named with the reason.
    answer_path_ = out_path("big.svg");
    command(SaveImagePrintSize);
    EXPECT_NE(read_file(out_path("big.svg")).find("<svg"), std::string::npos);
    answer_path_ = out_path("none/big.png");
    command(SaveImagePrintSize);
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[2].title, "Image:");
    EXPECT_EQ(messages_[2].text,
              "Could not save the image as:\r" + out_path("none/big.png") + "\rNo such file or directory");
}

TEST_F(Outputs, SaveTableAsSpreadsheetCsvWritesTheShownRowsWithLineFeeds) {
    start_with({{"statePAN", "0"}});
    answer_path_ = out_path("sheet");
    command(SaveTableSpreadsheet);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, "Save Table as Spreadsheet CSV");
    const std::string csv = read_file(out_path("sheet.csv"));
    EXPECT_EQ(csv.find('\r'), std::string::npos);
    EXPECT_NE(csv.find("\nRange (Yard),Velocity (Ft/s),"), std::string::npos);
    // Every shown row is a line of the file.
    int rows = 0;
    for (const std::string& line : shown().rows) {
        if (line.empty()) continue;
        ++rows;
        EXPECT_NE(csv.find("\n" + csv_line(line) + "\n"), std::string::npos) << line;
    }
    EXPECT_GT(rows, 5);
    // The specified export is as it was.
    answer_path_ = out_path("plain");
    command(SaveTableCsv);
    EXPECT_EQ(read_file(out_path("plain.csv")), table_csv_text(shown()));
}

TEST_F(Outputs, SaveReportWritesTheRangeReportAsPdf) {
    start_with({{"statePAN", "0"}});
    QAction* item = window().items.at(MenuSaveReport);
    EXPECT_EQ(menu_text(item), "Save Report…");
    EXPECT_EQ(mnemonic_of(item->text().toStdString()), 'r');
    EXPECT_EQ(mnemonic_of(window().items.at(MenuPreferences)->text().toStdString()), 'e');

    report_details_ = {"Range day", "JSB 8.44"};
    answer_path_ = out_path("day.txt");
    command(MenuSaveReport);
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, "Save Report");
    EXPECT_EQ(requests_[0].default_name, "Velora Report.pdf");
    const std::string path = out_path("day.pdf");
    EXPECT_EQ(read_file(path).substr(0, 5), "%PDF-");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Report:");
    EXPECT_EQ(messages_[0].text, "Saved as:\r" + path);
    EXPECT_EQ(state_.LastFolder, out_.path().toStdString() + "/");

    answer_path_ = out_path("none/day.pdf");
    command(MenuSaveReport);
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text,
              "Could not save the report as:\r" + out_path("none/day.pdf") + "\rNo such file or directory");
}

TEST_F(Outputs, PrintTablePrintsTheInputsAndTheRows) {
    if (!run("pdftotext -v")) GTEST_SKIP() << "pdftotext reads the printout back";
    start_with({{"statePAN", "0"}, {"statePOI", "0"}});
    pdf_path_ = out_path("table.pdf");
    command(PrintTable);
    EXPECT_EQ(printer_dialogs_, 1);
    const std::vector<std::string> lines = pdf_lines(pdf_path_);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "Velora (1.2.2)");
    EXPECT_TRUE(holds(lines, "Muzzle Velocity = 785.0 Ft/s"));
    EXPECT_TRUE(holds(lines, "Ballistic Coefficient = 0.0195 (GA2)"));
    EXPECT_TRUE(holds(lines, "Relative Humidity = 32.0 %"));
    EXPECT_TRUE(holds(lines, shown().header[0]));
    EXPECT_TRUE(holds(lines, shown().header[1]));
    for (const std::string& row : shown().rows) {
        if (row.empty()) continue;
        EXPECT_TRUE(holds(lines, row)) << row;
    }
    // The window is brought up to date afterwards and shows the same table.
    EXPECT_EQ(shown().rows, expected().rows);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(Outputs, PrintImagePrintsTheCanvas) {
    if (!run("pdftoppm -v")) GTEST_SKIP() << "pdftoppm reads the printout back";
    start_with({{"statePAN", "1"}});
    pdf_path_ = out_path("plot.pdf");
    command(PrintImage);
    EXPECT_EQ(printer_dialogs_, 1);
    EXPECT_EQ(read_file(pdf_path_).substr(0, 5), "%PDF-");

    // The image printed from: the framed canvas, in the window's own temporary folder.
    const QImage printed_from(QString::fromStdString(temporary_image_path(app().temporary_folder)));
    EXPECT_EQ(printed_from.size(), plot().size());

    // The page shows the plot 4 inches high from 1 inch in: its red curve lies inside that box.
    constexpr int dpi = 100;
    ASSERT_TRUE(
        run("pdftoppm -r " + std::to_string(dpi) + " -png -singlefile '" + pdf_path_ + "' '" + out_path("page") + "'"));
    const QImage page(QString::fromStdString(out_path("page.png")));
    ASSERT_FALSE(page.isNull());
    int red = 0, red_outside = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() - c.green() > 80 && c.red() - c.blue() > 80) {
                ++red;
                if (x < dpi - 1 || y < dpi - 1 || y > 5 * dpi + 1) ++red_outside;
            }
        }
    EXPECT_GT(red, 5);
    EXPECT_EQ(red_outside, 0);
}

TEST_F(Outputs, CancelledDialogsWriteNothing) {
    start_with({{"statePAN", "1"}});
    const std::string folder = state_.LastFolder;
    for (int id : {SaveTableCsv, SaveImage, PrintTable, PrintImage}) command(id);
    EXPECT_EQ(requests_.size(), 2u);
    EXPECT_EQ(printer_dialogs_, 2);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(files_written().empty());
    EXPECT_EQ(state_.LastFolder, folder);
    EXPECT_FALSE(file_exists(temporary_image_path(app().temporary_folder)));
}

TEST_F(Outputs, RightClicksOpenTheMenusWhoseItemsWork) {
    start_with({{"statePAN", "1"}});
    // The plot menu, answered by choosing its marker item the way a user does.
    choose_in_next_popup(PlotTargetMarker);
    QTest::mouseClick(window().plot, Qt::RightButton, {}, QPoint(100, 100));
    QTRY_VERIFY(popup_ != nullptr);
    EXPECT_EQ(popup_, window().plot_menu);
    QTRY_COMPARE(state_.ShowTarget, 0);
    EXPECT_FALSE(window().plot_menu->isVisible());

    // The table menu from either list; the gaps item, chosen, toggles the gaps.
    panel(window())->setCurrentIndex(TabTable);
    for (int id : {TableRows, TableHeader}) {
        const int gaps = state_.Gaps;
        choose_in_next_popup(TableGaps);
        auto* l = qobject_cast<QAbstractScrollArea*>(control(window(), id));
        QTest::mouseClick(l->viewport(), Qt::RightButton, {}, QPoint(40, 10));
        QTRY_VERIFY(popup_ != nullptr);
        EXPECT_EQ(popup_, window().table_menu) << "list " << id;
        QTRY_COMPARE(state_.Gaps, 1 - gaps);
        EXPECT_EQ(shown().rows, expected().rows);
    }
}

TEST_F(Outputs, AClickLeavesNoLineSelected) {
    start_with({{"statePAN", "0"}});
    QListWidget* rows = row_list();
    const QRect line = rows->visualItemRect(rows->item(2));
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, line.center());
    EXPECT_TRUE(rows->selectedItems().isEmpty());
}

TEST_F(Outputs, WithThePanelHiddenTheOutputsStayAsTheyWere) {
    start_with({{"statePAN", "0"}});
    const TableLines before = shown();
    const QImage plot_before = plot();
    click(PanelButton);
    ASSERT_EQ(state_.mode, 0);

    type_into(FieldMV, "900");
    press(Qt::Key_Tab);
    command(TableStep25);
    ASSERT_FLOAT_EQ(state_.MV, 900.0f);
    EXPECT_EQ(shown().header, before.header);
    EXPECT_EQ(shown().rows, before.rows);
    EXPECT_EQ(plot(), plot_before);

    click(PanelButton);
    ASSERT_EQ(state_.mode, 1);
    EXPECT_EQ(shown().rows, expected().rows);
    EXPECT_EQ(shown().rows[2].substr(0, 7), "     25");
    EXPECT_EQ(plot(), fresh_plot());
}

TEST_F(Outputs, StartedWithoutThePanelNothingIsDrawnUntilItOpens) {
    start_with({{"mode", "0"}});
    EXPECT_EQ(header_list()->count(), 0);
    EXPECT_EQ(row_list()->count(), 0);
    EXPECT_TRUE(plot().isNull());
    command(MenuPlotPanel);
    EXPECT_EQ(shown().rows, expected().rows);
    EXPECT_EQ(plot(), fresh_plot());
}

}  // namespace
}  // namespace velora
