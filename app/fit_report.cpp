#include "app/fit_report.h"

#include <QAction>
#include <QDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>

#include "app/app.h"
#include "app/fit_import.h"
#include "app/fit_projectile.h"
#include "app/fit_results_view.h"
#include "app/fit_window.h"
#include "output/fit_plot_draw.h"
#include "output/report_pdf.h"
#include "solver/table_fit.h"

namespace velora {

std::optional<ReportFit> fit_for_report(const App& app) {
    if (!app.fit_window || app.fit_window->fits.empty()) return std::nullopt;
    const FitWindow& f = *app.fit_window;
    if (f.results && f.results->fit) {
        const FitResultsView& kept = *f.results;
        return report_string_fit(app.state, *kept.fit, kept.fitted, kept.groups, f.string ? &*f.string : nullptr,
                                 sectional_density(fit_projectile(app)));
    }
    // The typed shots, then the imported string's measurements in use, flown together.
    std::vector<Shot> shots = complete_shots(f);
    std::vector<std::string> names;
    float mv = app.state.MV;
    add_string_shots(app, shots, names, mv);
    CalcState flown = app.state;
    flown.MV = mv;
    // The report ranks the ten laws the range table flies: a drag table's row stays in the window.
    std::vector<LawFit> laws;
    for (const LawFit& fit : f.fits)
        if (fit.law != DragTableLaw) laws.push_back(fit);
    return report_fit(flown, laws, shots, f.fitted_mv, f.string ? &*f.string : nullptr);
}

void save_report_with_fit(App& app) {
    const std::optional<ReportFit> fit = fit_for_report(app);
    save_report(app.state, app.results, fit ? &*fit : nullptr, app.dialogs, paper_of_environment(), fit_projectile(app),
                fit_energy_limit(app));
}

ChartDrawing fit_plot_drawing(const FitPlot& plot, double width, double height) {
    return {width, height, plot.title, plot.description,
            [plot, width, height](QPainter& p) { draw_fit_plot(p, QRectF(0, 0, width, height), plot, false); }};
}

SaveFileRequest fit_plot_request(const CalcState& s, bool measurements) {
    return {PrintSizeDialogTitle, s.LastFolder, measurements ? FitMeasurementsPlotName : FitBcMvPlotName,
            PrintSizeFilter};
}

namespace {

// The picture of `view` (one of the window's two) at the size it has on the screen.
void save_view(App& app, QWidget* view) {
    const FitPlotViews& views = app.fit_window->results->plots;
    const FitPlot& plot = shown_fit_plot(view);
    if (plot.empty()) {
        if (app.dialogs.message)
            app.dialogs.message({FitWindowTitle, "There is no picture to save: fit first.", MessageButtons::Ok});
        return;
    }
    save_chart_print_size(app.state, fit_plot_drawing(plot, view->width(), view->height()),
                          fit_plot_request(app.state, view == views.measurements), app.dialogs);
}

}  // namespace

void save_fit_plot_print_size(App& app) {
    if (!app.fit_window || !app.fit_window->results) return;
    const FitResultsView& v = *app.fit_window->results;
    // The picture in sight, else the measurements'.
    QWidget* current = v.tabs != nullptr ? v.tabs->currentWidget() : nullptr;
    save_view(app, current == v.plots.bc_mv ? v.plots.bc_mv : v.plots.measurements);
}

void add_fit_report_buttons(App& app, QHBoxLayout* buttons) {
    FitWindow& f = *app.fit_window;
    App* a = &app;
    f.save_report = new QPushButton(QStringLiteral("Save Re&port…"), f.dialog);
    f.save_report->setAccessibleName(QStringLiteral("Save Report"));
    f.save_report->setAccessibleDescription(
        QStringLiteral("Saves the range report as a PDF document, with the last fit when there is one"));
    buttons->addWidget(f.save_report);
    QObject::connect(f.save_report, &QPushButton::clicked, f.dialog, [a] { save_report_with_fit(*a); });

    auto* save_plot = new QPushButton(QStringLiteral("Save Image at Print Si&ze…"), f.dialog);
    save_plot->setAccessibleName(QStringLiteral("Save Image at Print Size"));
    save_plot->setAutoDefault(false);
    save_plot->setAccessibleDescription(QStringLiteral(
        "Saves the picture of the fit in sight (the measurements, else the BCs against the muzzle velocity) drawn "
        "again as a PNG image at a chosen scale or as an SVG drawing"));
    buttons->addWidget(save_plot);
    QObject::connect(save_plot, &QPushButton::clicked, f.dialog, [a] { save_fit_plot_print_size(*a); });

    // Each picture's own menu (right click, or the menu key on it) saves it the same way.
    if (!f.results) return;
    for (QWidget* view : {f.results->plots.measurements, f.results->plots.bc_mv}) {
        if (view == nullptr) continue;
        auto* item = new QAction(QStringLiteral("Save Image at Print &Size…"), view);
        view->addAction(item);
        view->setContextMenuPolicy(Qt::ActionsContextMenu);
        QObject::connect(item, &QAction::triggered, view, [a, view] { save_view(*a, view); });
    }
}

}  // namespace velora
