// The range table as a comma-separated file: the lines of the table's two lists with the
// aligning spaces turned into single commas, every line ended by a carriage return.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "output/range_table.h"
#include "services/dialog_seam.h"
#include "solver/calc_results.h"
#include "state/calc_state.h"

namespace velora {

inline constexpr const char* CsvDialogTitle = "Save Table as CSV";
inline constexpr const char* CsvDefaultName = "Velora_Table.csv";
// The label "CSV Files (.csv)" with its pattern, in the form file dialogs take.
inline constexpr const char* CsvFilter = "CSV Files (.csv) (*.csv)";
inline constexpr const char* CsvMessageTitle = "CSV File:";

// One table line as a CSV line (without its end): the spaces at both ends removed, every run of
// spaces between two cells turned into one ",".
std::string csv_line(std::string_view table_line);

// The whole file: the header lines, then every row line that holds more than two characters
// once trimmed (the empty gap lines never do), each ended by "\r".
std::string table_csv_text(const TableLines& lines);

// The save dialog the export opens: "Save Table as CSV" in LastFolder, proposing "Velora_Table.csv".
SaveFileRequest table_csv_request(const CalcState& s);

// Writes the file at `path`, replacing one of that name, and tells the user where it went ("CSV
// File:", "Saved as:" and the path) or that it could not be written there. True when written.
bool export_table_csv(const std::string& path, const TableLines& lines, const Dialogs& ui);

// The "Save Table as .CSV" command: asks for the file, remembers its folder in LastFolder (also
// the PNG export's folder), puts ".csv" in place of the chosen extension and exports `lines`,
// the lines the table shows. Nothing happens when the dialog is cancelled.
void save_table_csv(CalcState& s, const TableLines& lines, const Dialogs& ui);

// --- The table for spreadsheets --------------------------------------------------------------

inline constexpr const char* SpreadsheetDialogTitle = "Save Table as Spreadsheet CSV";
inline constexpr const char* SpreadsheetDefaultName = "Velora_Table_Spreadsheet.csv";

// The file a spreadsheet or a script reads without help: first `comments` as lines beginning
// with "# " (the inputs the table was computed from), then one header row naming each column
// with its unit ("Range (Yard)"), then one row of five numbers per table row, exactly the texts
// the table shows; UTF-8, every line ended by a line feed. A double quote in a comment becomes
// two single ones, so no reader takes it for the start of a quoted field.
std::string spreadsheet_csv_text(const TableCells& cells, const std::vector<std::string>& comments);

// The comment block: the program, the inputs as the window shows them and the BC with its law.
std::vector<std::string> spreadsheet_comments(const CalcState& s, const CalcResults& r);

// The "Save Table as Spreadsheet CSV…" command: asks for the file (in LastFolder, proposing
// "Velora_Table_Spreadsheet.csv"), remembers its folder, puts ".csv" in place of the chosen
// extension, writes the table of `s` and `r` and says where it went or why it could not be
// written ("CSV File:"). True when written.
bool save_table_spreadsheet(CalcState& s, const CalcResults& r, const Dialogs& ui);

}  // namespace velora
