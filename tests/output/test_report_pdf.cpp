#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <QFontMetricsF>
#include <QPdfWriter>

#include "output/report_pdf.h"
#include "solver/recalculate.h"
#include "tests/output/output_fixture.h"
#include "tests/output/scripted_dialogs.h"
#include "tests/output/temp_folder.h"

namespace velora {
namespace {

// The standard output of a command, or nothing when it failed.
std::optional<std::string> run(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    return ::pclose(pipe) == 0 ? std::optional(out) : std::nullopt;
}

// Runs of blanks as one.
std::string collapsed(const std::string& text) {
    std::string out;
    for (const char c : text)
        if (c != ' ' || out.empty() || out.back() != ' ') out += c;
    return out;
}

class ReportPdf : public ::testing::Test {
protected:
    void SetUp() override {
        if (!run("command -v pdftotext >/dev/null && command -v pdfinfo >/dev/null"))
            GTEST_SKIP() << "pdftotext and pdfinfo read the report back";
        state.ChangeKind = 1;
        band = *recalculate(state, results, true).confidence;
    }
    testing::TempFolder dir;
    testing::ScriptedDialogs dialogs;
    CalcState state = testing::first_run_state();
    CalcResults results;
    ConfidencePage band;
};

TEST_F(ReportPdf, ItsTextReadsBackWithTheBandTheLawAndTheTablesRows) {
    ReportRequest request;
    request.title = "JSB Exact 8.44, tin 4711";
    request.notes = "Walther LGU";
    request.date = "2026-01-12";
    const ReportContent content = report_content(state, results, band, request, nullptr);
    const std::string path = dir.file("report.pdf");
    const WriteOutcome written = write_report_pdf(path, content, A4Paper);
    ASSERT_TRUE(written.ok) << written.reason;

    const auto info = run("pdfinfo '" + path + "'");
    ASSERT_TRUE(info);
    EXPECT_NE(info->find("Title:           JSB Exact 8.44, tin 4711\n"), std::string::npos) << *info;
    EXPECT_NE(info->find("Creator:         Velora 1.2.2\n"), std::string::npos) << *info;
    EXPECT_NE(info->find("CreationDate:"), std::string::npos);
    EXPECT_NE(info->find("Pages:           1\n"), std::string::npos) << *info;
    EXPECT_NE(info->find("595 x 842 pts (A4)"), std::string::npos) << *info;

    // Read back at the pitch of the table's fixed-width font, the rows keep their spacing.
    const double pitch = report_table_pitch();
    ASSERT_GT(pitch, 3.0);
    const auto text = run("pdftotext -layout -fixed " + std::to_string(pitch) + " '" + path + "' -");
    const auto laid_out = run("pdftotext -layout '" + path + "' -");
    ASSERT_TRUE(laid_out);
    const std::string prose = collapsed(*laid_out);
    ASSERT_TRUE(text);
    for (const std::string& expected :
         {std::string("JSB Exact 8.44, tin 4711"), std::string("Walther LGU"), std::string("0.0195 (GA2)"),
          "Maximum BC: " + band.maximum, "Mean BC: " + band.mean, "Minimum BC: " + band.minimum,
          std::string("Drag law")})
        EXPECT_NE(prose.find(expected), std::string::npos) << expected << "\n" << prose;
    // Each row of the table, its spacing included, as the window shows it.
    for (const std::string& row : content.table.rows) {
        if (!row.empty()) {
            EXPECT_NE(text->find(row), std::string::npos) << row << "\n" << *text;
        }
    }
    // The chart's texts are text too.
    EXPECT_NE(prose.find(content.plot.texts.title), std::string::npos);
}

TEST_F(ReportPdf, LetterPaperAndTheDefaultTitle) {
    const ReportContent content = report_content(state, results, band, {}, nullptr);
    const std::string path = dir.file("letter.pdf");
    ASSERT_TRUE(write_report_pdf(path, content, LetterPaper).ok);
    const auto info = run("pdfinfo '" + path + "'");
    ASSERT_TRUE(info);
    EXPECT_NE(info->find("Title:           Velora report\n"), std::string::npos) << *info;
    EXPECT_NE(info->find("612 x 792 pts (letter)"), std::string::npos) << *info;
    if (run("command -v pdftoppm >/dev/null")) {
        ASSERT_TRUE(run("pdftoppm -r 30 -png '" + path + "' '" + dir.file("page") + "'"));
        EXPECT_TRUE(std::filesystem::exists(dir.file("page-1.png")));
    }
}

TEST_F(ReportPdf, TheSaveCommandAsksThenWritesOrSaysWhyNot) {
    state.LastFolder = dir.folder();
    dialogs.answer = dir.file("range day.txt");
    Dialogs ui = dialogs.hooks();
    int asked = 0;
    ui.report_details = [&asked](ReportDetails& d) {
        ++asked;
        d.title = "Batch 7";
        return true;
    };
    ASSERT_TRUE(save_report(state, results, nullptr, ui, A4Paper));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialogs.request.title, "Save Report");
    EXPECT_EQ(dialogs.request.default_name, "Velora Report.pdf");
    EXPECT_EQ(dialogs.request.folder, dir.folder());
    const std::string path = dir.file("range day.pdf");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].title, "Report:");
    EXPECT_EQ(dialogs.messages[0].text, "Saved as:\r" + path);
    const auto info = run("pdfinfo '" + path + "'");
    ASSERT_TRUE(info);
    EXPECT_NE(info->find("Title:           Batch 7\n"), std::string::npos);

    // A folder that is not there: the path and the reason.
    dialogs.answer = dir.file("gone/r.pdf");
    EXPECT_FALSE(save_report(state, results, nullptr, ui, A4Paper));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[1].text,
              "Could not save the report as:\r" + dir.file("gone/r.pdf") + "\rNo such file or directory");

    // The details cancelled: no file dialog, nothing written.
    ui.report_details = [](ReportDetails&) { return false; };
    const int dialogs_before = dialogs.dialogs;
    EXPECT_FALSE(save_report(state, results, nullptr, ui, A4Paper));
    EXPECT_EQ(dialogs.dialogs, dialogs_before);
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"range day.pdf"});
}

}  // namespace
}  // namespace velora
