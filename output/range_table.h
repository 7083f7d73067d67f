// The range table: fixed-width text lines of velocity, point of impact, time and drop against
// range, each in the unit chosen for its input field.
//
// The lines are the table: the window's two lists show them as they stand (in a monospaced font),
// and the CSV export and the table printout read them back.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "solver/calc_results.h"
#include "state/calc_state.h"

namespace velora {

// `pad` repeated in front of `text` until it is `width` characters long; a longer text stays
// whole. An empty `pad` leaves the text as it is.
std::string pad_left(std::string_view text, std::size_t width, std::string_view pad = " ");

// Rows are separated by an empty line after every this many rows (when gaps are on).
inline constexpr int GapInterval = 5;

// No table holds more rows than this; only a step far below any the program offers could reach it.
inline constexpr int MostTableRows = 100'000;

// The table's cells before they are aligned: the column names, the unit of each column as the
// second header line writes it ("(Yard)"), and per row the five number texts (range, velocity,
// PoI, time, drop) with the column's decimals, exactly as the lines show them.
inline constexpr int TableColumns = 5;
struct TableCells {
    std::array<std::string, TableColumns> names{"Range", "Velocity", "PoI", "Time", "Drop"};
    std::array<std::string, TableColumns> units;
    std::vector<std::array<std::string, TableColumns>> rows;
    std::vector<float> yards;  // each row's range in yards, as the row's values were read there
};

// The cells of the table fill_table lays out (same rows, same texts).
TableCells table_cells(const CalcState& s, const CalcResults& r);

struct TableLines {
    std::vector<std::string> header;  // the column names, then the units
    std::vector<std::string> rows;    // an empty line, the rows with their gap lines, an empty line
};

// The table of the trajectory in `r` for the state's target range, step, gaps and the units of
// the target-range, muzzle-velocity, POI, time-of-flight and drop lists. Starts at the muzzle and
// runs in steps of TableStep (in the range unit) up to TR + TableStep yards, rounded to a whole
// number; rows past the end of the flight show what the trajectory lookups give there.
// A step that is not a positive number gives the one row at the muzzle; a range that is not a
// number gives no rows.
TableLines fill_table(const CalcState& s, const CalcResults& r);

}  // namespace velora
