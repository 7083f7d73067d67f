#include "output/report.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engine/atmosphere.h"
#include "engine/drag_laws.h"
#include "engine/number_text.h"
#include "engine/sampling.h"
#include "engine/units.h"
#include "services/readers/string_texts.h"
#include "solver/display_texts.h"
#include "solver/fields.h"
#include "solver/fit_texts.h"
#include "solver/string_fit_texts.h"
#include "velora_version.h"

namespace velora {

namespace {

// A field's text as the window shows it, followed by the unit its list shows.
std::string with_unit(const CalcState& s, const CalcResults& r, FieldId id) {
    const Input& in = input(id);
    std::string text = field_text(s, r, id);
    if (in.unit != nullptr) text += std::string(" ") + unit_caption(quantity_of(in.kind), s.*in.unit);
    return text;
}

// The measuring set-up's own field: what it measured at the target.
FieldId measured_field(int method) {
    switch (method) {
        case DeltaT: return FieldId::ET;
        case DeltaV: return FieldId::TV;
        case DeltaD: return FieldId::DROP;
        default: return FieldId::POI;
    }
}

// A number without the zeros a fixed form leaves at its end ("5", "0.5", "2.25").
std::string short_number(float value) {
    std::string text = format_fixed(value, 2);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text;
}

int measured_method(ShotQuantity q) { return method_of(q); }

}  // namespace

std::string report_creator() { return "Velora " VELORA_VERSION; }

std::string report_date_text(std::time_t t) {
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr) return {};
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d", &local) > 0 ? std::string(text) : std::string();
}

std::string today_text() { return report_date_text(std::time(nullptr)); }

std::vector<ReportRow> report_input_rows(const CalcState& s, const CalcResults& r) {
    const int method = s.stateRB >= DeltaPOI && s.stateRB <= DeltaD ? s.stateRB : DeltaPOI;
    const ZeroDisplay zero = zero_display(s, r);
    std::string density = density_readout_text(s.TMP, s.PRES, s.HUMID, s.DensityUnit);
    // The readout's own caption ("Air Density: ") stands in the row's label.
    if (const std::size_t colon = density.find(": "); colon != std::string::npos) density.erase(0, colon + 2);

    const Input& measured = input(measured_field(method));
    std::string measurement = std::string(measured.caption) + " " + with_unit(s, r, measured.field);
    if (method == DeltaV) measurement += " ± " + tolerance_text(s.TV_TOL);
    measurement += " at " + with_unit(s, r, FieldId::TR);

    return {
        {"Muzzle velocity", with_unit(s, r, FieldId::MV) + " ± " + tolerance_text(s.MV_TOL)},
        {zero.caption, zero.text + " " + unit_caption(Quantity::Range, s.stateZR)},
        {"Sight height", with_unit(s, r, FieldId::SH)},
        {"Air", with_unit(s, r, FieldId::TMP) + ", " + with_unit(s, r, FieldId::PRES) + ", " +
                    field_text(s, r, FieldId::HUMID) + " % humidity"},
        {"Air density", density},
        {"Set-up", method_heading(method)},
        {"Measured", measurement},
        {"Drag law", drag_law_description(s.CURVE)},
    };
}

ReportBand report_band(const CalcState& s, const ConfidencePage& page) {
    ReportBand b;
    b.bc = page.bc;
    b.law = drag_law_name(s.CURVE);
    b.method = page.heading;
    b.drag_law_heading = page.drag_law_heading;
    b.maximum = page.maximum;
    b.mean = page.mean;
    b.minimum = page.minimum;
    b.tolerances = "Muzzle chronograph ± " + tolerance_text(s.MV_TOL);
    if (s.stateRB == DeltaV) b.tolerances += ", target chronograph ± " + tolerance_text(s.TV_TOL);
    return b;
}

int report_plot_method(const CalcState& s, const ReportRequest& request, const ReportFit* fit) {
    if (request.plot_method && *request.plot_method >= DeltaPOI && *request.plot_method <= DeltaD)
        return *request.plot_method;
    const int window = s.stateRB >= DeltaPOI && s.stateRB <= DeltaD ? s.stateRB : DeltaPOI;
    if (fit == nullptr || fit->measurements.empty()) return window;
    int counts[ShotQuantityCount] = {};
    for (const ReportMeasurement& m : fit->measurements) ++counts[static_cast<int>(m.quantity)];
    int most = 0;
    for (int q = 0; q < ShotQuantityCount; ++q) {
        if (counts[q] > 0 && measured_method(static_cast<ShotQuantity>(q)) == window) return window;
        if (counts[q] > counts[most]) most = q;
    }
    return measured_method(static_cast<ShotQuantity>(most));
}

ReportContent report_content(const CalcState& s, const CalcResults& r, const ConfidencePage& band,
                             const ReportRequest& request, const ReportFit* fit) {
    ReportContent c;
    c.title = request.title;
    c.creator = report_creator();
    c.date = request.date;
    c.notes = request.notes;
    c.inputs = report_input_rows(s, r);
    c.band = report_band(s, band);
    if (fit != nullptr) c.sections = fit->sections;
    if (std::optional<ReportSection> projectile = report_projectile_section(
            s, r, request.projectile, fit != nullptr ? fit->shot_mvs : std::vector<float>{}, request.energy_limit))
        c.sections.push_back(std::move(*projectile));

    // The chart of the chosen quantity, for the window's target range and units.
    CalcState plotted = s;
    const int method = report_plot_method(s, request, fit);
    plotted.stateRB = method;
    c.plot = layout_plot(plotted, r, ReportPlotWidth, ReportPlotHeight, field_text(s, r, FieldId::MV));
    add_smooth_curve(c.plot, plotted, r);
    if (fit != nullptr) {
        const DisplayFactors f = plot_factors(plotted, r.factors);
        int used = 0, aside = 0;
        for (const ReportMeasurement& m : fit->measurements) {
            if (measured_method(m.quantity) != method) continue;
            const std::optional<PlotPoint> at = plot_point(c.plot, f, method, m.range, m.value);
            if (!at) continue;
            c.plot.marks.push_back({*at, m.used});
            ++(m.used ? used : aside);
        }
        if (used + aside > 0) {
            c.plot_note = "● " + std::to_string(used) + (used == 1 ? " measurement" : " measurements") + " of the fit";
            if (aside > 0) c.plot_note += ", ○ " + std::to_string(aside) + " set aside";
        }
    }

    c.table_heading =
        "Range table, every " + short_number(s.TableStep) + " " + unit_caption(Quantity::Range, s.stateTR);
    c.table = fill_table(s, r);
    return c;
}

namespace {

// The string's part of the report: where it came from, the shots in use and set aside with the
// reasons, the muzzle velocities' mean, SD and extreme spread; the measurements set aside go into
// `fit` for the chart, and the muzzle velocities of the shots in use too.
ReportSection string_summary(const CalcState& s, const ShotString& string, ReportFit& fit) {
    ReportSection summary;
    summary.heading = "Shot string";
    summary.rows.push_back({"Source", string_source_text(string)});
    int in_use = 0;
    std::vector<std::string> set_aside;
    std::map<std::string, int> measurement_reasons;
    for (const StringShot& shot : string.shots) {
        const std::string name =
            "Shot " + (shot.id.empty() ? std::to_string(&shot - string.shots.data() + 1) : shot.id);
        if (shot.marks.used()) {
            ++in_use;
            if (shot.MV) fit.shot_mvs.push_back(*shot.MV);
        } else {
            set_aside.push_back(name + ": " + shot.marks.reasons());
        }
        for (const Measurement& m : shot.measurements) {
            if (m.marks.used()) continue;
            const std::string reasons = m.marks.reasons();
            ++measurement_reasons[reasons.substr(0, reasons.find(':'))];
            fit.measurements.push_back({m.range, m.quantity, m.value, false});
        }
    }
    summary.rows.push_back(
        {"Shots", std::to_string(in_use) + " in use, " + std::to_string(set_aside.size()) + " set aside"});
    const MvSummary mv = mv_summary(string);
    if (mv.count > 0) summary.rows.push_back({"Muzzle velocity", mv_summary_text(mv, s.stateMV, s.TMP)});
    for (const std::string& line : set_aside) summary.lines.push_back("Set aside: " + line);
    for (const auto& [reason, count] : measurement_reasons)
        summary.lines.push_back("Measurements set aside: " + std::to_string(count) + " (" + reason + ")");
    return summary;
}

}  // namespace

ReportFit report_fit(const CalcState& s, const std::vector<LawFit>& fits, const std::vector<Shot>& shots, bool fit_mv,
                     const ShotString* string) {
    ReportFit out;
    if (fits.empty()) return out;

    ReportSection ranking;
    ranking.heading = "Fit of " + std::to_string(shots.size()) + (shots.size() == 1 ? " measurement" : " measurements");
    CalcState flown = s;
    flown.MV = fits.front().MV;
    ranking.lines.push_back("Flown with " + fit_inputs_text(flown) + ".");
    ranking.table.columns = {"Law", "BC", "BC interval", "rms"};
    const std::string mv_unit = unit_caption(Quantity::Velocity, s.stateMV);
    if (fit_mv) ranking.table.columns.push_back("MV (" + mv_unit + ")");
    for (std::size_t i = 0; i < fits.size(); ++i) {
        const FitRowTexts row = fit_row_texts(fits[i], fit_mv, s.stateMV, s.TMP);
        std::vector<std::string> cells = {row.law, row.bc, row.interval, row.rms};
        if (fit_mv) cells.push_back(row.mv);
        ranking.table.rows.push_back(std::move(cells));
        if (fits[i].law == s.CURVE && ranking.table.marked < 0) ranking.table.marked = static_cast<int>(i);
    }
    ranking.lines.push_back(
        "Ranked by the weighted rms of the residuals: near 1 the shots scatter as their uncertainties say.");
    if (ranking.table.marked >= 0)
        ranking.lines.push_back("In bold: the law in use, " + std::string(drag_law_name(s.CURVE)) + ".");
    out.sections.push_back(std::move(ranking));

    for (const Shot& shot : shots) out.measurements.push_back({shot.range, shot.quantity, shot.value, true});

    if (string == nullptr) return out;
    ReportSection summary = string_summary(s, *string, out);
    out.sections.push_back(std::move(summary));
    return out;
}

ShotString string_with_fit_marks(const ShotString& string, const StringFit& f, const std::vector<FitShot>& shots) {
    ShotString out = string;
    for (const Outlier& o : f.outliers) {
        if (o.shot < 0 || static_cast<std::size_t>(o.shot) >= shots.size()) continue;
        const int k = shots[static_cast<std::size_t>(o.shot)].string_index;
        if (k < 0 || static_cast<std::size_t>(k) >= out.shots.size()) continue;
        Marks& marks = out.shots[static_cast<std::size_t>(k)].marks;
        if (marks.has(MarkKind::Outlier)) continue;
        // "outlier: its G1 BC 0.0876 lies …", as the readers' own marks read.
        const std::string text = outlier_text(o, shots);
        const std::size_t why = text.find("set aside: ");
        marks.add(MarkKind::Outlier, "outlier: " + (why == std::string::npos ? text : text.substr(why + 11)));
    }
    return out;
}

ReportFit report_string_fit(const CalcState& s, const StringFit& f, const std::vector<FitShot>& shots,
                            const std::vector<std::string>& groups, const ShotString* string,
                            std::optional<double> sectional_density) {
    ReportFit out;
    const ShotUnits u = shot_units(s);
    int own_shots = 0;
    bool typed = false;
    for (const FitShot& shot : shots) {
        if (shot.typed)
            typed = true;
        else
            ++own_shots;
    }

    ReportSection ranking;
    ranking.heading = "Fit of " + std::to_string(own_shots) + (own_shots == 1 ? " shot" : " shots") +
                      (typed ? " and the typed shots" : "") + ", each from its own muzzle velocity";
    ranking.rows.push_back({"Verdict", verdict_text(f, u)});
    ranking.rows.push_back({"Flown with", fit_inputs_text(s).substr(fit_inputs_text(s).find(", zero ") + 2)});
    // How each shot's muzzle velocity was taken: "27 fitted, 2 its own".
    int sources[4] = {};
    for (std::size_t i = 0; i < f.plan.size(); ++i) ++sources[static_cast<int>(f.plan[i].source)];
    std::string flown;
    static constexpr const char* SourceWords[] = {"as recorded", "fitted", "the string's mean", "the main window's"};
    for (int k = 0; k < 4; ++k)
        if (sources[k] > 0) flown += (flown.empty() ? "" : ", ") + std::to_string(sources[k]) + " " + SourceWords[k];
    if (!flown.empty()) ranking.rows.push_back({"Muzzle velocities", flown});

    ranking.table.columns = {"Law", "BC", "BC interval", "rms", "Weighted SS"};
    if (sectional_density) ranking.table.columns.push_back("Form factor");
    for (const StringLawFit& l : f.laws) {
        const FitRowTexts row = fit_row_texts(l.series, false, u.velocity, u.tmp);
        std::vector<std::string> cells = {row.law, row.bc, row.interval, row.rms, format_fixed(l.series.chi_square, 1)};
        if (sectional_density)
            cells.push_back(l.series.outcome == FitOutcome::Fitted && l.series.BC > 0
                                ? format_fixed(form_factor(*sectional_density, l.series.BC), 3)
                                : "-");
        if (l.series.law == s.CURVE && ranking.table.marked < 0)
            ranking.table.marked = static_cast<int>(ranking.table.rows.size());
        ranking.table.rows.push_back(std::move(cells));
    }
    if (f.laws.empty()) ranking.table.columns.clear();
    for (const FitMessage& m : f.messages) ranking.lines.push_back(fit_message_text(m, shots, u));
    if (!f.laws.empty())
        ranking.lines.push_back(
            "Ranked by the weighted sum of squares of the residuals; an rms near 1: the shots scatter as their "
            "uncertainties say.");
    if (ranking.table.marked >= 0)
        ranking.lines.push_back("In bold: the law in use, " + std::string(drag_law_name(s.CURVE)) + ".");
    out.sections.push_back(std::move(ranking));

    for (std::size_t i = 0; i < shots.size(); ++i) {
        const bool used = i < f.in_series.size() && f.in_series[i];
        for (const Shot& m : shots[i].measurements) out.measurements.push_back({m.range, m.quantity, m.value, used});
    }

    ReportSection summary;
    if (string != nullptr) {
        summary = string_summary(s, string_with_fit_marks(*string, f, shots), out);
    } else {
        summary.heading = "Shots";
        for (const Outlier& o : f.outliers) summary.lines.push_back(outlier_text(o, shots));
    }
    if (!f.laws.empty()) {
        const StringLawFit& best = f.laws.front();
        const std::string law = drag_law_name(best.series.law);
        summary.rows.push_back({"BC spread (" + law + ")", spread_text(best.spread)});
        summary.rows.push_back({"BC trend (" + law + ")", trend_text(best.trend, u)});
        if (const std::string shared = shared_text(best.shared, groups, u); !shared.empty())
            summary.rows.push_back({"One BC for the strings", shared});
    }
    out.sections.push_back(std::move(summary));
    return out;
}

std::optional<ReportSection> report_projectile_section(const CalcState& s, const CalcResults& r, const Projectile& p,
                                                       const std::vector<float>& shot_mvs,
                                                       const std::optional<EnergyLimit>& limit) {
    if (!p.weight_gr && !p.calibre_in) return std::nullopt;
    ReportSection out;
    out.heading = "Projectile";
    std::string what = projectile_text(p);
    if (!p.source.empty() && p.source != "typed") what += " (" + p.source + ")";
    out.rows.push_back({"Projectile", what});
    if (const std::optional<double> sd = sectional_density(p)) {
        out.rows.push_back({"Sectional density", format_fixed(*sd, 4) + " lb/in²"});
        if (s.BC > 0)
            out.rows.push_back({"Form factor", format_fixed(form_factor(*sd, s.BC), 3) + " against " +
                                                   drag_law_name(s.CURVE) + " at the BC " + format_fixed(s.BC, 4)});
    }
    if (!p.weight_gr) return out;
    const double weight = *p.weight_gr;
    out.rows.push_back({"Energy at the muzzle", energy_text(kinetic_energy_j(weight, s.MV)) + " at " +
                                                    with_unit(s, r, FieldId::MV) + ", momentum " +
                                                    format_fixed(momentum_ns(weight, s.MV), 4) + " N·s"});
    const float target = s.TRArray[active_slot(s)];
    const double velocity = velocity_at(r.trajectory, target);
    if (target > 0 && std::isfinite(velocity) && velocity > 0)
        out.rows.push_back({"Energy at " + format_fixed(to_display(Quantity::Range, s.stateTR, target, s.TMP), 1) +
                                " " + unit_caption(Quantity::Range, s.stateTR),
                            energy_text(kinetic_energy_j(weight, velocity))});
    if (shot_mvs.size() >= 2) {
        const auto [low, high] = std::minmax_element(shot_mvs.begin(), shot_mvs.end());
        out.rows.push_back({"Shots' muzzle energy", energy_text(kinetic_energy_j(weight, *low)) + " to " +
                                                        energy_text(kinetic_energy_j(weight, *high)) + " over " +
                                                        std::to_string(shot_mvs.size()) + " shots"});
    }
    if (limit) {
        const bool passed = passes_energy_limit(kinetic_energy_j(weight, s.MV), *limit);
        std::string text = std::string("the muzzle energy is ") + (passed ? "ABOVE it" : "within it");
        const auto above = std::count_if(shot_mvs.begin(), shot_mvs.end(), [&](float mv) {
            return passes_energy_limit(kinetic_energy_j(weight, mv), *limit);
        });
        if (!shot_mvs.empty())
            text += above == 0 ? "; no shot is above it"
                               : "; " + std::to_string(above) + (above == 1 ? " shot is" : " shots are") + " above it";
        out.rows.push_back({"Energy limit " + limit->text, text});
    }
    return out;
}

ReportPaper paper_for_locale(std::string_view locale) {
    // The territory after "_", up to the codeset or modifier.
    const std::size_t underscore = locale.find('_');
    if (underscore == std::string_view::npos) return A4Paper;
    std::string_view territory = locale.substr(underscore + 1);
    territory = territory.substr(0, territory.find_first_of(".@"));
    static constexpr std::string_view LetterTerritories[] = {"US", "CA", "MX", "PH", "CL", "CO", "VE", "CR",
                                                             "GT", "PA", "SV", "PR", "NI", "DO", "BZ"};
    for (std::string_view t : LetterTerritories)
        if (territory == t) return LetterPaper;
    return A4Paper;
}

// --- Pages ---------------------------------------------------------------------------------

float report_font_size(ReportFont font) {
    switch (font) {
        case ReportFont::Title: return 16.0f;
        case ReportFont::Heading: return 11.0f;
        case ReportFont::Value: return 15.0f;
        case ReportFont::Small: return 7.5f;
        case ReportFont::Mono:
        case ReportFont::MonoBold: return 8.5f;
        default: return 9.0f;
    }
}

std::vector<std::string> wrap_text(const std::string& text, float width,
                                   const std::function<float(const std::string&)>& measure) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string paragraph = text.substr(start, end - start);
        std::string line;
        std::size_t i = 0;
        while (i < paragraph.size()) {
            const std::size_t blank = std::min(paragraph.find(' ', i), paragraph.size());
            const std::string word = paragraph.substr(i, blank - i);
            const std::string longer = line.empty() ? word : line + " " + word;
            if (!line.empty() && measure(longer) > width) {
                lines.push_back(line);
                line = word;
            } else {
                line = longer;
            }
            i = blank + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

namespace {

// Red, magenta and orange of the Confidence page's maximum, mean and minimum.
constexpr Rgb MaximumColour{255, 0, 0};
constexpr Rgb MeanColour{255, 0, 255};
constexpr Rgb MinimumColour{255, 127, 0};
constexpr Rgb BcColour{0, 160, 0};
constexpr Rgb GreyText{96, 96, 96};

constexpr float SectionGap = 12.0f;  // between the parts of a page
constexpr float ColumnGap = 18.0f;   // between the table's columns of rows, and between cells

// Lays parts out from the top of a page downwards, beginning a new page for a part that does not
// fit where the last one ended.
class PageFlow {
public:
    PageFlow(const ReportPaper& paper, const ReportMetrics& m) : paper_(paper), m_(m) { pages_.emplace_back(); }

    float left() const { return ReportMargin; }
    float width() const { return paper_.width - 2.0f * ReportMargin; }
    float bottom() const { return paper_.height - ReportMargin; }
    float y() const { return y_; }
    float room() const { return bottom() - y_; }
    bool page_is_empty() const { return y_ == ReportMargin; }
    ReportPage& page() { return pages_.back(); }
    float line(ReportFont f) const { return m_.line_height(f); }
    float measure(ReportFont f, const std::string& text) const { return m_.width(f, text); }

    // Moves on to a new page unless `height` fits below what the page holds.
    void need(float height) {
        if (height <= room() || page_is_empty()) return;
        pages_.emplace_back();
        y_ = ReportMargin;
    }
    void advance(float height) { y_ += height; }
    void text(float x, float top, ReportFont f, std::string text, Rgb colour = {0, 0, 0}) {
        page().texts.push_back({x, top, f, std::move(text), colour});
    }
    std::vector<ReportPage> take() { return std::move(pages_); }

private:
    ReportPaper paper_;
    const ReportMetrics& m_;
    std::vector<ReportPage> pages_;
    float y_ = ReportMargin;
};

// Label–value rows in two columns from `x`, `width` wide; returns the height they take.
float put_rows(PageFlow& flow, const std::vector<ReportRow>& rows, float x, float top, float width, bool draw) {
    float label_width = 0;
    for (const ReportRow& r : rows) label_width = std::max(label_width, flow.measure(ReportFont::Bold, r.label));
    label_width = std::min(label_width + 8.0f, width * 0.45f);
    const float h = flow.line(ReportFont::Body);
    float y = top;
    for (const ReportRow& r : rows) {
        const std::vector<std::string> lines = wrap_text(
            r.value, width - label_width, [&](const std::string& t) { return flow.measure(ReportFont::Body, t); });
        if (draw) flow.text(x, y, ReportFont::Bold, r.label);
        for (const std::string& l : lines) {
            if (draw) flow.text(x + label_width, y, ReportFont::Body, l);
            y += h;
        }
    }
    return y - top;
}

// The column widths of a small table: each its widest text and a gap.
std::vector<float> table_widths(PageFlow& flow, const ReportTable& t) {
    std::vector<float> widths(t.columns.size(), 0.0f);
    for (std::size_t c = 0; c < t.columns.size(); ++c) {
        widths[c] = flow.measure(ReportFont::Bold, t.columns[c]);
        for (const auto& row : t.rows)
            if (c < row.size()) widths[c] = std::max(widths[c], flow.measure(ReportFont::Bold, row[c]));
    }
    return widths;
}

float section_height(PageFlow& flow, const ReportSection& s) {
    float h = flow.line(ReportFont::Heading) + 2.0f;
    h += put_rows(flow, s.rows, flow.left(), 0, flow.width(), false);
    if (!s.table.columns.empty()) h += flow.line(ReportFont::Bold) * static_cast<float>(s.table.rows.size() + 1) + 4.0f;
    for (const std::string& line : s.lines)
        h += flow.line(ReportFont::Body) * static_cast<float>(wrap_text(line, flow.width(), [&](const std::string& t) {
                                                                  return flow.measure(ReportFont::Body, t);
                                                              }).size());
    return h;
}

void put_heading(PageFlow& flow, const std::string& heading) {
    flow.text(flow.left(), flow.y(), ReportFont::Heading, heading);
    flow.advance(flow.line(ReportFont::Heading) + 2.0f);
}

void put_section(PageFlow& flow, const ReportSection& s) {
    flow.need(section_height(flow, s));
    put_heading(flow, s.heading);
    flow.advance(put_rows(flow, s.rows, flow.left(), flow.y(), flow.width(), true));
    if (!s.table.columns.empty()) {
        const std::vector<float> widths = table_widths(flow, s.table);
        const float h = flow.line(ReportFont::Bold);
        const auto put_row = [&](const std::vector<std::string>& cells, ReportFont font) {
            float x = flow.left();
            for (std::size_t c = 0; c < cells.size() && c < widths.size(); ++c) {
                // The first column reads from the left, the numbers line up at their right.
                const float at = c == 0 ? x : x + widths[c] - flow.measure(font, cells[c]);
                flow.text(at, flow.y(), font, cells[c]);
                x += widths[c] + ColumnGap;
            }
            flow.advance(h);
        };
        put_row(s.table.columns, ReportFont::Bold);
        for (std::size_t i = 0; i < s.table.rows.size(); ++i)
            put_row(s.table.rows[i], static_cast<int>(i) == s.table.marked ? ReportFont::Bold : ReportFont::Body);
        flow.advance(4.0f);
    }
    for (const std::string& line : s.lines) {
        for (const std::string& l :
             wrap_text(line, flow.width(), [&](const std::string& t) { return flow.measure(ReportFont::Body, t); })) {
            flow.text(flow.left(), flow.y(), ReportFont::Body, l);
            flow.advance(flow.line(ReportFont::Body));
        }
    }
    flow.advance(SectionGap);
}

// The range table without its empty lines, in as many columns of rows as the width takes, each
// column headed by the two header lines; on further pages when it is longer than a page holds.
void put_table(PageFlow& flow, const ReportContent& c) {
    std::vector<std::string> rows;
    for (const std::string& row : c.table.rows)
        if (!row.empty()) rows.push_back(row);
    const float h = flow.line(ReportFont::Mono);
    float line_width = 0;
    for (const std::string& l : c.table.header)
        line_width = std::max(line_width, flow.measure(ReportFont::MonoBold, l));
    for (const std::string& l : rows) line_width = std::max(line_width, flow.measure(ReportFont::Mono, l));
    // Each column of rows starts at a whole number of characters from the page's edge, so that a
    // reader laying the text out at the font's pitch puts every space back where it was.
    const float pitch = std::max(0.1f, flow.measure(ReportFont::Mono, "0"));
    const auto on_pitch = [pitch](float x) { return std::ceil(x / pitch - 0.01f) * pitch; };
    const float column_step = on_pitch(line_width + ColumnGap);
    const int columns =
        std::max(1, static_cast<int>((flow.width() - on_pitch(flow.left()) + flow.left() + column_step - line_width) /
                                     column_step));
    const float header_height = h * static_cast<float>(c.table.header.size());
    const float heading_height = flow.line(ReportFont::Heading) + 2.0f;
    const auto rows_in = [&](float room) {
        return std::max(0, static_cast<int>((room - heading_height - header_height) / h));
    };
    const int total = static_cast<int>(rows.size());
    // Here when it fits whole in the columns left on this page, else from the top of the next.
    if (rows_in(flow.room()) * columns < total) flow.need(flow.room() + 1.0f);

    int done = 0;
    bool first = true;
    while (first || done < total) {
        const int per_column_room = rows_in(flow.room());
        if (per_column_room <= 0 && !flow.page_is_empty()) {
            flow.need(flow.room() + 1.0f);
            continue;
        }
        const int left_now = total - done;
        // The columns balanced: as few rows in each as hold what is left, or the page full.
        const int per_column = std::max(1, std::min(per_column_room, (left_now + columns - 1) / columns));
        put_heading(flow, first ? c.table_heading : c.table_heading + " (continued)");
        first = false;
        const float top = flow.y();
        int tallest = 0;
        for (int col = 0; col < columns && done < total; ++col) {
            const float x = on_pitch(flow.left()) + static_cast<float>(col) * column_step;
            float y = top;
            for (const std::string& l : c.table.header) {
                flow.text(x, y, ReportFont::MonoBold, l);
                y += h;
            }
            const int count = std::min(per_column, total - done);
            for (int i = 0; i < count; ++i, y += h) flow.text(x, y, ReportFont::Mono, rows[done + i]);
            done += count;
            tallest = std::max(tallest, count);
        }
        flow.advance(header_height + h * static_cast<float>(tallest) + SectionGap);
        if (done < total) flow.need(flow.room() + 1.0f);
    }
}

}  // namespace

std::vector<ReportPage> layout_report(const ReportContent& c, const ReportPaper& paper, const ReportMetrics& m) {
    PageFlow flow(paper, m);
    const auto measure_body = [&](const std::string& t) { return flow.measure(ReportFont::Body, t); };

    // The title block: the title (or the kind of document), the program and the date, the notes.
    flow.text(flow.left(), flow.y(), ReportFont::Title, c.title.empty() ? "Range report" : c.title);
    flow.advance(flow.line(ReportFont::Title));
    flow.text(flow.left(), flow.y(), ReportFont::Small, c.creator + " · " + c.date, GreyText);
    flow.advance(flow.line(ReportFont::Small) + 4.0f);
    for (const std::string& l : wrap_text(c.notes, flow.width(), measure_body)) {
        if (c.notes.empty()) break;
        flow.text(flow.left(), flow.y(), ReportFont::Body, l);
        flow.advance(flow.line(ReportFont::Body));
    }
    flow.page().rules.push_back({flow.left(), flow.y() + 2.0f, flow.left() + flow.width(), flow.y() + 2.0f});
    flow.advance(SectionGap);

    // The inputs on the left, the BC and its band on the right.
    const float inputs_width = flow.width() * 0.62f;
    const float band_x = flow.left() + inputs_width + ColumnGap;
    const float band_width = flow.width() - inputs_width - ColumnGap;
    const float top = flow.y();
    flow.text(flow.left(), top, ReportFont::Heading, "Inputs");
    const float heading = flow.line(ReportFont::Heading) + 2.0f;
    const float inputs_height = heading + put_rows(flow, c.inputs, flow.left(), top + heading, inputs_width, true);

    float y = top;
    flow.text(band_x, y, ReportFont::Heading, "Ballistic coefficient");
    y += heading;
    flow.text(band_x, y, ReportFont::Value, c.band.bc + " (" + c.band.law + ")", BcColour);
    y += flow.line(ReportFont::Value) + 2.0f;
    const std::vector<ReportRow> band = {
        {"Maximum BC:", c.band.maximum}, {"Mean BC:", c.band.mean}, {"Minimum BC:", c.band.minimum}};
    const Rgb colours[] = {MaximumColour, MeanColour, MinimumColour};
    const float caption_width = flow.measure(ReportFont::Bold, "Maximum BC:") + 8.0f;
    for (std::size_t i = 0; i < band.size(); ++i) {
        flow.text(band_x, y, ReportFont::Bold, band[i].label);
        flow.text(band_x + caption_width, y, ReportFont::Bold, band[i].value, colours[i]);
        y += flow.line(ReportFont::Bold);
    }
    for (const std::string& line : {c.band.method, c.band.drag_law_heading, c.band.tolerances}) {
        for (const std::string& l :
             wrap_text(line, band_width, [&](const std::string& t) { return flow.measure(ReportFont::Small, t); })) {
            flow.text(band_x, y, ReportFont::Small, l, GreyText);
            y += flow.line(ReportFont::Small);
        }
    }
    flow.advance(std::max(inputs_height, y - top) + SectionGap);

    // The plot, as wide as the text, and what its marks are.
    const float plot_width = flow.width();
    const float plot_height = plot_width * c.plot.axes.H / std::max(1.0f, c.plot.axes.W);
    const float note_height = c.plot_note.empty() ? 0.0f : flow.line(ReportFont::Small);
    flow.need(plot_height + note_height);
    flow.page().plot = ReportPlacedPlot{flow.left(), flow.y(), plot_width, plot_height};
    flow.advance(plot_height + 2.0f);
    if (!c.plot_note.empty()) {
        flow.text(flow.left(), flow.y(), ReportFont::Small, c.plot_note, GreyText);
        flow.advance(note_height);
    }
    flow.advance(SectionGap);

    for (const ReportSection& s : c.sections) put_section(flow, s);
    put_table(flow, c);
    return flow.take();
}

}  // namespace velora
