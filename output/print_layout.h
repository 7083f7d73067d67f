// The layout of the two printouts in inches, worked out without a printer: the table's title and
// input lines, its pages, the font-size search, and the size of the printed plot.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "output/range_table.h"
#include "solver/calc_results.h"
#include "state/calc_state.h"

namespace velora {

inline constexpr float PrintLeftMargin = 0.75f;  // x of every line of the table printout
inline constexpr float PrintTopMargin = 1.25f;   // y of the first line of every page (and the room below the last)
inline constexpr float PrintFontSize = 0.15f;    // the table's font size to start with
inline constexpr float PrintFontStep = 0.005f;   // the search lowers it in these steps
inline constexpr float PrintSmallestFontSize = 0.02f;  // and never below this
inline constexpr const char* TablePrintJobName = " Print Job";
inline constexpr const char* PlotPrintJobName = "Image";
// The names the printer dialog offers for printing to a file ("Velora Table.pdf"); the dialog
// builds its suggestion from the document name, which holds these only while it is open.
inline constexpr const char* TablePrintFileName = "Velora Table";
inline constexpr const char* PlotPrintFileName = "Velora Plot";
inline constexpr float PlotPrintCorner = 1.0f;  // the image's top-left corner, x and y
inline constexpr float PlotPrintHeight = 4.0f;

// "Velora (" and the version ")": the first line of the table printout.
std::string print_title();

// The values the seven input lines quote, as the window shows them.
struct TablePrintFields {
    std::string mv, mv_unit;          // muzzle-velocity field and its unit list
    std::string far_zero, zero_unit;  // the far zero, whole, in the zero-range list's unit
    std::string sh, sh_unit;
    std::string bc, drag_law;  // BC field and the drag-law list ("GA2")
    std::string tmp, tmp_unit;
    std::string pres, pres_unit;
    std::string humid;
};

// The fields as the recalculation pass writes them, with the far zero of `r`.
TablePrintFields table_print_fields(const CalcState& s, const CalcResults& r);

// "Muzzle Velocity = 785.0 Ft/s", "Far Zero Range = 32 Yard", "Sight Height = 1.65 Inch",
// "Ballistic Coefficient = 0.0195 (GA2)", "Temperature = 23.5 °C", "Pressure = 28.42 "Hg",
// "Relative Humidity = 32.0 %".
std::vector<std::string> table_print_input_lines(const TablePrintFields& f);

// The table font size: from 0.15 inch down in steps of 0.005 until the header's first line,
// trimmed, fits the page width less both margins (`header_width(size)` gives its width in inches
// at a font size), but not below PrintSmallestFontSize.
float table_print_font_size(float page_width, const std::function<float(float size)>& header_width);

// Lines of height size × 5/4 between the top and bottom margins, rounded to the nearest whole.
int table_print_lines_per_page(float page_height, float font_size);

struct PrintLine {
    std::string text;
    bool bold = false;
    int slot = 0;  // the line's top is at 1.25 + slot × line height
};
using PrintPage = std::vector<PrintLine>;

// The table printout's pages: the title (bold), an empty line, the input lines, an empty line,
// the header (bold), then the rows without the empty lines. A row that would stand on line
// `lines_per_page` or later begins a new page, which starts with the header again. A page is
// begun only for a row, so the last page always holds rows.
std::vector<PrintPage> paginate_table(const TableLines& table, const std::vector<std::string>& input_lines,
                                      int lines_per_page);

struct PrintSize {
    float width = 0, height = 0;  // inches
};

// The printed plot: 4 inches high with the image's proportions, shrunk with the same proportions
// to the page width less 2 inches when it is wider. Nothing (0 × 0) for an empty image.
PrintSize plot_print_size(int image_width, int image_height, float page_width);

}  // namespace velora
