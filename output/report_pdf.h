// The range report as a PDF document, written with Qt's own PDF writer: the pages that
// layout_report gives, with their texts as real text (a reader selects and copies it) and the
// chart drawn as lines at the page's resolution.
#pragma once

#include <string>

#include <QFont>

#include "output/report.h"
#include "services/dialog_seam.h"
#include "services/file_replace.h"

namespace velora {

// The typeface and size of a part of the report.
QFont report_qfont(ReportFont font);

// The width of a character of the range table's fixed-width font in the document, in points.
double report_table_pitch();

// The paper of the user's locale (LC_PAPER, else LC_ALL, else LANG).
ReportPaper paper_of_environment();

// The whole document; nothing for a layout without a page.
std::string report_pdf_bytes(const ReportContent& content, const ReportPaper& paper);

inline constexpr const char* ReportMessageTitle = "Report:";

// The confidence band of the state's inputs, the state left as it is.
ConfidencePage report_confidence(const CalcState& s);

// The "Save Report…" command: asks for the title and notes, then the file (in LastFolder,
// proposing "Velora Report.pdf"), remembers its folder, puts ".pdf" in place of the chosen
// extension, writes the report of `s` and `r` (with `fit`, when one is in use) on the paper of the
// locale and says where it went or why it could not be written ("Report:"). Nothing happens when
// a dialog is cancelled. `projectile` is what is known of the projectile. True when written.
bool save_report(CalcState& s, const CalcResults& r, const ReportFit* fit, const Dialogs& ui, const ReportPaper& paper,
                 const Projectile& projectile = {}, const std::optional<EnergyLimit>& energy_limit = std::nullopt);

// Writes the report to `path`, replacing a file of that name whole or leaving it as it was.
WriteOutcome write_report_pdf(const std::string& path, const ReportContent& content, const ReportPaper& paper);

}  // namespace velora
