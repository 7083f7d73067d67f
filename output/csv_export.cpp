#include "output/csv_export.h"

#include "output/export_files.h"

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

}  // namespace velora
