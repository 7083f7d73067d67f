#include "app/features.h"

#include <QListWidget>

#include "app/control_ids.h"
#include "app/fit_report.h"
#include "app/storage.h"
#include "app/window_update.h"
#include "output/csv_export.h"
#include "output/plot_canvas.h"
#include "output/plot_export.h"
#include "output/plot_layout.h"
#include "output/png_export.h"
#include "output/print_layout.h"
#include "output/printing.h"
#include "output/report_pdf.h"
#include "output/table_view.h"

namespace velora {

namespace {

// The range table as its two lists show it: the exports and the printout compute nothing.
TableLines shown_table(const App& app) {
    const QListWidget* header = table_list(app.window, TableHeader);
    const QListWidget* rows = table_list(app.window, TableRows);
    if (header == nullptr || rows == nullptr) return {};
    return read_table(*header, *rows);
}

// The inputs the table printout quotes, with the texts the window's fields and lists show.
TablePrintFields shown_print_fields(const App& app) {
    const MainWindow& w = app.window;
    TablePrintFields f = table_print_fields(app.state, app.results);
    f.mv = control_text(w, FieldMV);
    f.mv_unit = control_text(w, UnitMV);
    f.zero_unit = control_text(w, UnitZR);
    f.sh = control_text(w, FieldSH);
    f.sh_unit = control_text(w, UnitSH);
    f.bc = control_text(w, FieldBC);
    f.drag_law = control_text(w, DragLawList);
    f.tmp = control_text(w, FieldTMP);
    f.tmp_unit = control_text(w, UnitTMP);
    f.pres = control_text(w, FieldPRES);
    f.pres_unit = control_text(w, UnitPRES);
    f.humid = control_text(w, FieldHUMID);
    return f;
}

QImage plot_image(const App& app) { return app.window.plot != nullptr ? app.window.plot->image() : QImage(); }

}  // namespace

void print_table(App& app) { velora::print_table(shown_table(app), shown_print_fields(app), app.dialogs.print_setup); }

void save_table_csv(App& app) { velora::save_table_csv(app.state, shown_table(app), app.dialogs); }

void print_plot(App& app) {
    velora::print_plot(plot_image(app), app.dialogs.print_setup, temporary_image_path(app.temporary_folder));
}

void save_plot_png(App& app) { velora::save_plot_png(app.state, plot_image(app), app.dialogs); }

void save_plot_print_size(App& app) {
    // The canvas's size, the one "Save Image" writes.
    const QSize size = app.window.plot != nullptr ? app.window.plot->size() : QSize();
    PlotLayout layout =
        layout_plot(app.state, app.results, static_cast<float>(size.width()), static_cast<float>(size.height()));
    add_smooth_curve(layout, app.state, app.results);
    velora::save_plot_print_size(app.state, layout, app.dialogs);
}

void save_report(App& app) { save_report_with_fit(app); }

void save_table_spreadsheet(App& app) { velora::save_table_spreadsheet(app.state, app.results, app.dialogs); }

}  // namespace velora
