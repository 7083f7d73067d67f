// Drag tables: a projectile's own drag coefficient against the Mach number, as radar makers and
// ammunition makers publish it, or as a fit from shots measured it. Read from three forms and
// written in two:
//
//   .drg   a header "CFM, name, mass (kg), diameter (m), length (m), comment", then one
//          "Cd<TAB>Mach" pair a line
//   CSV    "mach,cd" two columns, a header line optional; lines beginning with # are comments,
//          and the comments "# name: …", "# weight_gr: …", "# calibre_in: …", "# length_in: …"
//          give the table's name and projectile (as the CSV form written here has them)
//   JSON   {"schema": 1, "kind": "drag_table", "name", "projectile": {"weight_gr", "calibre_in",
//          "length_in"}, "points": [{"mach", "cd"}, …]}; a fitted curve's points also carry
//          "cd_low" and "cd_high", its band, and the table "span" [lowest, highest Mach measured]
//
// A table is checked as it is read: Mach numbers strictly rising, each coefficient finite and
// above 0, 2 to 1000 points (check_drag_points); the projectile's values within their limits. A
// table that fails is refused in one line naming the file, the line (or the point) and the fault.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/drag.h"
#include "engine/projectile.h"
#include "solver/curve_fit.h"

namespace velora {

// A drag table's file is small: 1000 points take under 30 kB in any form.
inline constexpr std::size_t LargestDragTableFile = std::size_t{1} << 20;

struct DragTableFile {
    std::string name;    // the table's own name ("".22LR Lapua polar 2.59g"), else the file's
    std::string format;  // "drg", "csv", "json"
    std::vector<DragPoint> points;
    Projectile projectile;  // as the table states it; source "from the drag table"
    // A fitted curve's band, one entry a point (both empty for a table without one), and the Mach
    // span its shots covered.
    std::vector<float> cd_low, cd_high;
    std::optional<std::pair<float, float>> span;
};

struct DragTableRead {
    std::optional<DragTableFile> table;
    std::string error;  // one line: "polar.drg line 7: its Mach number 0.2 is not above the 0.4 before it"
    bool ok() const { return table.has_value(); }
};

// Reads a table from its bytes; `name` names it in messages. The form is told from the content:
// "{" begins the JSON form, "CFM" the .drg form, anything else is CSV.
DragTableRead read_drag_table(std::string_view bytes, const std::string& name);

// Reads the table of a file (at most LargestDragTableFile bytes).
DragTableRead read_drag_table_file(const std::string& path);

// The CSV and JSON forms; each reads back to the same points, bit for bit, and the same projectile.
std::string drag_table_csv(const DragTableFile& table);
std::string drag_table_json(const DragTableFile& table);

// A fitted curve as a table: its points with their band, the span it holds over and the projectile.
DragTableFile fitted_drag_table(const CurveFit& fit, const std::string& name, const Projectile& projectile);

}  // namespace velora
