// Spreadsheet workbooks as the tables they show: the Office Open XML form (.xlsx, a zip of XML
// parts) and the older binary form (.xls, BIFF8 records in a compound file). Only the cells' values
// are read, text and numbers; formats, formulas and styles are not. Plain C++, no Qt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/readers/readers.h"

namespace velora {

// One sheet: its name and its rows, row 1 first; a row's cells from column A, empty where blank.
struct Sheet {
    std::string name;
    std::vector<std::vector<std::string>> rows;
};

// The largest sheet read: rows and columns beyond these are refused.
inline constexpr int MostSheetRows = 200000;
inline constexpr int MostSheetColumns = 256;

bool is_xlsx(std::string_view bytes);  // a zip holding xl/workbook.xml
bool is_xls(std::string_view bytes);   // a compound file

// The sheets of a workbook in either form, in the workbook's order; nothing when read, else the
// reason (a byte offset for the binary form).
std::optional<ReadError> read_workbook(std::string_view bytes, const std::string& name, std::vector<Sheet>& sheets);

// A sheet as comma-separated text, one line a row (LF), a cell quoted where it holds a comma or a
// quote, a line break within a cell made a space: line N of the text is row N of the sheet.
std::string sheet_csv(const Sheet& sheet);

}  // namespace velora
