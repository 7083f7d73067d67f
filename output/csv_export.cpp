#include "output/csv_export.h"

#include "output/export_files.h"
#include "output/report.h"
#include "services/file_replace.h"
#include "solver/display_texts.h"

namespace velora {

std::string csv_line(std::string_view table_line) {
    std::string out;
    std::size_t i = 0;
    while (i < table_line.size()) {
        while (i < table_line.size() && table_line[i] == ' ') ++i;
        if (i == table_line.size()) break;
        if (!out.empty()) out += ',';
        while (i < table_line.size() && table_line[i] != ' ') out += table_line[i++];
    }
    return out;
}

std::string table_csv_text(const TableLines& lines) {
    std::string text;
    for (const std::string& line : lines.header) {
        text += csv_line(line);
        text += '\r';
    }
    for (const std::string& line : lines.rows) {
        const std::size_t first = line.find_first_not_of(' ');
        const std::size_t last = line.find_last_not_of(' ');
        if (first == std::string::npos || last - first + 1 <= 2) continue;
        text += csv_line(line);
        text += '\r';
    }
    return text;
}

SaveFileRequest table_csv_request(const CalcState& s) {
    return {CsvDialogTitle, s.LastFolder, CsvDefaultName, CsvFilter};
}

bool export_table_csv(const std::string& path, const TableLines& lines, const Dialogs& ui) {
    const bool written = replace_file_with_text(path, table_csv_text(lines));
    if (ui.message)
        ui.message(
            {CsvMessageTitle, (written ? "Saved as:\r" : "Could not save the table as:\r") + path, MessageButtons::Ok});
    return written;
}

void save_table_csv(CalcState& s, const TableLines& lines, const Dialogs& ui) {
    if (!ui.save_file) return;
    const std::string chosen = ui.save_file(table_csv_request(s));
    if (chosen.empty()) return;
    s.LastFolder = folder_of(chosen);
    export_table_csv(export_target_path(chosen, ".csv"), lines, ui);
}

std::string spreadsheet_csv_text(const TableCells& cells, const std::vector<std::string>& comments) {
    std::string text;
    for (const std::string& comment : comments) {
        text += "# ";
        for (const char c : comment) {
            if (c == '"')
                text += "''";
            else if (c != '\r' && c != '\n')
                text += c;
        }
        text += '\n';
    }
    for (int c = 0; c < TableColumns; ++c) {
        std::string unit = cells.units[c];
        if (unit.size() >= 2 && unit.front() == '(' && unit.back() == ')') unit = unit.substr(1, unit.size() - 2);
        text += (c > 0 ? "," : "") + cells.names[c] + " (" + unit + ")";
    }
    text += '\n';
    for (const auto& row : cells.rows) {
        for (int c = 0; c < TableColumns; ++c) text += (c > 0 ? "," : "") + row[c];
        text += '\n';
    }
    return text;
}

std::vector<std::string> spreadsheet_comments(const CalcState& s, const CalcResults& r) {
    std::vector<std::string> lines = {report_creator() + " range table"};
    for (const ReportRow& row : report_input_rows(s, r)) lines.push_back(row.label + ": " + row.value);
    lines.push_back("BC: " + field_text(s, r, FieldId::BC));
    return lines;
}

bool save_table_spreadsheet(CalcState& s, const CalcResults& r, const Dialogs& ui) {
    if (!ui.save_file) return false;
    const std::string chosen = ui.save_file({SpreadsheetDialogTitle, s.LastFolder, SpreadsheetDefaultName, CsvFilter});
    if (chosen.empty()) return false;
    s.LastFolder = folder_of(chosen);
    const std::string path = export_target_path(chosen, ".csv");
    const WriteOutcome written =
        path.back() == '/'
            ? WriteOutcome{false, "No file name was given."}
            : replace_file_contents(path, spreadsheet_csv_text(table_cells(s, r), spreadsheet_comments(s, r)));
    if (ui.message)
        ui.message({CsvMessageTitle,
                    written.ok ? "Saved as:\r" + path : save_failure_text("table", path, written.reason),
                    MessageButtons::Ok});
    return written.ok;
}

}  // namespace velora
