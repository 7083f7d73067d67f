#include "output/print_layout.h"

#include <cmath>

#include "engine/drag.h"
#include "engine/number_text.h"
#include "engine/units.h"
#include "solver/display_texts.h"
#include "velora_version.h"

namespace velora {

std::string print_title() { return "Velora (" VELORA_VERSION ")"; }

TablePrintFields table_print_fields(const CalcState& s, const CalcResults& r) {
    static const float zero_factors[] = {3.0f, 1.0f, 0.9144f};
    const float zero_factor = s.stateZR >= 0 && s.stateZR < 3 ? zero_factors[s.stateZR] : 1.0f;
    TablePrintFields f;
    f.mv = field_text(s, r, FieldId::MV);
    f.mv_unit = unit_caption(Quantity::Velocity, s.stateMV);
    f.far_zero = format_fixed(r.trajectory.FarZero * zero_factor, 0);
    f.zero_unit = unit_caption(Quantity::Range, s.stateZR);
    f.sh = field_text(s, r, FieldId::SH);
    f.sh_unit = unit_caption(Quantity::SmallLength, s.stateSH);
    f.bc = bc_text(s.BC);
    f.drag_law = drag_law_name(drag_law_at_list_position(s.stateBC));
    f.tmp = field_text(s, r, FieldId::TMP);
    f.tmp_unit = unit_caption(Quantity::Temperature, s.stateTMP);
    f.pres = field_text(s, r, FieldId::PRES);
    f.pres_unit = unit_caption(Quantity::Pressure, s.statePRES);
    f.humid = field_text(s, r, FieldId::HUMID);
    return f;
}

std::vector<std::string> table_print_input_lines(const TablePrintFields& f) {
    return {
        "Muzzle Velocity = " + f.mv + " " + f.mv_unit, "Far Zero Range = " + f.far_zero + " " + f.zero_unit,
        "Sight Height = " + f.sh + " " + f.sh_unit,    "Ballistic Coefficient = " + f.bc + " (" + f.drag_law + ")",
        "Temperature = " + f.tmp + " " + f.tmp_unit,   "Pressure = " + f.pres + " " + f.pres_unit,
        "Relative Humidity = " + f.humid + " %",
    };
}

float table_print_font_size(float page_width, const std::function<float(float size)>& header_width) {
    float size = PrintFontSize;
    while (page_width < header_width(size) + 2.0f * PrintLeftMargin && size - PrintFontStep >= PrintSmallestFontSize)
        size -= PrintFontStep;
    return size;
}

int table_print_lines_per_page(float page_height, float font_size) {
    const float line_height = font_size * 5.0f / 4.0f;
    const float lines = (page_height - PrintTopMargin - PrintTopMargin) / line_height;
    if (!std::isfinite(lines)) return 0;
    return static_cast<int>(std::nearbyint(std::fmax(lines, -1.0f)));
}

std::vector<PrintPage> paginate_table(const TableLines& table, const std::vector<std::string>& input_lines,
                                      int lines_per_page) {
    std::vector<PrintPage> pages(1);
    int c = 0;
    const auto put = [&pages, &c](const std::string& text, bool bold) { pages.back().push_back({text, bold, c++}); };
    const auto put_header = [&] {
        for (const std::string& line : table.header) put(line, true);
    };

    put(print_title(), true);
    ++c;  // an empty line
    for (const std::string& line : input_lines) put(line, false);
    ++c;
    put_header();
    for (const std::string& row : table.rows) {
        if (row.empty()) continue;
        if (c >= lines_per_page) {
            pages.emplace_back();
            c = 0;
            put_header();
        }
        put(row, false);
    }
    return pages;
}

PrintSize plot_print_size(int image_width, int image_height, float page_width) {
    if (image_width <= 0 || image_height <= 0) return {};
    const float aspect = static_cast<float>(image_width) / static_cast<float>(image_height);
    PrintSize size{PlotPrintHeight * aspect, PlotPrintHeight};
    const float room = page_width - 2.0f * PlotPrintCorner;
    if (!(room > 0.0f)) return {};
    if (size.width > room) {
        const float shrink = room / (PlotPrintHeight * aspect);
        size.width *= shrink;
        size.height *= shrink;
    }
    return size;
}

}  // namespace velora
