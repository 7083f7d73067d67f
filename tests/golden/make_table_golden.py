#!/usr/bin/env python3
"""Writes tests/golden/table_golden.h: flights of the two Lapua radar drag tables worked out by
flight_arithmetic.py, its drag lookup replaced by one over the table's own points (linear between
them, the end value held beyond them), for the tests of velora-cli trajectory --drag-table.

The table is read here from the .drg text by its own parsing, the projectile's sectional density
worked from the header's kilograms and metres. Rerun from the repository root when the corpus or
the arithmetic changes:

    python3 tests/golden/make_table_golden.py > tests/golden/table_golden.h
"""

import os
import sys

import flight_arithmetic as fa
from flight_arithmetic import F, f32

HERE = os.path.dirname(os.path.abspath(__file__))
# The corpus beside the source tree: ../shared, or ../../shared from a worktree in a folder of them.
REAL = next(p for p in (os.path.join(HERE, "..", "..", "..", "shared", "data", "real"),
                        os.path.join(HERE, "..", "..", "..", "..", "shared", "data", "real"))
            if os.path.isdir(p))
LAPUA = os.path.join(REAL, "lapua-22lr-radar-cd")
TABLES = ["22LR-Polar biathlon Lapua  2,59g _Radar.drg", "22LR-XACT-Midas-CenterX- Lapua  2,59g _Radar.drg"]
GRAINS_PER_GRAM = 15.4323583529
YARDS = list(range(0, 101, 10))


def read_drg(path):
    with open(path) as f:
        lines = [l.strip() for l in f if l.strip()]
    header = [x.strip() for x in lines[0].split(",")]
    weight_gr = float(header[2]) * 1000.0 * GRAINS_PER_GRAM
    calibre_in = float(header[3]) * (1000.0 / 25.4)
    points = []
    for l in lines[1:]:
        cd, mach = l.split()
        points.append((F(mach), F(cd)))
    return weight_gr, calibre_in, points


def table_lookup(points):
    def cd_at(mach, _law):
        if mach > points[-1][0]:
            return points[-1][1]
        if mach < points[0][0]:
            return points[0][1]
        i = 0
        while mach > points[i + 1][0]:
            i += 1
        (m0, c0), (m1, c1) = points[i], points[i + 1]
        slope = f32(c1 - c0) / f32(m1 - m0)
        return abs(c0 + slope * (mach - m0))
    return cd_at


def lit(x):
    if x == 0.0:
        return "0.0f"
    return float(x).hex() + "f /* " + repr(x) + " */"


def main():
    inputs = dict(MV="1070", TMP="15", PRES="29.92", HUMID="50", SH="1.5", ZR="50")
    forms = ["1", "1.25"]
    out = ["// Made by tests/golden/make_table_golden.py: flights of the Lapua radar drag tables, worked out",
           "// independently in emulated 32-bit arithmetic. Do not edit.",
           "#pragma once", "", "namespace velora::table_golden {", "",
           "inline constexpr const char* Inputs[] = {" +
           ", ".join('"%s=%s"' % (k, v) for k, v in inputs.items()) + "};",
           "inline constexpr int Yards[] = {" + ", ".join(str(y) for y in YARDS) + "};",
           "", "struct Flight {", "    const char* table;", "    const char* form;", "    float bc;",
           "    float velocity[%d], drop[%d], time[%d];" % ((len(YARDS),) * 3), "};", "",
           "inline constexpr Flight Flights[] = {"]
    for name in TABLES:
        weight, calibre, points = read_drg(os.path.join(LAPUA, name))
        sd = weight / 7000.0 / (calibre * calibre)
        fa.drag_coefficient = table_lookup(points)
        for form in forms:
            bc = f32(sd / float(form))
            tr = fa.compute_trajectory(F(inputs["MV"]), bc, None, F(inputs["TMP"]), F(inputs["PRES"]),
                                       F(inputs["HUMID"]), F(inputs["SH"]), F(inputs["ZR"]))
            out.append('    {"%s", "%s", %s,' % (name, form, lit(bc)))
            for series in (tr.velocity, tr.drop, tr.time):
                out.append("     {" + ", ".join(lit(series[y]) for y in YARDS) + "},")
            out.append("    },")
    out += ["};", "", "}  // namespace velora::table_golden", ""]
    sys.stdout.write("\n".join(out))


if __name__ == "__main__":
    main()
