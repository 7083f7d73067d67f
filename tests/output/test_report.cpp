#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "output/report.h"
#include "solver/confidence.h"
#include "solver/display_texts.h"
#include "solver/fields.h"
#include "solver/recalculate.h"
#include "tests/output/output_fixture.h"

namespace velora {
namespace {

// Every character 5 points wide, bold ones 6; a line 1.25 × the font's size.
ReportMetrics fixed_metrics() {
    return {[](ReportFont f, const std::string& t) {
                const bool bold = f == ReportFont::Bold || f == ReportFont::Heading || f == ReportFont::Title ||
                                  f == ReportFont::MonoBold || f == ReportFont::Value;
                return static_cast<float>(t.size()) * (bold ? 6.0f : 5.0f);
            },
            [](ReportFont f) { return report_font_size(f) * 1.25f; }};
}

struct Computed {
    CalcState s;
    CalcResults r;
    ConfidencePage band;
};

std::unique_ptr<Computed> computed(CalcState s) {
    auto c = std::make_unique<Computed>();
    c->s = s;
    c->s.ChangeKind = 1;
    const RecalcOutcome out = recalculate(c->s, c->r, true);
    c->band = *out.confidence;
    return c;
}

std::vector<std::string> all_texts(const std::vector<ReportPage>& pages) {
    std::vector<std::string> out;
    for (const ReportPage& p : pages)
        for (const ReportText& t : p.texts) out.push_back(t.text);
    return out;
}

TEST(ReportPaper, LetterWhereTheLocalePrintsOnItA4Elsewhere) {
    EXPECT_EQ(paper_for_locale("en_US.UTF-8").width, LetterPaper.width);
    EXPECT_EQ(paper_for_locale("es_MX").height, LetterPaper.height);
    EXPECT_EQ(paper_for_locale("fr_CA.utf8@euro").width, LetterPaper.width);
    EXPECT_EQ(paper_for_locale("en_GB.UTF-8").width, A4Paper.width);
    EXPECT_EQ(paper_for_locale("de_DE").height, A4Paper.height);
    EXPECT_EQ(paper_for_locale("C").width, A4Paper.width);
    EXPECT_EQ(paper_for_locale("").width, A4Paper.width);
    EXPECT_EQ(paper_for_locale("en_USA").width, A4Paper.width) << "a territory is matched whole";
}

TEST(ReportWrap, AtBlanksKeepingBreaksAndLongWords) {
    const auto chars = [](const std::string& t) { return static_cast<float>(t.size()); };
    EXPECT_EQ(wrap_text("aaa bbb ccc", 7, chars), (std::vector<std::string>{"aaa bbb", "ccc"}));
    EXPECT_EQ(wrap_text("pellet\nbatch 7", 20, chars), (std::vector<std::string>{"pellet", "batch 7"}));
    EXPECT_EQ(wrap_text("averyveryverylongword x", 5, chars), (std::vector<std::string>{"averyveryverylongword", "x"}));
    EXPECT_EQ(wrap_text("", 5, chars), (std::vector<std::string>{""}));
}

TEST(ReportContent, TheWindowsInputsBandTableAndChart) {
    const auto c = computed(testing::first_run_state());
    ReportRequest request;
    request.date = "2026-01-12";
    const ReportContent content = report_content(c->s, c->r, c->band, request, nullptr);
    EXPECT_EQ(content.document_title(), "Velora report");
    EXPECT_EQ(content.creator, "Velora 1.2.2");
    EXPECT_EQ(content.band.bc, field_text(c->s, c->r, FieldId::BC));
    EXPECT_EQ(content.band.bc, "0.0195");
    EXPECT_EQ(content.band.law, "GA2");
    EXPECT_EQ(content.band.maximum, c->band.maximum);
    EXPECT_EQ(content.band.minimum, c->band.minimum);
    ASSERT_EQ(content.inputs.size(), 8u);
    EXPECT_EQ(content.inputs[0].label, "Muzzle velocity");
    EXPECT_EQ(content.inputs[0].value.rfind(field_text(c->s, c->r, FieldId::MV) + " ", 0), 0u);
    EXPECT_EQ(content.inputs.back().label, "Drag law");
    // The table is the window's, line for line.
    const TableLines window = fill_table(c->s, c->r);
    EXPECT_EQ(content.table.rows, window.rows);
    EXPECT_EQ(content.table.header, window.header);
    // The chart: the report's size, a smooth curve inside its frame, no marks without a fit.
    EXPECT_EQ(content.plot.axes.W, ReportPlotWidth);
    ASSERT_GT(content.plot.smooth_curve.size(), 100u);
    for (const PlotPoint& p : content.plot.smooth_curve) {
        EXPECT_GE(p.x, PlotMargin - 1.0f);
        EXPECT_LE(p.x, ReportPlotWidth - PlotMargin + 1.0f);
    }
    EXPECT_TRUE(content.plot.marks.empty());
    EXPECT_TRUE(content.plot_note.empty());
}

TEST(ReportLayout, OnePageOrTwoEverythingInsideTheMarginsEveryRowOnce) {
    for (const float step : {5.0f, 1.0f}) {
        CalcState s = testing::first_run_state();
        s.TableStep = step;
        const auto c = computed(s);
        ReportRequest request;
        request.title = "JSB Exact 8.44 — batch 7";
        request.notes = "Tin 4711\nWalther LGU, 16 J";
        const ReportContent content = report_content(c->s, c->r, c->band, request, nullptr);
        for (const ReportPaper& paper : {A4Paper, LetterPaper}) {
            const ReportMetrics m = fixed_metrics();
            const std::vector<ReportPage> pages = layout_report(content, paper, m);
            ASSERT_GE(pages.size(), 1u);
            EXPECT_LE(pages.size(), 2u) << "step " << step;
            for (const ReportPage& page : pages) {
                for (const ReportText& t : page.texts) {
                    EXPECT_GE(t.x, ReportMargin - 0.01f) << t.text;
                    EXPECT_LE(t.x + m.width(t.font, t.text), paper.width - ReportMargin + 0.01f) << t.text;
                    EXPECT_GE(t.top, ReportMargin - 0.01f) << t.text;
                    EXPECT_LE(t.top + m.line_height(t.font), paper.height - ReportMargin + 0.01f) << t.text;
                }
                if (page.plot) {
                    EXPECT_LE(page.plot->top + page.plot->height, paper.height - ReportMargin);
                }
            }
            EXPECT_TRUE(pages.front().plot.has_value()) << "the chart on the first page";
            const std::vector<std::string> texts = all_texts(pages);
            EXPECT_EQ(texts.front(), request.title);
            EXPECT_NE(std::find(texts.begin(), texts.end(), "Walther LGU, 16 J"), texts.end());
            EXPECT_NE(std::find(texts.begin(), texts.end(), "0.0195 (GA2)"), texts.end());
            std::multiset<std::string> shown(texts.begin(), texts.end());
            int rows = 0;
            for (const std::string& row : content.table.rows) {
                if (row.empty()) continue;
                ++rows;
                EXPECT_EQ(shown.count(row), 1u) << row;
            }
            EXPECT_GT(rows, step == 1.0f ? 40 : 8);
        }
    }
}

TEST(ReportLayout, ALongTableGoesOnOnTheNextPagesUnderItsHeading) {
    CalcState s = testing::first_run_state();
    s.TableStep = 0.25f;  // several hundred rows
    const auto c = computed(s);
    const ReportContent content = report_content(c->s, c->r, c->band, {}, nullptr);
    const std::vector<ReportPage> pages = layout_report(content, A4Paper, fixed_metrics());
    ASSERT_GE(pages.size(), 3u);
    int continued = 0;
    for (std::size_t i = 1; i < pages.size(); ++i)
        for (const ReportText& t : pages[i].texts) continued += t.text.find("(continued)") != std::string::npos;
    EXPECT_GE(continued, 1);
    const std::vector<std::string> texts = all_texts(pages);
    std::multiset<std::string> shown(texts.begin(), texts.end());
    for (const std::string& row : content.table.rows) {
        if (!row.empty()) {
            EXPECT_EQ(shown.count(row), 1u) << row;
        }
    }
}

TEST(ReportFitSection, TheRankingWithTheLawInUseMarkedAndTheMeasurementsOnTheChart) {
    CalcState s = testing::first_run_state();
    s.CURVE = 2;
    const std::vector<Shot> shots = {{20, ShotQuantity::Velocity, 700, {}}, {40, ShotQuantity::Velocity, 630, {}}};
    std::vector<LawFit> fits(3);
    fits[0].law = 1;
    fits[0].BC = 0.02f;
    fits[1].law = 2;
    fits[1].BC = 0.021f;
    fits[2].law = 3;
    fits[2].outcome = FitOutcome::BelowRange;
    for (LawFit& f : fits) {
        f.MV = s.MV;
        f.BC_low = f.BC * 0.9f;
        f.BC_high = f.BC * 1.1f;
        f.rms = 1.5;
    }
    const ReportFit fit = report_fit(s, fits, shots, false, nullptr);
    ASSERT_EQ(fit.sections.size(), 1u);
    const ReportSection& ranking = fit.sections[0];
    EXPECT_EQ(ranking.heading, "Fit of 2 measurements");
    ASSERT_EQ(ranking.table.rows.size(), 3u);
    EXPECT_EQ(ranking.table.marked, 1);
    EXPECT_EQ(ranking.table.columns.size(), 4u);
    ASSERT_EQ(fit.measurements.size(), 2u);

    // On the chart of the velocity they were measured as, whatever the window plots.
    auto c = computed(s);
    const ReportContent content = report_content(c->s, c->r, c->band, {}, &fit);
    EXPECT_EQ(content.plot.texts.title.rfind("Velocity", 0), 0u) << content.plot.texts.title;
    ASSERT_EQ(content.plot.marks.size(), 2u);
    EXPECT_LT(content.plot.marks[0].at.x, content.plot.marks[1].at.x);
    EXPECT_LT(content.plot.marks[0].at.y, content.plot.marks[1].at.y) << "the slower one lower on the chart";
    EXPECT_EQ(content.plot_note, "● 2 measurements of the fit");
    EXPECT_EQ(content.sections.size(), 1u);

    EXPECT_TRUE(report_fit(s, {}, shots, false, nullptr).sections.empty());
}

}  // namespace
}  // namespace velora
