# Turns the drag-table CSV (header line, then 169 rows: Mach and ten coefficients) into a C++
# array of 170 × 12 floats. Row 169 and column 11 stay 0.
file(STRINGS "${CSV}" lines)
list(LENGTH lines n)
if(NOT n EQUAL 170)
  message(FATAL_ERROR "${CSV}: expected a header and 169 rows, found ${n} lines")
endif()
list(POP_FRONT lines header)
set(body "")
set(row 0)
foreach(line IN LISTS lines)
  string(REPLACE "," ";" cells "${line}")
  list(LENGTH cells ncells)
  if(NOT ncells EQUAL 11)
    message(FATAL_ERROR "${CSV}: row ${row} has ${ncells} cells, expected 11")
  endif()
  set(out "")
  foreach(cell IN LISTS cells)
    if(NOT cell MATCHES "^[0-9]+\\.[0-9]+$")
      message(FATAL_ERROR "${CSV}: row ${row}: '${cell}' is not a decimal number")
    endif()
    string(APPEND out "${cell}f, ")
  endforeach()
  string(APPEND body "    {${out}0.0f},\n")
  math(EXPR row "${row} + 1")
endforeach()
file(WRITE "${OUT}" "// Generated from resources/dragtable.csv at build time; do not edit.
#include \"engine/drag.h\"

namespace velora {

const float DragTable[DragTableRows][DragTableColumns] = {
${body}    {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f},
};

}  // namespace velora
")
