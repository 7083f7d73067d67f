// The range report: one document with the inputs, the BC and its band, the fit where one is in
// use, the plot and the range table. What it says is gathered here into plain records (texts in
// the units the window shows), and its pages are laid out in points without any drawing: the
// PDF writer (output/report_pdf.h) only measures the texts and paints what this gives.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/projectile.h"
#include "output/plot_layout.h"
#include "output/range_table.h"
#include "solver/calc_results.h"
#include "solver/confidence.h"
#include "solver/shot_fit.h"
#include "solver/shot_string.h"
#include "solver/string_fit.h"
#include "state/calc_state.h"

namespace velora {

// The document's title when the user gave none, and the name the save dialog proposes, after the
// names the printer dialog offers for printing to a file.
inline constexpr const char* DefaultReportTitle = "Velora report";
inline constexpr const char* ReportDialogTitle = "Save Report";
inline constexpr const char* ReportDefaultName = "Velora Report.pdf";
inline constexpr const char* ReportFilter = "PDF documents (*.pdf)";

// "Velora 1.2.2": the creator of every document the program writes.
std::string report_creator();

// The local date of `t` as the report writes it: "2026-01-12".
std::string report_date_text(std::time_t t);
// Today's.
std::string today_text();

// One line of a list of values: "Muzzle velocity" and "785.0 Ft/s ± 1.0 %".
struct ReportRow {
    std::string label;
    std::string value;
};

// A small table of texts, the first column left-aligned and the others right-aligned; the row
// `marked` (or none, -1) is printed bold.
struct ReportTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
    int marked = -1;
};

// A part of the report that a fit or a projectile adds: its heading, then any rows, a table and
// lines of text, in this order.
struct ReportSection {
    std::string heading;
    std::vector<ReportRow> rows;
    ReportTable table;
    std::vector<std::string> lines;
};

// The BC with its confidence band, as the Confidence page shows them.
struct ReportBand {
    std::string bc;                // "0.0195"
    std::string law;               // "GA2"
    std::string method;            // "One Chronograph (∆POI)"
    std::string drag_law_heading;  // "With Reference to Drag Law GA2"
    std::string maximum, mean, minimum;
    std::string tolerances;  // "Muzzle chronograph ± 1.0 %", and the target's with ∆V
};

// A measurement the fit used or set aside, for the plot.
struct ReportMeasurement {
    float range = 0;  // yd
    ShotQuantity quantity = ShotQuantity::Velocity;
    float value = 0;  // internal unit
    bool used = true;
};

// What a fit in use adds: its sections (ranking, verdict, the string) and the measurements to
// draw on the plot.
struct ReportFit {
    std::vector<ReportSection> sections;
    std::vector<ReportMeasurement> measurements;
    std::vector<float> shot_mvs;  // ft/s: the muzzle velocities of a string's shots in the fit, for their energies
};

// What the user asks of the report.
struct ReportRequest {
    std::string title;  // may be empty: then DefaultReportTitle stands in the document's metadata
    std::string notes;  // the pellet, the batch, the rifle; line breaks kept
    std::string date;   // "2026-01-12"
    // The quantity plotted, a MeasurementMethod; nothing: the window's, unless a fit in use
    // measured none of it, then the quantity most of its measurements are.
    std::optional<int> plot_method;
    // What is known of the projectile: with its weight the report gives the energy, with its
    // calibre too the sectional density and form factor.
    Projectile projectile;
    std::optional<EnergyLimit> energy_limit;  // the limit the shooter keeps to, or none
};

// The size of the chart in the report, in its own units (it is laid out as a canvas of this
// size and scaled into the page).
inline constexpr float ReportPlotWidth = 640.0f;
inline constexpr float ReportPlotHeight = 400.0f;

struct ReportContent {
    std::string title;    // the user's title, or empty
    std::string creator;  // "Velora 1.2.2"
    std::string date;
    std::string notes;
    std::vector<ReportRow> inputs;
    ReportBand band;
    std::vector<ReportSection> sections;
    PlotLayout plot;        // ReportPlotWidth × ReportPlotHeight, with the smooth curve and the measured points
    std::string plot_note;  // what the marks on the plot are, empty without any
    std::string table_heading;
    TableLines table;

    // The title the document carries in its metadata.
    std::string document_title() const { return title.empty() ? DefaultReportTitle : title; }
};

// The inputs as the window shows them, in its units: muzzle velocity with its tolerance, the
// zero, the sight height, the air and its density, the set-up and its measurement, the law.
std::vector<ReportRow> report_input_rows(const CalcState& s, const CalcResults& r);

// The band of the Confidence page `page` for the state's law and tolerances.
ReportBand report_band(const CalcState& s, const ConfidencePage& page);

// The quantity the report plots (see ReportRequest::plot_method).
int report_plot_method(const CalcState& s, const ReportRequest& request, const ReportFit* fit);

// Everything the report says, from the state and the results of its last pass, the Confidence
// page of those inputs and the fit in use (or none).
ReportContent report_content(const CalcState& s, const CalcResults& r, const ConfidencePage& band,
                             const ReportRequest& request, const ReportFit* fit);

// The fit of several shots as the report shows it: the laws ranked with their BC, interval and
// rms (the law in use marked), and, for an imported string, the shots used and set aside with
// their reasons and the muzzle velocities' mean, SD and extreme spread. `shots` are the fitted
// measurements; the law of the state (the one in use) is marked in the ranking.
ReportFit report_fit(const CalcState& s, const std::vector<LawFit>& fits, const std::vector<Shot>& shots, bool fit_mv,
                     const ShotString* string);

// The string as the fit left it: each shot the fit set aside marked as an outlier with the fit's
// reason, as the Fit window marks it (a shot already marked is left as it is).
ShotString string_with_fit_marks(const ShotString& string, const StringFit& f, const std::vector<FitShot>& shots);

// The fit of a shot string shot by shot as the report shows it: the verdict line, the laws ranked
// by their weighted sum of squares with their series BC, interval and rms (and form factor, with
// the projectile's sectional density), the fit's messages; the shots used and set aside with the
// reasons, the muzzle velocities' mean, SD and extreme spread, the spread of the shots' own BCs
// and their trend against the muzzle velocity under the best law. `string` is the string the
// shots came from (nothing for typed shots alone); `groups` names it, as the fit was given it.
ReportFit report_string_fit(const CalcState& s, const StringFit& f, const std::vector<FitShot>& shots,
                            const std::vector<std::string>& groups, const ShotString* string,
                            std::optional<double> sectional_density = std::nullopt);

// The projectile's part of the report: what it is, its sectional density and form factor against
// the law and BC in use, its energy and momentum at the muzzle and at the target range, and the
// lowest and highest muzzle energy of the shots `shot_mvs` (ft/s), and whether the muzzle energy
// and each shot's pass `limit`. Nothing without a weight or a calibre.
std::optional<ReportSection> report_projectile_section(const CalcState& s, const CalcResults& r, const Projectile& p,
                                                       const std::vector<float>& shot_mvs,
                                                       const std::optional<EnergyLimit>& limit = std::nullopt);

// --- Pages ---------------------------------------------------------------------------------

enum class ReportFont { Title, Heading, Body, Bold, Small, Mono, MonoBold, Value };

// Paper in points (1/72 inch).
struct ReportPaper {
    float width = 595.276f;  // A4
    float height = 841.89f;
};
inline constexpr ReportPaper A4Paper{595.276f, 841.89f};
inline constexpr ReportPaper LetterPaper{612.0f, 792.0f};

// Letter where the locale's territory prints on it (the Americas mostly), A4 everywhere else.
// `locale` is a POSIX locale name ("en_US.UTF-8", "de_DE", "C").
ReportPaper paper_for_locale(std::string_view locale);

inline constexpr float ReportMargin = 54.0f;  // three quarters of an inch on every side

struct ReportText {
    float x = 0, top = 0;  // points from the page's top-left corner
    ReportFont font = ReportFont::Body;
    std::string text;
    Rgb colour{0, 0, 0};
};

struct ReportRule {
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

struct ReportPlacedPlot {
    float x = 0, top = 0, width = 0, height = 0;  // the chart scaled into this box
};

struct ReportPage {
    std::vector<ReportText> texts;
    std::vector<ReportRule> rules;
    std::optional<ReportPlacedPlot> plot;
};

// How the writer's fonts measure: a text's width and a font's line height, in points.
struct ReportMetrics {
    std::function<float(ReportFont, const std::string&)> width;
    std::function<float(ReportFont)> line_height;
};

// Font sizes in points.
float report_font_size(ReportFont font);

// The pages: the title block, the inputs beside the BC and its band, the plot, the fit's
// sections and the range table, each part on the page where it fits whole (the table in as many
// columns as the page takes, going on to further pages only when it is longer than a page holds).
std::vector<ReportPage> layout_report(const ReportContent& content, const ReportPaper& paper,
                                      const ReportMetrics& metrics);

// Text wrapped into lines no wider than `width` (at blanks; a word longer than a line stands
// alone). Line breaks in the text are kept.
std::vector<std::string> wrap_text(const std::string& text, float width,
                                   const std::function<float(const std::string&)>& measure);

}  // namespace velora
