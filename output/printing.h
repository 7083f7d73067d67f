// The two printouts: the range table with the main inputs over as many pages as it needs, and the
// plot on one page. Pages are laid out in inches from the paper's top-left corner.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QFont>
#include <QImage>

#include "output/print_layout.h"
#include "output/range_table.h"

class QPagedPaintDevice;
class QPrinter;

namespace velora {

// The printer dialog: true when the user chose a printer and confirmed.
using PrinterDialog = std::function<bool(QPrinter&)>;

// "Courier New" at a size in inches (its em height), bold or regular.
QFont table_print_font(float size, bool bold);

// The table printout on `device`, whose paint area is taken as the whole page. False when the
// device cannot be painted on.
bool print_table_on(QPagedPaintDevice& device, const TableLines& table, const std::vector<std::string>& input_lines);

// The plot printout: `image` with its top-left corner at (1, 1) inch, 4 inches high or less (see
// plot_print_size). False when the device cannot be painted on or the image is empty.
bool print_plot_on(QPagedPaintDevice& device, const QImage& image);

// The "Print Table" command: the printer dialog (offering "Velora Table.pdf" for a file), then the
// job " Print Job". False when cancelled or nothing could be printed.
bool print_table(const TableLines& table, const TablePrintFields& fields, const PrinterDialog& dialog);

// Where the plot printout puts the image it prints: "Image.png" in the system's temporary folder.
std::string print_image_path();

// The "Print Image" command: the printer dialog (offering "Velora Plot.pdf"), the framed canvas
// written to `image_path` (print_image_path() unless the program keeps a temporary folder of its
// own), then the job "Image" printing that file. The file stays; start-up and shut-down remove it.
bool print_plot(const QImage& canvas, const PrinterDialog& dialog, const std::string& image_path = print_image_path());

}  // namespace velora
