#include "app/fit_results_view.h"

#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/app.h"
#include "app/fit_window.h"
#include "engine/drag.h"
#include "engine/units.h"
#include "solver/string_fit_texts.h"

namespace velora {

namespace {

constexpr int StringIndexRole = Qt::UserRole;
const QColor SetAsideInk(128, 128, 128);

QString qs(const std::string& text) { return QString::fromStdString(text); }

FitResultsView& view_of(App& app) { return *app.fit_window->results; }

void describe(QWidget* w, const char* name, const char* description) {
    w->setAccessibleName(QString::fromUtf8(name));
    w->setAccessibleDescription(QString::fromUtf8(description));
}

QLabel* new_label(QWidget* parent, QVBoxLayout* layout, const char* name, const char* description) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    describe(label, name, description);
    layout->addWidget(label);
    return label;
}

// The law chosen in the list of laws; -1 when none is.
int chosen_law(const FitWindow& f) {
    const int row = f.laws ? f.laws->currentRow() : -1;
    return row >= 0 && row < static_cast<int>(f.fits.size()) ? f.fits[static_cast<std::size_t>(row)].law : -1;
}

void clear_view(FitResultsView& v) {
    const QSignalBlocker quiet(v.shots);
    for (QLabel* label : {v.verdict, v.notes, v.spread, v.trend}) {
        label->clear();
        label->setVisible(false);
    }
    v.shots->setRowCount(0);
    show_fit_plots(v.plots, nullptr, {}, 0, {}, {}, false);
}

void set_text(QLabel* label, const std::string& text) {
    label->setText(qs(text));
    label->setVisible(!text.empty());
}

// The captions of the shots' results, the muzzle velocity's and the BC's as the fit shown has them.
QStringList result_headers(const std::string& velocity, const std::string& bc) {
    return {QStringLiteral("Shot"),     qs(velocity),        QStringLiteral("From"), qs(bc),
            QStringLiteral("Interval"), QStringLiteral("RMS"), QStringLiteral("Mark")};
}

void put(QTableWidget* table, int row, int column, const std::string& text, const std::string& tip, bool aside) {
    auto* item = new QTableWidgetItem(qs(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(qs(tip));
    if (aside) item->setForeground(QBrush(SetAsideInk));
    table->setItem(row, column, item);
}

// One line of the list: a shot of the fit (`i`), a shot of the string that was not in it
// (`string_shot`), or both.
void show_line(App& app, int row, std::optional<std::size_t> i, const StringShot* string_shot, int string_index,
               const StringLawFit* law) {
    FitResultsView& v = view_of(app);
    const ShotUnits u = shot_units(app.state);
    const StringFit& fit = *v.fit;
    const Outlier* outlier = nullptr;
    if (i)
        for (const Outlier& o : fit.outliers)
            if (o.shot == static_cast<int>(*i)) outlier = &o;
    const Marks marks = string_shot ? string_shot->marks : Marks{};
    const bool aside = i ? !fit.in_series[*i] : true;
    const std::string mark = shot_mark_text(outlier, marks);
    const std::string tip = outlier ? outlier_text(*outlier, v.fitted) : mark;

    std::string name = i ? v.fitted[*i].name
                         : "shot " + (string_shot->id.empty() ? std::to_string(string_index + 1) : string_shot->id);
    if (!name.empty()) name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    put(v.shots, row, ResultShot, name, tip, aside);
    if (string_index >= 0) {
        QTableWidgetItem* item = v.shots->item(row, ResultShot);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(marks.used() ? Qt::Checked : Qt::Unchecked);
        item->setData(StringIndexRole, string_index);
        item->setData(Qt::AccessibleDescriptionRole,
                      qs(name + (marks.used() ? ": in the fit; clear to set it aside and fit again"
                                              : ": set aside; tick to take it back in and fit again")));
    }
    ShotResultTexts t;
    if (i && law) {
        t = shot_result_texts(fit, v.fitted, *i, *law, u);
    } else if (string_shot && string_shot->MV) {
        t.mv = shot_value_text(ShotQuantity::Velocity, *string_shot->MV, u);
        t.origin = mv_origin_text(MvSource::Own, string_shot->mv_kind);
        t.bc = "not fitted";
    }
    put(v.shots, row, ResultMv, t.mv, {}, aside);
    put(v.shots, row, ResultOrigin, t.origin, {}, aside);
    put(v.shots, row, ResultBc, t.bc, {}, aside);
    put(v.shots, row, ResultInterval, t.interval, {}, aside);
    put(v.shots, row, ResultRms, t.rms, {}, aside);
    put(v.shots, row, ResultMark, mark, tip, aside);
}

// A shot ticked or cleared in the list: set aside or taken back in as with its check box in the
// string, and fitted again. Done after the list's own signal, since the fit fills the list anew.
void shot_ticked(App& app, QTableWidgetItem* item) {
    if (item->column() != ResultShot || !(item->flags() & Qt::ItemIsUserCheckable)) return;
    const int k = item->data(StringIndexRole).toInt();
    const bool use = item->checkState() == Qt::Checked;
    App* a = &app;
    QTimer::singleShot(0, app.fit_window->dialog, [a, k, use] {
        FitWindow& f = *a->fit_window;
        if (!f.string || k < 0 || k >= f.string_view->topLevelItemCount()) return;
        QTreeWidgetItem* top = f.string_view->topLevelItem(k);
        if ((top->checkState(0) == Qt::Checked) == use) return;
        top->setCheckState(0, use ? Qt::Checked : Qt::Unchecked);
        f.fit->click();
    });
}

}  // namespace

void build_fit_results(App& app, QVBoxLayout* layout) {
    FitWindow& f = *app.fit_window;
    f.results = std::make_shared<FitResultsView>();
    FitResultsView& v = *f.results;
    QWidget* parent = f.dialog;
    v.verdict = new_label(parent, layout, "Verdict", "Which drag laws the shots can tell apart, by the stated rule");
    QFont bold = v.verdict->font();
    bold.setBold(true);
    v.verdict->setFont(bold);
    v.notes = new_label(parent, layout, "Fit messages", "What the fit could not do and the shots it set aside");
    v.spread = new_label(parent, layout, "BC spread", "The spread of the shots' own BCs under the chosen law");
    v.trend = new_label(parent, layout, "BC trend", "The trend of the shots' own BCs against their muzzle velocity");

    v.tabs = new QTabWidget(parent);
    describe(v.tabs, "Fit results", "The fit's results shot by shot, and its pictures");
    v.shots = new QTableWidget(0, ResultColumnCount, v.tabs);
    v.shots->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v.shots->setSelectionBehavior(QAbstractItemView::SelectRows);
    v.shots->setSelectionMode(QAbstractItemView::SingleSelection);
    v.shots->setTabKeyNavigation(false);
    v.shots->verticalHeader()->setVisible(false);
    v.shots->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    v.shots->horizontalHeader()->setStretchLastSection(true);
    // Named before the first fit too; a fit adds the velocity's unit and the law.
    v.shots->setHorizontalHeaderLabels(result_headers("Muzzle Velocity", "BC"));
    describe(v.shots, "Shots' results",
             "Each shot under the chosen law: the muzzle velocity it was flown with and where that came from, its "
             "own BC, interval and rms, and what set it aside. Space on a shot sets it aside or takes it back in, "
             "and fits again.");
    v.tabs->addTab(v.shots, QStringLiteral("Shots"));
    v.plots = build_fit_plots(v.tabs);
    layout->addWidget(v.tabs, 3);
    // The tab bar's arrows, shown when its tabs do not fit.
    for (QToolButton* arrow : v.tabs->tabBar()->findChildren<QToolButton*>())
        arrow->setAccessibleDescription(QStringLiteral("Shows the tabs beyond those in sight"));

    App* a = &app;
    QObject::connect(v.shots, &QTableWidget::itemChanged, f.dialog,
                     [a](QTableWidgetItem* item) { shot_ticked(*a, item); });
    clear_view(v);
}

QWidget* fit_results_focus(App& app) { return view_of(app).tabs; }

void keep_fit_results(App& app, StringFit fit, std::vector<FitShot> shots, std::vector<std::string> groups,
                      const ShotFitInputs& in) {
    FitResultsView& v = view_of(app);
    v.fit = std::move(fit);
    v.fitted = std::move(shots);
    v.groups = std::move(groups);
    v.in = in;
    show_fit_results(app);
}

void forget_fit_results(App& app) {
    FitResultsView& v = view_of(app);
    v.fit.reset();
    v.fitted.clear();
    clear_view(v);
}

void show_fit_results(App& app) {
    if (!app.fit_window || !app.fit_window->results) return;
    FitWindow& f = *app.fit_window;
    FitResultsView& v = *f.results;
    if (f.fits.empty() || !v.fit) {
        forget_fit_results(app);
        return;
    }
    const ShotUnits u = shot_units(app.state);
    const int law = chosen_law(f);
    const FitSummaryTexts texts = fit_summary_texts(*v.fit, v.fitted, law, v.groups, u);
    set_text(v.verdict, texts.verdict);
    std::string notes;
    for (const std::string& n : texts.notes) notes += (notes.empty() ? "" : "\n") + n;
    set_text(v.notes, notes);
    set_text(v.spread, texts.law.empty() ? std::string() : texts.law + " " + texts.spread);
    set_text(v.trend, texts.trend + (texts.shared.empty() ? "" : " " + texts.shared));

    show_fit_plots(v.plots, &*v.fit, v.fitted, law, v.in, u, app.state.DarkMode);
    const StringLawFit* fitted_law = v.fit->law(law);
    const QSignalBlocker quiet(v.shots);
    const std::string bc_caption = law >= 0 ? "BC (" + drag_law_name(law) + ")" : std::string("BC");
    v.shots->setHorizontalHeaderLabels(
        result_headers("Muzzle Velocity (" + std::string(unit_caption(Quantity::Velocity, u.velocity)) + ")",
                       bc_caption));
    // The typed shots, then every shot of the string in its order, those the fit did not take too.
    std::vector<std::optional<std::size_t>> of_string(f.string ? f.string->shots.size() : 0);
    std::optional<std::size_t> typed;
    for (std::size_t i = 0; i < v.fitted.size(); ++i) {
        const int k = v.fitted[i].string_index;
        if (k < 0)
            typed = i;
        else if (static_cast<std::size_t>(k) < of_string.size())
            of_string[static_cast<std::size_t>(k)] = i;
    }
    v.shots->setRowCount(static_cast<int>(of_string.size()) + (typed ? 1 : 0));
    int row = 0;
    if (typed) show_line(app, row++, typed, nullptr, -1, fitted_law);
    for (std::size_t k = 0; k < of_string.size(); ++k)
        show_line(app, row++, of_string[k], &f.string->shots[k], static_cast<int>(k), fitted_law);
}

}  // namespace velora
