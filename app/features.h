// The actions of the menus that reach beyond the calculation: the printouts and exports of the
// output panel's table and plot (each asking through the window's dialog seam), the preferences
// window and the update check.
#pragma once

#include "app/app.h"

namespace velora {

void show_preferences_dialog(App& app);
void check_for_update(App& app, bool manual);
void open_maker_website(App& app);
// "Help Topics", F1 and Ctrl+H: the manual written out again when it is not the program's own
// (a failure is told), then opened; without a program for PDF documents a message names the
// manual's path.
void open_help(App& app);
void print_table(App& app);
void save_table_csv(App& app);
void print_plot(App& app);
void save_plot_png(App& app);
// The chart of the canvas's size drawn again at three times its size (or as SVG).
void save_plot_print_size(App& app);
// The table with its units in one header row, for spreadsheets.
void save_table_spreadsheet(App& app);
// "Save Report…": the range report as PDF, with the Fit window's last fit when it has one.
void save_report(App& app);

}  // namespace velora
