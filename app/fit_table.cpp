#include "app/fit_table.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <variant>

#include "app/app.h"
#include "app/background.h"
#include "app/fit_projectile.h"
#include "app/fit_results_view.h"
#include "app/fit_window.h"
#include "output/curve_plot_draw.h"
#include "services/file_replace.h"
#include "services/readers/drag_table.h"
#include "services/readers/string_texts.h"
#include "solver/bc_solver.h"
#include "solver/table_fit.h"

namespace velora {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

FitTablePart& part_of(App& app) { return *app.fit_window->table; }

void describe(QWidget* w, const char* name, const char* description) {
    w->setAccessibleName(QString::fromUtf8(name));
    w->setAccessibleDescription(QString::fromUtf8(description));
}

void tell(App& app, const std::string& text) {
    if (app.dialogs.message) app.dialogs.message({FitWindowTitle, text, MessageButtons::Ok});
}

// The window's fit is stale once the table changes.
void forget_window_fit(App& app) {
    FitWindow& f = *app.fit_window;
    ++f.changes;
    f.fits.clear();
    f.fitted_rows.clear();
    refresh_fit_results(app);
}

// The table of `path`, or the one-line reason it cannot be flown.
struct TableLoad {
    std::optional<DragTableFile> file;
    std::shared_ptr<const TabulatedDragCurve> curve;
    std::string error;
};

TableLoad read_table(const std::string& path) {
    TableLoad t;
    DragTableRead read = read_drag_table_file(path);
    if (!read.ok()) {
        t.error = read.error;
        return t;
    }
    auto made = make_drag_curve(read.table->points);
    if (!std::holds_alternative<TabulatedDragCurve>(made)) {
        t.error = path + ": no drag curve";
        return t;
    }
    t.curve = std::make_shared<const TabulatedDragCurve>(std::get<TabulatedDragCurve>(std::move(made)));
    t.file = std::move(read.table);
    return t;
}

std::string heading_of(const FitTablePart& t) {
    return table_heading(t.file->name, std::filesystem::path(t.path).filename().string(),
                         static_cast<int>(t.file->points.size()), t.curve->first_mach(), t.curve->last_mach());
}

// The tab's picture, drawn again at its size whenever it is painted.
class DragCurveView : public QWidget {
public:
    DragCurveView(QWidget* parent, App& app) : QWidget(parent), app_(app) {
        setMinimumSize(320, 220);
        setFocusPolicy(Qt::TabFocus);
        setAccessibleName(QStringLiteral("Drag curve"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const bool dark = app_.state.DarkMode;
        painter.fillRect(rect(), dark ? QColor(30, 30, 30) : QColor(Qt::white));
        if (window_table(app_) || app_.fit_window->table->fitted) {
            paint_curve_plot(painter, shown_drag_curve(app_), dark);
        } else {
            painter.setPen(dark ? QColor(225, 225, 225) : QColor(Qt::black));
            painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, accessibleDescription());
        }
        if (hasFocus()) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        }
    }

private:
    App& app_;
};

}  // namespace

void build_table_part(App& app, QHBoxLayout* buttons, QVBoxLayout* layout) {
    FitWindow& f = *app.fit_window;
    f.table = std::make_shared<FitTablePart>();
    FitTablePart& t = *f.table;
    t.load = new QPushButton(QStringLiteral("Dra&g Table…"), f.dialog);
    describe(t.load, "Drag Table",
             "Loads a projectile's own drag table (.drg, CSV or JSON), ranked beside the ten laws with its form "
             "factor fitted");
    t.remove = new QPushButton(QStringLiteral("&No Table"), f.dialog);
    describe(t.remove, "No Table", "Removes the drag table: the ten laws are fitted alone");
    t.fit_curve = new QPushButton(QStringLiteral("Fit &Drag Curve"), f.dialog);
    describe(t.fit_curve, "Fit Drag Curve",
             "Fits the imported string's own drag coefficient against the Mach number from its radar tracks");
    t.save_curve = new QPushButton(QStringLiteral("Save Drag Curve…"), f.dialog);
    describe(t.save_curve, "Save Drag Curve", "Saves the fitted drag curve as a CSV or JSON drag table");
    for (QPushButton* b : {t.load, t.remove, t.fit_curve, t.save_curve}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    t.note = new QLabel(f.dialog);
    t.note->setWordWrap(true);
    t.note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    describe(t.note, "Drag table", "The drag table in use, and whether the flights left its Mach span");
    layout->addWidget(t.note);
    t.curve_note = new QLabel(f.dialog);
    t.curve_note->setWordWrap(true);
    t.curve_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    describe(t.curve_note, "Drag curve fit", "The fitted drag curve's span and its held-out rms beside the best law's");
    layout->addWidget(t.curve_note);

    App* a = &app;
    QObject::connect(t.load, &QPushButton::clicked, f.dialog, [a] {
        if (!a->dialogs.open_file) return;
        const std::string path =
            a->dialogs.open_file({"Load a Drag Table", a->state.LastFolder, DragTableFilter, false});
        if (!path.empty()) use_drag_table(*a, path);
    });
    QObject::connect(t.remove, &QPushButton::clicked, f.dialog, [a] { use_drag_table(*a, {}); });
    QObject::connect(t.fit_curve, &QPushButton::clicked, f.dialog, [a] { fit_string_drag_curve(*a); });
    QObject::connect(t.save_curve, &QPushButton::clicked, f.dialog, [a] { save_drag_curve(*a); });
    show_table(app);
}

void add_drag_curve_tab(App& app, QTabWidget* tabs) {
    FitTablePart& t = part_of(app);
    t.curve_view = new DragCurveView(tabs, app);
    tabs->addTab(t.curve_view, QStringLiteral("Drag Curve"));
    show_table(app);
}

void load_kept_table(App& app) {
    FitTablePart& t = part_of(app);
    const std::string path = fit_drag_table_path(app);
    if (path.empty()) return;
    TableLoad load = read_table(path);
    if (!load.file) {
        // Kept in the file for a later start (the table may be on a drive not mounted yet); told once.
        const std::string message = "The drag table could not be read (" + load.error +
                                    "); the laws are fitted without it. No Table forgets it.";
        std::fprintf(stderr, "Velora: %s\n", message.c_str());
        std::fflush(stderr);
        tell(app, message);
        return;
    }
    t.path = path;
    t.file = std::move(load.file);
    t.curve = std::move(load.curve);
    show_table(app);
}

void fit_string_drag_curve(App& app) {
    FitWindow& f = *app.fit_window;
    FitTablePart& t = part_of(app);
    if (!f.string) {
        tell(app, "Fit Drag Curve fits an imported string's radar tracks: import one first.");
        return;
    }
    const Projectile p = fit_projectile(app);
    const std::optional<double> sd = sectional_density(p);
    if (!sd) {
        tell(app, std::string("A drag coefficient needs the projectile's sectional density: type its ") +
                      (p.weight_gr    ? "calibre."
                       : p.calibre_in ? "weight."
                                      : "weight and calibre."));
        return;
    }
    const std::vector<FitShot> shots = string_fit_shots(*f.string, true);
    const CurveFitInputs in = curve_fit_inputs(air_state(app.state), *sd);
    const std::shared_ptr<const TabulatedDragCurve> table = t.curve;
    const std::string table_name = window_table_name(app), source = string_source_text(*f.string);
    const unsigned changes = f.changes;
    App* a = &app;
    start_work_for<CurveFit>(
        app,
        {"Fitting the Drag Curve",
         "Fitting the drag curve of " + std::to_string(shots.size()) + (shots.size() == 1 ? " shot…" : " shots…"),
         f.dialog,
         {},
         {}},
        [shots, in, table, table_name](const WorkControl&) {
            CurveFitOptions options;
            if (table) options.tables.push_back({table_name, table->curve()});
            return fit_drag_curve(shots, in, options);
        },
        [a, changes, table, table_name, source, p](std::optional<CurveFit> fit) {
            FitWindow& w = *a->fit_window;
            if (!fit) {
                w.status->setText(QStringLiteral("The fit of the drag curve was stopped before it ended."));
                return;
            }
            if (w.changes != changes) {
                w.status->setText(
                    QStringLiteral("The string changed while its drag curve was fitted: Fit Drag Curve again to fit it "
                                   "as it is now."));
                return;
            }
            if (fit->refused()) {
                tell(*a, "The drag curve of " + source + " cannot be fitted: " + curve_refusal_text(*fit) + ".");
                return;
            }
            FitTablePart& part = part_of(*a);
            part.fitted = std::move(*fit);
            part.fitted_beside = table;
            part.fitted_beside_name = table_name;
            part.fitted_source = source;
            part.fitted_projectile = p;
            part.fitted_changes = changes;
            if (w.dialog->isVisible()) w.dialog->activateWindow();
            if (w.results && part.curve_view) w.results->tabs->setCurrentWidget(part.curve_view);
            show_table(*a);
        });
}

void save_drag_curve(App& app) {
    FitTablePart& t = part_of(app);
    if (!t.fitted || !app.dialogs.save_file) return;
    const std::string path =
        app.dialogs.save_file({"Save Drag Curve", app.state.LastFolder, "drag curve.json", DragCurveFilter});
    if (path.empty()) return;
    std::string ending = std::filesystem::path(path).extension().string();
    for (char& c : ending) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    const DragTableFile table = fitted_drag_table(*t.fitted, "fitted from " + t.fitted_source, t.fitted_projectile);
    const WriteOutcome written =
        replace_file_contents(path, ending == ".csv" ? drag_table_csv(table) : drag_table_json(table));
    if (!written) {
        tell(app, "The drag curve could not be saved in " + path + ": " + written.reason + ".");
        return;
    }
    app.fit_window->status->setText(qs("The drag curve was saved in " + path + "."));
}

void use_drag_table(App& app, const std::string& path) {
    FitTablePart& t = part_of(app);
    if (path.empty()) {
        t.path.clear();
        t.file.reset();
        t.curve.reset();
    } else {
        TableLoad load = read_table(path);
        if (!load.file) {
            tell(app, load.error);
            return;
        }
        t.path = path;
        t.file = std::move(load.file);
        t.curve = std::move(load.curve);
    }
    keep_drag_table_path(app, t.path);
    forget_window_fit(app);
}

std::shared_ptr<const TabulatedDragCurve> window_table(const App& app) {
    return app.fit_window && app.fit_window->table ? app.fit_window->table->curve : nullptr;
}

std::string window_table_name(const App& app) {
    if (!window_table(app)) return {};
    return app.fit_window->table->file->name;
}

WindowFits with_table_fit(std::vector<LawFit> fits, const std::vector<Shot>& shots, const ShotFitInputs& in,
                          FlightInputs flown, const std::shared_ptr<const TabulatedDragCurve>& table) {
    WindowFits out;
    if (!table || fits.empty()) {
        out.fits = std::move(fits);
        return out;
    }
    const LawFit table_fit = fit_table(shots, in, table->curve());
    flown.MV = in.MV;
    flown.BC = table_fit.BC;
    out.beyond_table = leaves_table_span(shots, flown, table->curve(), table->first_mach(), table->last_mach());
    out.fits = ranked_with(std::move(fits), table_fit);
    return out;
}

void table_fitted(App& app, bool beyond) {
    part_of(app).beyond = beyond;
    show_table(app);
}

void show_table(App& app) {
    if (!app.fit_window || !app.fit_window->table) return;
    FitWindow& f = *app.fit_window;
    FitTablePart& t = *f.table;
    bool fitted = false;
    for (const LawFit& fit : f.fits) fitted = fitted || fit.law == DragTableLaw;
    if (!fitted) t.beyond.reset();
    if (t.fitted && t.fitted_changes != f.changes) t.fitted.reset();  // the string changed since
    t.remove->setEnabled(t.curve != nullptr);
    t.fit_curve->setEnabled(f.string.has_value());
    t.save_curve->setEnabled(t.fitted.has_value());
    t.curve_note->setText(t.fitted ? qs(curve_fit_note(*t.fitted)) : QString());
    t.curve_note->setVisible(t.fitted.has_value());
    if (t.curve) {
        t.note->setText(qs(table_note(heading_of(t), fitted, t.beyond.value_or(false))));
        t.note->setVisible(true);
    } else {
        t.note->clear();
        t.note->setVisible(false);
    }
    if (t.curve_view) {
        t.curve_view->setAccessibleDescription(
            t.curve || t.fitted
                ? qs(shown_drag_curve(app).title)
                : QStringLiteral("No drag table: Drag Table… loads one, or Fit Drag Curve fits the string's own, "
                                 "and its curve is drawn here."));
        t.curve_view->setToolTip(t.curve_view->accessibleDescription());
        t.curve_view->update();
    }
}

CurvePlot shown_drag_curve(App& app) {
    FitTablePart& t = part_of(app);
    const double width = t.curve_view ? t.curve_view->width() : 640,
                 height = t.curve_view ? t.curve_view->height() : 400;
    if (t.fitted) {
        std::vector<ComparedCurve> beside;
        if (t.fitted_beside) beside.push_back({t.fitted_beside_name, t.fitted_beside->curve()});
        return curve_plot(*t.fitted, beside, "Drag curve of " + t.fitted_source, width, height);
    }
    if (!t.curve) return {};
    const bool fitted = t.beyond.has_value();
    return table_curve_plot(
        t.file->name, t.curve->curve(), t.curve->first_mach(), t.curve->last_mach(),
        fitted ? app.fit_window->fits : std::vector<LawFit>{}, sectional_density(fit_projectile(app)),
        "Drag curve of " + t.file->name + (fitted ? ", the laws times their form factors" : ""), width, height);
}

}  // namespace velora
