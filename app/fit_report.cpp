#include "app/fit_report.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

#include "app/app.h"
#include "app/fit_import.h"
#include "app/fit_results_view.h"
#include "app/fit_window.h"
#include "output/report_pdf.h"

namespace velora {

std::optional<ReportFit> fit_for_report(const App& app) {
    if (!app.fit_window || app.fit_window->fits.empty()) return std::nullopt;
    const FitWindow& f = *app.fit_window;
    if (f.results && f.results->fit) {
        const FitResultsView& kept = *f.results;
        return report_string_fit(app.state, *kept.fit, kept.fitted, kept.groups, f.string ? &*f.string : nullptr,
                                 sectional_density(projectile_for_report(app)));
    }
    // The typed shots, then the imported string's measurements in use, flown together.
    std::vector<Shot> shots = complete_shots(f);
    std::vector<std::string> names;
    float mv = app.state.MV;
    add_string_shots(app, shots, names, mv);
    CalcState flown = app.state;
    flown.MV = mv;
    return report_fit(flown, f.fits, shots, f.fitted_mv, f.string ? &*f.string : nullptr);
}

Projectile projectile_for_report(const App& app) {
    Projectile p;
    if (app.fit_window && app.fit_window->string && app.fit_window->string->projectile.weight_gr) {
        p.weight_gr = *app.fit_window->string->projectile.weight_gr;
        p.source = "as set on the device";
    }
    return p;
}

void save_report_with_fit(App& app) {
    const std::optional<ReportFit> fit = fit_for_report(app);
    save_report(app.state, app.results, fit ? &*fit : nullptr, app.dialogs, paper_of_environment(),
                projectile_for_report(app));
}

void add_fit_report_buttons(App& app, QHBoxLayout* buttons) {
    FitWindow& f = *app.fit_window;
    f.save_report = new QPushButton(QStringLiteral("Save Re&port…"), f.dialog);
    f.save_report->setAccessibleName(QStringLiteral("Save Report"));
    f.save_report->setAccessibleDescription(
        QStringLiteral("Saves the range report as a PDF document, with the last fit when there is one"));
    buttons->addWidget(f.save_report);
    App* a = &app;
    QObject::connect(f.save_report, &QPushButton::clicked, f.dialog, [a] { save_report_with_fit(*a); });
}

}  // namespace velora
