#include "output/report_pdf.h"

#include <cstdlib>

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "output/export_files.h"
#include "output/plot_draw.h"

namespace velora {

namespace {

// The writer's dots per inch: fine enough that a point is a whole number of dots.
constexpr int PdfResolution = 1200;
constexpr double DotsPerPoint = PdfResolution / 72.0;

QColor colour_of(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace

QFont report_qfont(ReportFont font) {
    const bool mono = font == ReportFont::Mono || font == ReportFont::MonoBold;
    QFont f(mono ? QStringLiteral("Courier New") : QStringLiteral("Helvetica"));
    f.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
    f.setPointSizeF(report_font_size(font));
    const bool bold = font == ReportFont::Title || font == ReportFont::Heading || font == ReportFont::Bold ||
                      font == ReportFont::MonoBold || font == ReportFont::Value;
    f.setBold(bold);
    f.setKerning(false);
    // Without ligatures: "fi" stays two letters that a reader finds and copies as typed.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

namespace {

// Texts measured as the writer sets them, in points.
ReportMetrics metrics_of(QPdfWriter& writer) {
    return {
        [&writer](ReportFont f, const std::string& text) {
            return static_cast<float>(
                QFontMetricsF(report_qfont(f), &writer).horizontalAdvance(QString::fromStdString(text)) / DotsPerPoint);
        },
        [&writer](ReportFont f) {
            return static_cast<float>(QFontMetricsF(report_qfont(f), &writer).height() / DotsPerPoint);
        }};
}

}  // namespace

double report_table_pitch() {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(PdfResolution);
    return metrics_of(writer).width(ReportFont::Mono, "0");
}

ReportPaper paper_of_environment() {
    for (const char* name : {"LC_PAPER", "LC_ALL", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return paper_for_locale(value);
    }
    return A4Paper;
}

std::string report_pdf_bytes(const ReportContent& content, const ReportPaper& paper) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(PdfResolution);
        const bool letter = paper.width == LetterPaper.width && paper.height == LetterPaper.height;
        writer.setPageLayout(QPageLayout(QPageSize(letter ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QString::fromStdString(content.document_title()));
        writer.setCreator(QString::fromStdString(content.creator));

        const std::vector<ReportPage> pages = layout_report(content, paper, metrics_of(writer));

        QPainter p;
        if (!p.begin(&writer)) return {};
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0) writer.newPage();
            const ReportPage& page = pages[i];
            for (const ReportRule& rule : page.rules) {
                p.setPen(QPen(QColor(160, 160, 160), 0.75 * DotsPerPoint));
                p.drawLine(QPointF(rule.x1, rule.y1) * DotsPerPoint, QPointF(rule.x2, rule.y2) * DotsPerPoint);
            }
            for (const ReportText& t : page.texts) {
                const QFont font = report_qfont(t.font);
                p.setFont(font);
                p.setPen(colour_of(t.colour));
                const QFontMetricsF fm(font, &writer);
                p.drawText(QPointF(t.x * DotsPerPoint, t.top * DotsPerPoint + fm.ascent()),
                           QString::fromStdString(t.text));
            }
            if (page.plot) {
                const ReportPlacedPlot& at = *page.plot;
                p.save();
                p.translate(at.x * DotsPerPoint, at.top * DotsPerPoint);
                p.scale(at.width * DotsPerPoint / content.plot.axes.W, at.height * DotsPerPoint / content.plot.axes.H);
                paint_plot_scaled(p, content.plot);
                p.restore();
            }
        }
        p.end();
    }
    return buffer.data().toStdString();
}

ConfidencePage report_confidence(const CalcState& s) {
    CalcState copy = s;
    return confidence_page(copy);
}

bool save_report(CalcState& s, const CalcResults& r, const ReportFit* fit, const Dialogs& ui, const ReportPaper& paper,
                 const Projectile& projectile, const std::optional<EnergyLimit>& energy_limit) {
    if (!ui.save_file) return false;
    ReportRequest request;
    if (ui.report_details) {
        ReportDetails details;
        if (!ui.report_details(details)) return false;
        request.title = details.title;
        request.notes = details.notes;
    }
    const std::string chosen = ui.save_file({ReportDialogTitle, s.LastFolder, ReportDefaultName, ReportFilter});
    if (chosen.empty()) return false;
    s.LastFolder = folder_of(chosen);
    const std::string path = export_target_path(chosen, ".pdf");
    request.date = today_text();
    request.projectile = projectile;
    request.energy_limit = energy_limit;
    const ReportContent content = report_content(s, r, report_confidence(s), request, fit);
    const WriteOutcome written = write_report_pdf(path, content, paper);
    if (ui.message)
        ui.message({ReportMessageTitle,
                    written.ok ? "Saved as:\r" + path : save_failure_text("report", path, written.reason),
                    MessageButtons::Ok});
    return written.ok;
}

WriteOutcome write_report_pdf(const std::string& path, const ReportContent& content, const ReportPaper& paper) {
    if (path.empty() || path.back() == '/') return {false, "No file name was given."};
    const std::string bytes = report_pdf_bytes(content, paper);
    if (bytes.empty()) return {false, "The report could not be drawn."};
    return replace_file_contents(path, bytes);
}

}  // namespace velora
