#include "output/range_table.h"

#include <cmath>

#include "engine/atmosphere.h"
#include "engine/number_text.h"
#include "engine/sampling.h"

namespace velora {

namespace {

// How one column shows its quantity: display units per internal unit (for the range column:
// yards per display unit), the unit text of the second header line and the decimals.
struct ColumnUnit {
    float factor;
    const char* unit;
    int decimals;
};

// A selection outside its list reads as the list's first entry.
template <std::size_t N>
ColumnUnit pick(const ColumnUnit (&units)[N], int selection) {
    return selection >= 0 && static_cast<std::size_t>(selection) < N ? units[selection] : units[0];
}

ColumnUnit range_column(const CalcState& s) {
    // 0.33333334 and 1.0936133 are 1/3 and 1/0.9144 in single precision: the table steps in the
    // display unit and converts each row's range into yards.
    static const ColumnUnit units[] = {{0.33333334f, "(Foot)", 0}, {1.0f, "(Yard)", 0}, {1.0936133f, "(m)", 0}};
    ColumnUnit c = pick(units, s.stateTR);
    if (s.TableStep == 0.5f) c.decimals = 1;
    return c;
}

ColumnUnit velocity_column(const CalcState& s) {
    const ColumnUnit units[] = {
        {1.0f, "(Ft/s)", 1}, {0.3048f, "(m/s)", 1}, {1.0f / speed_of_sound(s.TMP), "(Mach)", 3}};
    return pick(units, s.stateMV);
}

ColumnUnit small_length_column(int selection) {
    static const ColumnUnit units[] = {{1.0f, "(Inch)", 2}, {2.54f, "(cm)", 1}, {25.4f, "(mm)", 0}};
    return pick(units, selection);
}

ColumnUnit time_column(const CalcState& s) {
    static const ColumnUnit units[] = {{1.0f, "(Sec)", 4}, {1000.0f, "(mSec)", 1}};
    return pick(units, s.stateET);
}

std::string cell(double value, const ColumnUnit& c) { return format_fixed(value, c.decimals); }

}  // namespace

std::string pad_left(std::string_view text, std::size_t width, std::string_view pad) {
    std::string out;
    if (!pad.empty()) {
        while (out.size() + text.size() < width) out += pad;
    }
    out += text;
    return out;
}

TableCells table_cells(const CalcState& s, const CalcResults& r) {
    const Trajectory& tr = r.trajectory;
    const ColumnUnit range = range_column(s);
    const ColumnUnit velocity = velocity_column(s);
    const ColumnUnit poi = small_length_column(s.statePOI);
    const ColumnUnit time = time_column(s);
    const ColumnUnit drop = small_length_column(s.stateDROP);

    TableCells t;
    t.units = {range.unit, velocity.unit, poi.unit, time.unit, drop.unit};
    // The end in yards, rounded half to even; the step is added as it stands, whatever the unit.
    // (A step that is not a number or endless counts as 0 here; the loop then ends at the muzzle.)
    const float limit = std::nearbyint(s.TR + (std::isfinite(s.TableStep) ? s.TableStep : 0.0f));
    const double last_x = static_cast<double>(limit) / static_cast<double>(range.factor);
    const float step = s.TableStep;
    float x = 0.0f;  // the row's range in the display unit
    while (x <= last_x) {
        const float yards = x * range.factor;
        t.yards.push_back(yards);
        t.rows.push_back({format_fixed(x, range.decimals),
                          cell(velocity_at(tr, yards) * static_cast<double>(velocity.factor), velocity),
                          cell(poi_at(tr, yards) * static_cast<double>(poi.factor), poi),
                          cell(time_at(tr, yards) * static_cast<double>(time.factor), time),
                          cell(drop_at(tr, yards) * drop.factor, drop)});

        // A step that is not positive, or too small to move x any further, ends the table.
        if (!(step > 0.0f) || t.rows.size() >= static_cast<std::size_t>(MostTableRows)) break;
        const float next = x + step;
        if (next == x) break;
        x = next;
    }
    return t;
}

TableLines fill_table(const CalcState& s, const CalcResults& r) {
    const TableCells cells = table_cells(s, r);
    // The names stand in wider fields than the units and the numbers below them.
    constexpr std::size_t NameWidths[TableColumns] = {7, 10, 8, 9, 9};
    constexpr std::size_t CellWidths[TableColumns] = {7, 9, 9, 9, 9};
    const auto line = [](const std::array<std::string, TableColumns>& texts, const std::size_t(&widths)[TableColumns]) {
        std::string out;
        for (int i = 0; i < TableColumns; ++i) out += pad_left(texts[i], widths[i]);
        return out;
    };

    TableLines t;
    t.header.push_back(line(cells.names, NameWidths));
    t.header.push_back(line(cells.units, CellWidths));
    t.rows.emplace_back();
    int count = 0;
    for (const auto& row : cells.rows) {
        t.rows.push_back(line(row, CellWidths));
        ++count;
        if (count % GapInterval == 0 && s.Gaps != 0) t.rows.emplace_back();
    }
    t.rows.emplace_back();
    return t;
}

}  // namespace velora
