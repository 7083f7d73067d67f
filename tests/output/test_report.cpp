#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/drag_laws.h"
#include "engine/number_text.h"
#include "engine/projectile.h"
#include "output/report.h"
#include "services/readers/string_texts.h"
#include "solver/confidence.h"
#include "solver/display_texts.h"
#include "solver/fields.h"
#include "solver/recalculate.h"
#include "solver/string_fit_texts.h"
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

// A string of seven shots with their own muzzle velocities, each measured at four ranges as the
// state's law flies it with a BC of 0.0195 (give or take a foot per second): shot 0004 flew with
// a BC of 0.026, and shot 0007 the user set aside.
ShotString synthetic_string(const CalcState& s) {
    ShotString string;
    string.format = "string-csv";
    string.name = "range-day.csv";
    const ShotFitInputs in = shot_fit_inputs(s);
    const std::vector<float> ranges = {10, 20, 30, 40};
    const float mvs[] = {770, 790, 781, 776, 800, 784, 795};
    for (int k = 0; k < 7; ++k) {
        StringShot shot;
        shot.id = "000" + std::to_string(k + 1);
        shot.MV = mvs[k];
        shot.mv_kind = MvKind::Measured;
        const std::vector<float> v =
            flown_values(mvs[k], k == 3 ? 0.026f : 0.0195f, s.CURVE, ShotQuantity::Velocity, ranges, in);
        for (std::size_t j = 0; j < ranges.size(); ++j) {
            Measurement m;
            m.range = ranges[j];
            m.value = v[j] + ((k + static_cast<int>(j)) % 2 == 0 ? 1.0f : -1.0f);
            shot.measurements.push_back(m);
        }
        if (k == 6) shot.marks.set_used(false);
        string.shots.push_back(shot);
    }
    return string;
}

TEST(ReportStringFit, TheVerdictRankingSpreadAndTheShotsSetAsideAsTheFitGaveThem) {
    const CalcState s = testing::first_run_state();
    const ShotString string = synthetic_string(s);
    const std::vector<FitShot> shots = string_fit_shots(string, true);
    ASSERT_EQ(shots.size(), 6u);
    StringFitOptions options;
    options.groups = {string_source_text(string)};
    const StringFit f = fit_string(shots, shot_fit_inputs(s), options);
    ASSERT_FALSE(f.laws.empty());
    ASSERT_EQ(f.outliers.size(), 1u) << "shot 0004 stands apart";
    const ShotUnits u = shot_units(s);

    const ReportFit fit = report_string_fit(s, f, shots, options.groups, &string);
    ASSERT_EQ(fit.sections.size(), 2u);
    const ReportSection& ranking = fit.sections[0];
    EXPECT_EQ(ranking.heading, "Fit of 6 shots, each from its own muzzle velocity");
    ASSERT_FALSE(ranking.rows.empty());
    EXPECT_EQ(ranking.rows[0].label, "Verdict");
    EXPECT_EQ(ranking.rows[0].value, verdict_text(f, u));
    EXPECT_EQ(ranking.table.columns.size(), 5u);
    ASSERT_EQ(ranking.table.rows.size(), f.laws.size());
    for (std::size_t i = 0; i < f.laws.size(); ++i) {
        EXPECT_EQ(ranking.table.rows[i][0], drag_law_name(f.laws[i].series.law));
        EXPECT_EQ(ranking.table.rows[i][1], format_fixed(f.laws[i].series.BC, 4));
        EXPECT_EQ(ranking.table.rows[i][4], format_fixed(f.laws[i].series.chi_square, 1));
    }
    ASSERT_GE(ranking.table.marked, 0);
    EXPECT_EQ(ranking.table.rows[static_cast<std::size_t>(ranking.table.marked)][0], drag_law_name(s.CURVE));

    const ReportSection& summary = fit.sections[1];
    const auto row = [&summary](const std::string& label) {
        for (const ReportRow& r : summary.rows)
            if (r.label == label) return r.value;
        return std::string("(none)");
    };
    EXPECT_EQ(row("Shots"), "5 in use, 2 set aside");
    // The muzzle velocities of the five shots in use, without the outlier's and the user's.
    EXPECT_EQ(row("Muzzle velocity").rfind("mean 785.0, SD ", 0), 0u) << row("Muzzle velocity");
    EXPECT_NE(row("Muzzle velocity").find("extreme spread 30.0 Ft/s over 5 shots"), std::string::npos);
    const std::string best = drag_law_name(f.laws.front().series.law);
    EXPECT_EQ(row("BC spread (" + best + ")"), spread_text(f.laws.front().spread));
    EXPECT_EQ(row("BC trend (" + best + ")"), trend_text(f.laws.front().trend, u));
    ASSERT_EQ(summary.lines.size(), 2u);
    EXPECT_EQ(summary.lines[0].rfind("Set aside: Shot 0004: outlier: its ", 0), 0u) << summary.lines[0];
    EXPECT_EQ(summary.lines[1].rfind("Set aside: Shot 0007: ", 0), 0u) << summary.lines[1];
    EXPECT_EQ(fit.shot_mvs, (std::vector<float>{770, 790, 781, 800, 784}));

    // The window's string carries the fit's marks already: they are not doubled.
    const ShotString marked = string_with_fit_marks(string, f, shots);
    EXPECT_EQ(string_with_fit_marks(marked, f, shots).shots[3].marks.marks.size(), 1u);
    const ReportFit again = report_string_fit(s, f, shots, options.groups, &marked);
    EXPECT_EQ(again.sections[1].lines, summary.lines);

    // Every measurement of the fit on the chart: the outlier's hollow.
    auto c = computed(s);
    const ReportContent content = report_content(c->s, c->r, c->band, {}, &fit);
    EXPECT_EQ(content.plot.texts.title.rfind("Velocity", 0), 0u) << content.plot.texts.title;
    ASSERT_EQ(content.plot.marks.size(), 24u);
    EXPECT_EQ(
        std::count_if(content.plot.marks.begin(), content.plot.marks.end(), [](const PlotMark& m) { return !m.used; }),
        4);
    EXPECT_EQ(content.plot_note, "● 20 measurements of the fit, ○ 4 set aside");

    // With the projectile's sectional density, each law's form factor.
    const double sd = sectional_density(8.44, 0.177);
    const ReportFit with_sd = report_string_fit(s, f, shots, options.groups, &string, sd);
    ASSERT_EQ(with_sd.sections[0].table.columns.size(), 6u);
    EXPECT_EQ(with_sd.sections[0].table.rows[0][5], format_fixed(form_factor(sd, f.laws.front().series.BC), 3));
}

TEST(ReportStringFit, MessagesInPlaceOfARankingWhenNothingCouldBeFitted) {
    CalcState s = testing::first_run_state();
    ShotString string = synthetic_string(s);
    // Faster downrange than at the muzzle: no BC explains it.
    for (StringShot& shot : string.shots) shot.MV = 300.0f;
    const std::vector<FitShot> shots = string_fit_shots(string, true);
    const StringFit f = fit_string(shots, shot_fit_inputs(s));
    const ReportFit fit = report_string_fit(s, f, shots, {"range-day"}, &string);
    ASSERT_FALSE(fit.sections.empty());
    const ReportSection& ranking = fit.sections[0];
    EXPECT_EQ(ranking.rows[0].value, verdict_text(f, shot_units(s)));
    ASSERT_FALSE(f.messages.empty());
    EXPECT_NE(
        std::find(ranking.lines.begin(), ranking.lines.end(), fit_message_text(f.messages[0], shots, shot_units(s))),
        ranking.lines.end());
}

TEST(ReportProjectile, EnergyWithAWeightFormFactorWithACalibreNothingWithoutEither) {
    auto c = computed(testing::first_run_state());
    EXPECT_FALSE(report_projectile_section(c->s, c->r, {}, {}).has_value());

    Projectile p;
    p.weight_gr = 8.44;
    p.source = "typed";
    const std::optional<ReportSection> weight = report_projectile_section(c->s, c->r, p, {700.0f});
    ASSERT_TRUE(weight.has_value());
    std::vector<std::string> labels;
    for (const ReportRow& r : weight->rows) labels.push_back(r.label);
    EXPECT_EQ(labels, (std::vector<std::string>{"Projectile", "Energy at the muzzle", "Energy at 40.0 Yard"}));
    EXPECT_EQ(weight->rows[0].value, "8.44 gr (0.547 g)");
    EXPECT_EQ(weight->rows[1].value.rfind(energy_text(kinetic_energy_j(8.44, c->s.MV)) + " at ", 0), 0u)
        << weight->rows[1].value;
    // Less energy at the target than at the muzzle.
    EXPECT_NE(weight->rows[2].value, energy_text(kinetic_energy_j(8.44, c->s.MV)));

    p.calibre_in = 0.177;
    p.source = "as set on the device";
    const std::optional<ReportSection> both = report_projectile_section(c->s, c->r, p, {700.0f, 720.0f, 710.0f});
    ASSERT_TRUE(both.has_value());
    ASSERT_EQ(both->rows.size(), 6u);
    EXPECT_NE(both->rows[0].value.find("(as set on the device)"), std::string::npos);
    EXPECT_EQ(both->rows[1].label, "Sectional density");
    EXPECT_EQ(both->rows[2].value, format_fixed(form_factor(sectional_density(8.44, 0.177), c->s.BC), 3) + " against " +
                                       drag_law_name(c->s.CURVE) + " at the BC " + format_fixed(c->s.BC, 4));
    EXPECT_EQ(both->rows[5].value, energy_text(kinetic_energy_j(8.44, 700.0)) + " to " +
                                       energy_text(kinetic_energy_j(8.44, 720.0)) + " over 3 shots");

    // A limit: the muzzle energy and each shot's against it, in the unit it was chosen in.
    const EnergyLimit limit{kinetic_energy_j(8.44, 710.0), "x ft·lbf"};
    const std::optional<ReportSection> limited =
        report_projectile_section(c->s, c->r, p, {700.0f, 720.0f, 710.0f, 730.0f}, limit);
    ASSERT_TRUE(limited.has_value());
    EXPECT_EQ(limited->rows.back().label, "Energy limit x ft·lbf");
    EXPECT_EQ(limited->rows.back().value, "the muzzle energy is ABOVE it; 2 shots are above it");

    // In the report after the fit's sections.
    ReportRequest request;
    request.projectile = p;
    const ReportContent content = report_content(c->s, c->r, c->band, request, nullptr);
    ASSERT_EQ(content.sections.size(), 1u);
    EXPECT_EQ(content.sections[0].heading, "Projectile");
}

}  // namespace
}  // namespace velora
