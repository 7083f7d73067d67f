// The plot as a PNG file: the canvas copied into an 8-bit RGB image with a one-pixel black frame
// on its outermost rows and columns, encoded by libpng.
#pragma once

#include <string>

#include <QImage>

#include "services/dialog_seam.h"
#include "services/file_replace.h"
#include "state/calc_state.h"

namespace velora {

// The canvas content with the black frame, as an RGB888 image of the canvas's size.
QImage framed_plot_image(const QImage& canvas);

// Encodes `image` as a truecolour PNG (8 bits per channel, no alpha) with libpng's default
// settings. The file at `path` is replaced whole or left as it was. False on any failure.
bool write_png_rgb(const std::string& path, const QImage& image);

// As write_png_rgb, with the reason of a failure in the system's words.
WriteOutcome write_png_file(const std::string& path, const QImage& image);

// framed_plot_image(canvas) written to `path`.
bool render_plot_image(const QImage& canvas, const std::string& path);

// The "Save Image" command: asks for the file (proposing LastFolder + the method's prefix +
// "Plot.png"), remembers its folder in LastFolder (also the CSV export's folder), puts ".png"
// in place of the chosen extension, writes the image and says where it went ("Image:", "Saved
// as:" and the path) or that it could not be written. Nothing happens when the dialog is
// cancelled. True when a file was written.
bool save_plot_png(CalcState& s, const QImage& canvas, const Dialogs& ui);

}  // namespace velora
