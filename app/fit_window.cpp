#include "app/fit_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/app.h"
#include "app/background.h"
#include "app/dark_theme.h"
#include "app/dispatch.h"
#include "app/fit_import.h"
#include "app/fit_projectile.h"
#include "app/fit_report.h"
#include "app/fit_results_view.h"
#include "app/fit_table.h"
#include "app/focus_mark.h"
#include "engine/drag.h"
#include "engine/number_text.h"
#include "services/file_replace.h"
#include "services/preferences.h"
#include "services/readers/string_texts.h"
#include "services/readers/text_input.h"
#include "services/shots_file.h"
#include "solver/fit_texts.h"
#include "solver/string_fit.h"
#include "solver/string_fit_texts.h"
#include "solver/table_fit.h"

namespace velora {

namespace {

constexpr int QuantityRole = Qt::UserRole;
const QColor UnreadColour(220, 40, 40);

QString qs(const std::string& text) { return QString::fromStdString(text); }

// The quantity of a shot is chosen from a list while its cell is edited.
class QuantityDelegate : public QStyledItemDelegate {
public:
    QuantityDelegate(QObject* parent, std::function<ShotUnits()> units)
        : QStyledItemDelegate(parent), units_(std::move(units)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* list = new QComboBox(parent);
        const ShotUnits u = units_();
        for (int q = 0; q < ShotQuantityCount; ++q)
            list->addItem(qs(shot_quantity_caption(static_cast<ShotQuantity>(q), u)));
        list->setAccessibleName(QStringLiteral("Quantity"));
        list->setAccessibleDescription(QStringLiteral("What the shot measured: velocity, time of flight, POI or drop"));
        return list;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QComboBox*>(editor)->setCurrentIndex(index.data(QuantityRole).toInt());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        const auto* list = static_cast<QComboBox*>(editor);
        model->setData(index, list->currentIndex(), QuantityRole);
        model->setData(index, list->currentText(), Qt::DisplayRole);
    }

private:
    std::function<ShotUnits()> units_;
};

// Calls back whenever the watched object receives an event of `type`.
class EventWatcher : public QObject {
public:
    EventWatcher(QObject* parent, QEvent::Type type, std::function<void()> on_event)
        : QObject(parent), type_(type), on_event_(std::move(on_event)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == type_) on_event_();
        return QObject::eventFilter(watched, event);
    }

private:
    QEvent::Type type_;
    std::function<void()> on_event_;
};

FitWindow& fit_of(App& app) { return *app.fit_window; }

bool is_empty(const ShotRow& row) {
    const auto empty = [](const ShotEntry& e) { return !e.value && e.unread.empty(); };
    return empty(row.range) && empty(row.value) && empty(row.uncertainty);
}

bool is_complete(const ShotRow& row) {
    return row.range.value && row.value.value && row.range.unread.empty() && row.value.unread.empty() &&
           row.uncertainty.unread.empty();
}

std::string shot_name(int line) { return "Shot " + std::to_string(line + 1); }

void set_cell(QTableWidget* table, int row, int column, const std::string& text, bool unread, const std::string& why,
              bool editable = true) {
    QTableWidgetItem* item = table->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        table->setItem(row, column, item);
    }
    item->setText(qs(text));
    item->setTextAlignment(Qt::AlignCenter);
    item->setForeground(unread ? QBrush(UnreadColour) : QBrush());
    item->setToolTip(qs(why));
    if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
}

// A result in the list: shown as any other cell, but neither edited nor stopped at by Tab.
void set_result_cell(QTableWidget* table, int row, int column, const std::string& text, const std::string& why) {
    set_cell(table, row, column, text, false, why, false);
    QTableWidgetItem* item = table->item(row, column);
    item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable));
    item->setForeground(table->palette().brush(QPalette::Active, QPalette::Text));
}

std::string entry_text(const ShotEntry& e, const std::function<std::string(float)>& format) {
    if (!e.unread.empty()) return e.unread;
    return e.value ? format(*e.value) : std::string();
}

// One line of the list as its row holds it, in the main window's units of the moment.
void show_row(App& app, int line) {
    FitWindow& f = fit_of(app);
    const ShotUnits u = shot_units(app.state);
    const ShotRow& row = f.rows[static_cast<std::size_t>(line)];
    const QSignalBlocker quiet(f.shots);
    set_cell(f.shots, line, ColumnRange, entry_text(row.range, [&](float v) { return shot_range_text(v, u); }),
             !row.range.unread.empty(), row.range.why);
    set_cell(f.shots, line, ColumnQuantity, shot_quantity_caption(row.quantity, u), false, {});
    f.shots->item(line, ColumnQuantity)->setData(QuantityRole, static_cast<int>(row.quantity));
    const auto value = [&](float v) { return shot_value_text(row.quantity, v, u); };
    set_cell(f.shots, line, ColumnValue, entry_text(row.value, value), !row.value.unread.empty(), row.value.why);
    set_cell(f.shots, line, ColumnUncertainty, entry_text(row.uncertainty, value), !row.uncertainty.unread.empty(),
             row.uncertainty.why.empty() ? "Left empty: the default uncertainty" : row.uncertainty.why);
    set_result_cell(f.shots, line, ColumnResidual, {}, {});
    f.shots->horizontalHeaderItem(ColumnRange)
        ->setText(qs("Range (" + std::string(unit_caption(Quantity::Range, u.range)) + ")"));
}

// The residuals of the chosen law's fit beside its shots.
void show_residuals(App& app) {
    FitWindow& f = fit_of(app);
    const QSignalBlocker quiet(f.shots);
    for (int line = 0; line < f.shots->rowCount(); ++line) set_result_cell(f.shots, line, ColumnResidual, {}, {});
    const int chosen = f.laws->currentRow();
    if (chosen < 0 || chosen >= static_cast<int>(f.fits.size())) return;
    const ShotUnits u = shot_units(app.state);
    const LawFit& fit = f.fits[static_cast<std::size_t>(chosen)];
    for (std::size_t i = 0; i < f.fitted_rows.size() && i < fit.residuals.size(); ++i) {
        const int line = f.fitted_rows[i];
        const ShotQuantity q = f.rows[static_cast<std::size_t>(line)].quantity;
        set_result_cell(f.shots, line, ColumnResidual, shot_residual_text(q, fit.residuals[i], u),
                        "Measured less predicted, for " +
                            (fit.law == DragTableLaw ? window_table_name(app) : drag_law_name(fit.law)));
    }
}

void enable_choices(App& app) {
    FitWindow& f = fit_of(app);
    const int chosen = f.laws->currentRow();
    // The main window flies its ten laws: a drag table's row is not entered there.
    f.use->setEnabled(chosen >= 0 && chosen < static_cast<int>(f.fits.size()) &&
                      f.fits[static_cast<std::size_t>(chosen)].outcome == FitOutcome::Fitted &&
                      f.fits[static_cast<std::size_t>(chosen)].law != DragTableLaw);
    show_residuals(app);
    show_fit_results(app);
}

// The ranked laws; the chosen one stays chosen unless `to_best` (after a new fit).
void show_laws(App& app, bool to_best) {
    FitWindow& f = fit_of(app);
    const int kept = f.laws->currentRow();
    const QSignalBlocker quiet(f.laws);
    f.laws->setRowCount(static_cast<int>(f.fits.size()));
    f.laws->setColumnHidden(4, !f.fitted_mv);
    const std::string mv_unit = unit_caption(Quantity::Velocity, app.state.stateMV);
    f.laws->setHorizontalHeaderItem(4, new QTableWidgetItem(qs("Muzzle Velocity (" + mv_unit + ")")));
    for (int line = 0; line < static_cast<int>(f.fits.size()); ++line) {
        FitRowTexts t =
            fit_row_texts(f.fits[static_cast<std::size_t>(line)], f.fitted_mv, app.state.stateMV, app.state.TMP);
        if (f.fits[static_cast<std::size_t>(line)].law == DragTableLaw) t.law = window_table_name(app);
        const std::string texts[] = {t.law, t.bc, t.interval,
                                     t.rms, t.mv, fit_form_factor_text(app, f.fits[static_cast<std::size_t>(line)].BC)};
        for (int column = 0; column < 6; ++column) set_cell(f.laws, line, column, texts[column], false, {}, false);
    }
    f.laws->setColumnHidden(5, fit_form_factor_text(app, 0.1f).empty());
    const int chosen = !to_best && kept >= 0 && kept < f.laws->rowCount() ? kept : 0;
    if (!f.fits.empty()) f.laws->setCurrentCell(chosen, 0);
    enable_choices(app);
    show_projectile(app, f.fitted_mv && !f.fits.empty() ? f.fits[static_cast<std::size_t>(chosen)].MV
                                                        : f.string_mv.value_or(app.state.MV));
    show_table(app);
}

// Any change of the shots makes the last fit stale.
void forget_fit(App& app) {
    FitWindow& f = fit_of(app);
    ++f.changes;
    f.fits.clear();
    f.fitted_rows.clear();
    show_laws(app, true);
    f.status->clear();
}

// Keeps exactly one empty line at the end of the list.
void keep_one_empty_line(App& app) {
    FitWindow& f = fit_of(app);
    while (f.rows.size() >= 2 && is_empty(f.rows.back()) && is_empty(f.rows[f.rows.size() - 2])) f.rows.pop_back();
    if (f.rows.empty() || !is_empty(f.rows.back())) f.rows.emplace_back();
    // The empty line offers the quantity of the line above it.
    if (f.rows.size() >= 2) f.rows.back().quantity = f.rows[f.rows.size() - 2].quantity;
    f.shots->setRowCount(static_cast<int>(f.rows.size()));
    for (int line = 0; line < static_cast<int>(f.rows.size()); ++line) show_row(app, line);
}

void tell(App& app, const std::string& text) {
    if (app.dialogs.message) app.dialogs.message({FitWindowTitle, text, MessageButtons::Ok});
}

// The shots file after every change.
void load_shots(App& app);

void save_shots(App& app) {
    FitWindow& f = fit_of(app);
    save_beside_preferences(app, f.shots_file, shots_text(complete_shots(f)), f.save_failed, "The shots", [&app] {
        FitWindow& again = fit_of(app);
        again.rows.clear();
        load_shots(app);
        keep_one_empty_line(app);
        forget_fit(app);
    });
}

// Reads what the user typed into a cell.
void take_entry(ShotEntry& e, const std::string& typed, const std::function<UnitValue(std::string_view)>& read) {
    e = ShotEntry{};
    std::string_view text(typed);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.empty()) return;
    const UnitValue v = read(text);
    if (v.ok()) {
        e.value = v.value;
    } else {
        e.unread = std::string(text);
        e.why = v.error;
    }
}

void read_uncertainty(ShotRow& row, const std::string& typed, const ShotUnits& u) {
    take_entry(row.uncertainty, typed, [&](std::string_view t) {
        if (t.find('%') != std::string_view::npos && !row.value.value)
            return UnitValue{0.0f, "a percentage needs the shot's value first"};
        return read_shot_uncertainty(t, row.quantity, row.value.value.value_or(0.0f), u);
    });
}

void cell_changed(App& app, QTableWidgetItem* item) {
    FitWindow& f = fit_of(app);
    const int line = item->row();
    if (line < 0 || line >= static_cast<int>(f.rows.size())) return;
    ShotRow& row = f.rows[static_cast<std::size_t>(line)];
    const ShotUnits u = shot_units(app.state);
    const std::string typed = item->text().toStdString();
    switch (item->column()) {
        case ColumnRange:
            take_entry(row.range, typed, [&](std::string_view t) { return read_shot_range(t, u); });
            break;
        case ColumnQuantity: {
            // The value and its uncertainty, as they stand in the list, are read in the new quantity's unit.
            const std::string value = f.shots->item(line, ColumnValue)->text().toStdString();
            const std::string uncertainty = f.shots->item(line, ColumnUncertainty)->text().toStdString();
            row.quantity =
                static_cast<ShotQuantity>(std::clamp(item->data(QuantityRole).toInt(), 0, ShotQuantityCount - 1));
            take_entry(row.value, value, [&](std::string_view t) { return read_shot_value(t, row.quantity, u); });
            read_uncertainty(row, uncertainty, u);
            break;
        }
        case ColumnValue:
            take_entry(row.value, typed, [&](std::string_view t) { return read_shot_value(t, row.quantity, u); });
            break;
        case ColumnUncertainty: read_uncertainty(row, typed, u); break;
        default: return;
    }
    show_row(app, line);
    keep_one_empty_line(app);
    forget_fit(app);
    save_shots(app);
}

void add_shot(App& app) {
    FitWindow& f = fit_of(app);
    keep_one_empty_line(app);
    const int line = static_cast<int>(f.rows.size()) - 1;
    f.shots->setFocus(Qt::ShortcutFocusReason);
    f.shots->setCurrentCell(line, ColumnRange);
    f.shots->editItem(f.shots->item(line, ColumnRange));
}

void remove_shot(App& app) {
    FitWindow& f = fit_of(app);
    const int line = f.shots->currentRow();
    if (line < 0 || line >= static_cast<int>(f.rows.size()) || is_empty(f.rows[static_cast<std::size_t>(line)])) return;
    f.rows.erase(f.rows.begin() + line);
    f.shots->removeRow(line);
    keep_one_empty_line(app);
    forget_fit(app);
    save_shots(app);
    f.shots->setCurrentCell(std::min(line, f.shots->rowCount() - 1), ColumnRange);
}

void show_string_fit(App& app, const std::vector<FitShot>& shots, const std::vector<Shot>& typed,
                     const std::vector<int>& lines, const ShotFitInputs& in, const StringFitOptions& options,
                     const StringFit& fit);

void forget_outlier_marks(ShotString& string) {
    for (StringShot& shot : string.shots) {
        if (shot.marks.overridden) continue;
        std::erase_if(shot.marks.marks, [](const Mark& m) { return m.kind == MarkKind::Outlier; });
    }
}

template <class Result>
void fit_beside(App& app, const std::string& caption, std::function<Result(const WorkControl&)> run,
                std::function<void(Result)> show);

// The typed shots (one flight from the main window's muzzle velocity) and the imported string's
// shots, each from its own: the series under each law in the list of laws, the verdict, the
// messages and the shots set aside in the status line, and those shots marked in the string,
// where the user can take them back in.
void run_string_fit(App& app, const std::vector<Shot>& typed, const std::vector<int>& lines, const ShotFitInputs& in,
                    bool fit_mv) {
    FitWindow& f = fit_of(app);
    const ShotUnits u = shot_units(app.state);
    if (!typed.empty()) {
        if (const auto problem = check_shots(typed, in, false)) {
            const auto at = static_cast<std::size_t>(problem->shot);
            tell(app, shot_problem_text(*problem, problem->shot < 0 ? "" : shot_name(lines[at]), in, u));
            return;
        }
    }
    // The fit's own marks are judged afresh; a shot the user took back in stays in.
    ShotString judged = *f.string;
    forget_outlier_marks(judged);
    std::vector<FitShot> shots;
    if (!typed.empty()) shots.push_back(typed_fit_shot(typed));
    const std::vector<FitShot> from = string_fit_shots(judged, true);
    shots.insert(shots.end(), from.begin(), from.end());
    StringFitOptions options;
    options.mv = fit_mv ? MvChoice::All : MvChoice::Extrapolated;
    options.groups = {string_source_text(judged)};
    fit_beside<StringFit>(
        app, "Fitting " + std::to_string(shots.size()) + " shots of the string under the drag laws…",
        [shots, in, options](const WorkControl& c) {
            StringFitOptions controlled = options;
            controlled.cancelled = c.cancelled;
            controlled.progress = c.progress;
            return fit_string(shots, in, controlled);
        },
        [&app, shots, typed, lines, in, options](StringFit fit) {
            forget_outlier_marks(*fit_of(app).string);
            show_string_fit(app, shots, typed, lines, in, options, fit);
        });
}

// The string's fit as it came back: its marks, its laws and its verdict in the window.
void show_string_fit(App& app, const std::vector<FitShot>& shots, const std::vector<Shot>& typed,
                     const std::vector<int>& lines, const ShotFitInputs& in, const StringFitOptions& options,
                     const StringFit& fit) {
    FitWindow& f = fit_of(app);
    const ShotUnits u = shot_units(app.state);
    for (const Outlier& o : fit.outliers) {
        const int k = shots[static_cast<std::size_t>(o.shot)].string_index;
        if (k < 0) continue;
        // "outlier: its G1 BC 0.0876 lies …", as the reader's own marks read.
        const std::string text = outlier_text(o, shots);
        const std::size_t why = text.find("set aside: ");
        f.string->shots[static_cast<std::size_t>(k)].marks.add(
            MarkKind::Outlier, "outlier: " + (why == std::string::npos ? text : text.substr(why + 11)));
    }
    f.string_mv_notes.assign(f.string->shots.size(), std::string());
    if (!fit.laws.empty()) {
        for (std::size_t i = 0; i < shots.size(); ++i) {
            const int k = shots[i].string_index;
            if (k >= 0)
                f.string_mv_notes[static_cast<std::size_t>(k)] =
                    mv_source_text(fit.plan[i].source, fit.laws.front().mv[i], u);
        }
    }
    string_marked_by_fit(app);

    f.fits.clear();
    const bool typed_in = !typed.empty() && fit.in_series.front();
    for (const StringLawFit& l : fit.laws) {
        LawFit series = l.series;
        // The list shows the typed shots' residuals.
        series.residuals = typed_in ? l.residuals.front() : std::vector<double>{};
        f.fits.push_back(series);
    }
    f.fitted_rows = typed_in ? lines : std::vector<int>{};
    f.fitted_mv = false;
    const MvSummary mv = mv_summary(*f.string);
    if (mv.count > 0) f.string_mv = static_cast<float>(mv.mean);
    show_laws(app, true);

    keep_fit_results(app, fit, shots, options.groups, in);
    CalcState flown = app.state;
    flown.MV = in.MV;
    f.status->setText(qs("Fitted " + std::to_string(shots.size()) + (shots.size() == 1 ? " shot" : " shots") +
                         " with " + fit_inputs_text(flown) + "; each shot's muzzle velocity as its results say."));
    if (!f.fits.empty()) f.laws->setFocus(Qt::OtherFocusReason);
}

// A fit runs beside the window (app/background.h), with its progress and Cancel once it takes a
// moment; its result is shown only when the shots are still those it fitted.
template <class Result>
void fit_beside(App& app, const std::string& caption, std::function<Result(const WorkControl&)> run,
                std::function<void(Result)> show) {
    FitWindow& f = fit_of(app);
    const unsigned changes = f.changes;
    App* a = &app;
    start_work_for<Result>(
        app, {"Fitting the Shots", caption, f.dialog, {}, {}}, std::move(run),
        [a, changes, show = std::move(show)](std::optional<Result> result) {
            FitWindow& w = fit_of(*a);
            if (!result) {
                w.status->setText(qs("The fit was stopped before it ended."));
                return;
            }
            if (w.changes != changes) {
                w.status->setText(qs("The shots changed while the fit ran: Fit again to fit them as they are now."));
                return;
            }
            // The Fit window takes the keyboard back from the progress it may have shown.
            if (w.dialog->isVisible()) w.dialog->activateWindow();
            show(std::move(*result));
        });
}

void run_fit(App& app) {
    FitWindow& f = fit_of(app);
    // A line with something unread or only half filled in is not taken silently.
    for (std::size_t line = 0; line < f.rows.size(); ++line) {
        const ShotRow& row = f.rows[line];
        if (is_empty(row)) continue;
        for (const auto& [entry, name] :
             {std::pair{&row.range, "range"}, {&row.value, "value"}, {&row.uncertainty, "uncertainty"}}) {
            if (!entry->unread.empty()) {
                tell(app, shot_name(static_cast<int>(line)) + ": the " + name + " '" + entry->unread +
                              "' cannot be read: " + entry->why + ".");
                return;
            }
        }
        if (!is_complete(row)) {
            tell(app, shot_name(static_cast<int>(line)) + ": give both its range and its value.");
            return;
        }
    }
    std::vector<int> lines;
    std::vector<Shot> shots = complete_shots(f, &lines);
    const bool fit_mv = f.fit_mv->isChecked();
    ShotFitInputs in = shot_fit_inputs(app.state);
    f.string_mv.reset();
    forget_fit_results(app);
    // With a drag table the string's measurements are fitted together, the table ranked among the laws.
    const std::shared_ptr<const TabulatedDragCurve> table = window_table(app);
    if (f.string && has_downrange_data(*f.string) && !table) {
        run_string_fit(app, shots, lines, in, fit_mv);
        return;
    }
    // The imported string's measurements follow the typed shots.
    std::vector<std::string> string_names;
    const std::string string_note = add_string_shots(app, shots, string_names, in.MV);
    if (const auto problem = check_shots(shots, in, fit_mv)) {
        const auto at = static_cast<std::size_t>(problem->shot);
        const std::string name = problem->shot < 0   ? ""
                                 : at < lines.size() ? shot_name(lines[at])
                                                     : "The imported " + string_names[at - lines.size()];
        tell(app, shot_problem_text(*problem, name, in, shot_units(app.state)));
        return;
    }
    const FlightInputs flight = flight_inputs(app.state);
    fit_beside<WindowFits>(
        app, "Fitting " + std::to_string(shots.size()) + " shots under the drag laws…",
        [shots, in, fit_mv, flight, table](const WorkControl& c) {
            std::vector<LawFit> fits = fit_shots(shots, in, {fit_mv, {}}, FitControl{c.cancelled, c.progress});
            if (c.cancelled && c.cancelled()) return WindowFits{std::move(fits), false};
            return with_table_fit(std::move(fits), shots, in, flight, table);
        },
        [&app, lines, fit_mv, in, string_note](WindowFits fits) {
            FitWindow& w = fit_of(app);
            w.fits = std::move(fits.fits);
            w.fitted_rows = lines;
            w.fitted_mv = fit_mv;
            table_fitted(app, fits.beyond_table);
            show_laws(app, true);
            CalcState flown = app.state;
            flown.MV = in.MV;
            w.status->setText(qs("Fitted with " + fit_inputs_text(flown) +
                                 (string_note.empty() ? "" : "; " + string_note) +
                                 (fit_mv ? "; the muzzle velocity fitted too." : ".")));
            w.laws->setFocus(Qt::OtherFocusReason);
        });
}

void use_fit(App& app) {
    FitWindow& f = fit_of(app);
    const int chosen = f.laws->currentRow();
    if (chosen < 0 || chosen >= static_cast<int>(f.fits.size())) return;
    const LawFit fit = f.fits[static_cast<std::size_t>(chosen)];
    if (fit.outcome != FitOutcome::Fitted || fit.law == DragTableLaw) return;
    std::optional<std::string> mv_text;
    if (f.string_mv) {
        // The string's mean muzzle velocity, with the decimals the field shows.
        const int unit = app.state.stateMV;
        mv_text = format_fixed(to_display(Quantity::Velocity, unit, *f.string_mv, app.state.TMP),
                               unit_decimals(Quantity::Velocity, unit));
    } else if (f.fitted_mv) {
        const int unit = app.state.stateMV;
        mv_text = format_fixed(to_display(Quantity::Velocity, unit, fit.MV, app.state.TMP),
                               unit_decimals(Quantity::Velocity, unit) + 1);
    }
    const std::string bc = format_fixed(fit.BC, 4);
    if (enter_fitted_values(app, fit.law, bc, mv_text))
        f.status->setText(qs(drag_law_name(fit.law) + " and BC " + bc + (mv_text ? " with its muzzle velocity" : "") +
                             " entered in the main window."));
    else
        f.status->setText(qs("The main window kept its drag law: its BC under " + drag_law_name(fit.law) +
                             " would leave 0.004 to 1.2."));
}

// The shots of the file beside the preferences. A file that cannot be read is told and left alone
// for the run. Lines that cannot be read are reported, and the file as it was is set aside as
// "Velora.shots.csv.bad" (renamed, never copied) before the shots read are saved in its place.
void load_shots(App& app) {
    FitWindow& f = fit_of(app);
    f.shots_file.path = shots_file_path(app.state);
    const KeptFileRead file = read_kept(f.shots_file, LargestShotsFile);
    if (file.state == KeptFileState::Refused) tell_unreadable(app, f.shots_file, "The shots");
    if (file.state != KeptFileState::Read) return;
    const ShotsText read = parse_shots_text(file.bytes);
    for (const Shot& shot : read.shots) {
        ShotRow row;
        row.quantity = shot.quantity;
        row.range.value = shot.range;
        row.value.value = shot.value;
        row.uncertainty.value = shot.uncertainty;
        f.rows.push_back(row);
    }
    if (read.errors.empty()) return;
    const std::optional<std::string> aside = set_aside(f.shots_file.path);
    std::string message = "Some lines of " + std::string(ShotsFileName) + " could not be read";
    if (aside) {
        message += "; the file as it was is kept as " + *aside + ".";
        f.shots_file.stamp.reset();
        save_shots(app);
    } else {
        // Not set aside: nothing is written over it in this run.
        message += ", and it is left as it is: the shots are not saved in it in this run.";
        f.shots_file.refusal = "some of its lines could not be read";
    }
    for (const ShotsLineError& e : read.errors) message += "\rLine " + std::to_string(e.line) + ": " + e.reason + ".";
    tell(app, message);
}

void describe(QWidget* w, const char* name, const char* description) {
    w->setAccessibleName(QString::fromUtf8(name));
    w->setAccessibleDescription(QString::fromUtf8(description));
}

QTableWidget* make_table(QWidget* parent, const QStringList& headers) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->setVisible(true);
    // Each column at least as wide as its header in every unit; the last shown takes the rest.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Measured on the rows in sight only: a list of thousands of shots would be measured whole at
    // every change of a cell, and the window would freeze.
    table->horizontalHeader()->setResizeContentsPrecision(0);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectItems);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    return table;
}

void build_fit_window(App& app) {
    app.fit_window = std::make_shared<FitWindow>();
    FitWindow& f = fit_of(app);
    QWidget* main = app.window.window.get();
    f.dialog = new QDialog(main, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                     Qt::WindowCloseButtonHint);
    f.dialog->setWindowTitle(QString::fromUtf8(FitWindowTitle));
    f.dialog->setModal(false);
    f.dialog->resize(900, 900);
    describe(f.dialog, FitWindowTitle, "Fits the BC under every drag law to shots measured at several ranges");

    // Everything but the status and the window's buttons scrolls, so that on a low screen the window
    // still fits and Use and Close stay in sight.
    auto* outer = new QVBoxLayout(f.dialog);
    auto* scroll = new QScrollArea(f.dialog);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* body = new QWidget(scroll);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(body);
    outer->addWidget(scroll, 1);
    // The body fills the view and scrolls only below the height its parts need. (A resizable scroll
    // area would give it the height its wrapped captions prefer, and scroll on every screen.)
    QWidget* view = scroll->viewport();
    view->installEventFilter(new EventWatcher(view, QEvent::Resize, [view, body] {
        body->resize(view->width(), std::max(view->height(), body->minimumSizeHint().height()));
    }));
    auto* shots_caption = new QLabel(QStringLiteral("&Shots (an empty uncertainty takes the default):"), f.dialog);
    describe(shots_caption, "Shots", "Caption of the list of shots");
    layout->addWidget(shots_caption);
    f.shots = make_table(f.dialog, {"Range", "Quantity", "Value", "Uncertainty", "Residual"});
    f.shots->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                             QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    f.shots->setTabKeyNavigation(true);
    f.shots->setItemDelegateForColumn(ColumnQuantity,
                                      new QuantityDelegate(f.shots, [&app] { return shot_units(app.state); }));
    describe(f.shots, "Shots",
             "One shot a line: its range, what was measured, the value and its standard uncertainty, in the main "
             "window's units. Type into the empty last line to add a shot.");
    shots_caption->setBuddy(f.shots);
    layout->addWidget(f.shots, 2);

    auto* shot_buttons = new QHBoxLayout;
    f.add = new QPushButton(QStringLiteral("&Add Shot"), f.dialog);
    describe(f.add, "Add Shot", "Moves to the empty last line of the list to type a new shot");
    f.remove = new QPushButton(QStringLiteral("&Remove Shot"), f.dialog);
    describe(f.remove, "Remove Shot", "Removes the shot of the current line");
    f.fit_mv = new QCheckBox(QStringLiteral("Fit the &muzzle velocity too"), f.dialog);
    describe(f.fit_mv, "Fit the muzzle velocity too",
             "Fits the muzzle velocity together with the BC instead of taking the main window's");
    f.fit = new QPushButton(QStringLiteral("&Fit"), f.dialog);
    describe(f.fit, "Fit", "Fits the BC under each of the ten drag laws to the shots and ranks the laws");
    shot_buttons->addWidget(f.add);
    shot_buttons->addWidget(f.remove);
    shot_buttons->addStretch();
    auto* table_buttons = new QHBoxLayout;
    shot_buttons->addLayout(table_buttons);
    shot_buttons->addWidget(f.fit_mv);
    shot_buttons->addWidget(f.fit);
    layout->addLayout(shot_buttons);

    build_string_part(app, layout);
    build_projectile_part(app, layout);

    auto* laws_caption = new QLabel(QStringLiteral("Drag &laws, best first:"), f.dialog);
    describe(laws_caption, "Drag laws", "Caption of the ranked drag laws");
    layout->addWidget(laws_caption);
    f.laws = make_table(f.dialog, {"Drag Law", "BC", "Interval", "RMS", "Muzzle Velocity", "Form Factor"});
    f.laws->setEditTriggers(QAbstractItemView::NoEditTriggers);
    f.laws->setSelectionBehavior(QAbstractItemView::SelectRows);
    f.laws->setTabKeyNavigation(false);
    f.laws->setColumnHidden(4, true);
    describe(f.laws, "Drag laws",
             "The ten drag laws ranked by the weighted rms of their residuals (1 means the shots scatter as their "
             "uncertainties say), each with its BC and interval; choose one to see its residuals");
    laws_caption->setBuddy(f.laws);
    layout->addWidget(f.laws, 2);
    build_table_part(app, table_buttons, layout);
    build_fit_results(app, layout);
    add_drag_curve_tab(app, f.results->tabs);

    f.status = new QLabel(f.dialog);
    f.status->setWordWrap(true);
    describe(f.status, "Fit status", "The inputs of the last fit, or what Use entered in the main window");
    outer->addWidget(f.status);

    auto* window_buttons = new QHBoxLayout;
    f.use = new QPushButton(QStringLiteral("&Use"), f.dialog);
    describe(f.use, "Use", "Enters the chosen drag law and its BC in the main window, as if typed there");
    f.use->setEnabled(false);
    f.close = new QPushButton(QStringLiteral("&Close"), f.dialog);
    describe(f.close, "Close", "Closes this window; the shots are kept");
    add_fit_report_buttons(app, window_buttons);
    window_buttons->addStretch();
    window_buttons->addWidget(f.use);
    window_buttons->addWidget(f.close);
    outer->addLayout(window_buttons);

    // Return belongs to the list's editing, not to a default button.
    for (QPushButton* b : {f.add, f.remove, f.fit, f.save_report, f.use, f.close}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    QWidget::setTabOrder(f.shots, f.add);
    QWidget::setTabOrder(f.add, f.remove);
    QWidget::setTabOrder(f.remove, f.table->load);
    QWidget::setTabOrder(f.table->load, f.table->remove);
    QWidget::setTabOrder(f.table->remove, f.fit_mv);
    QWidget::setTabOrder(f.fit_mv, f.fit);
    QWidget::setTabOrder(f.fit, f.string_view);
    QWidget::setTabOrder(f.string_view, f.import);
    QWidget::setTabOrder(f.import, f.use_mean);
    QWidget::setTabOrder(f.use_mean, f.forget);
    QWidget::setTabOrder(f.forget, f.laws);
    QWidget::setTabOrder(f.laws, fit_results_focus(app));
    QWidget::setTabOrder(fit_results_focus(app), f.save_report);
    QWidget::setTabOrder(f.save_report, f.use);
    QWidget::setTabOrder(f.use, f.close);

    App* a = &app;
    QObject::connect(f.shots, &QTableWidget::itemChanged, f.dialog,
                     [a](QTableWidgetItem* item) { cell_changed(*a, item); });
    QObject::connect(f.add, &QPushButton::clicked, f.dialog, [a] { add_shot(*a); });
    QObject::connect(f.remove, &QPushButton::clicked, f.dialog, [a] { remove_shot(*a); });
    QObject::connect(f.fit, &QPushButton::clicked, f.dialog, [a] { run_fit(*a); });
    QObject::connect(f.use, &QPushButton::clicked, f.dialog, [a] { use_fit(*a); });
    QObject::connect(f.close, &QPushButton::clicked, f.dialog, &QDialog::close);
    QObject::connect(f.laws, &QTableWidget::currentCellChanged, f.dialog,
                     [a](int, int, int, int) { enable_choices(*a); });
    auto* watcher = new EventWatcher(f.dialog, QEvent::WindowActivate, [a] {
        // The main window's units may have changed while this window was in the background.
        for (int line = 0; line < a->fit_window->shots->rowCount(); ++line) show_row(*a, line);
        show_laws(*a, false);
        show_string(*a);
    });
    f.dialog->installEventFilter(watcher);
    f.watcher = watcher;

    load_shots(app);
    keep_one_empty_line(app);
    load_string(app);
    load_kept_table(app);
    if (app.state.DarkMode) theme_fit_window(f.dialog);
    mark_focus_in(f.dialog);
    // Only the height scrolls: the window is never narrower than its parts and the scroll bar.
    scroll->setMinimumWidth(body->minimumSizeHint().width() + scroll->verticalScrollBar()->sizeHint().width());
    if (main) {
        // Beside the main window, kept on the screen.
        const QRect frame = main->frameGeometry();
        const QScreen* screen = main->screen();
        const QRect area = screen ? screen->availableGeometry() : frame;
        const int decoration = frame.height() - main->geometry().height();
        f.dialog->resize(f.dialog->width(), fit_window_height(f.dialog->height(), f.dialog->minimumSizeHint().height(),
                                                              decoration, area.height()));
        const QSize size = f.dialog->frameGeometry().size().expandedTo(f.dialog->size());
        const WindowSpot spot = fit_window_spot(frame.x(), frame.y(), frame.width(), size.width(), size.height(),
                                                area.x(), area.y(), area.width(), area.height());
        int x = spot.x, y = spot.y;
        place_on_screen(*f.dialog, x, y);
    }
}

}  // namespace

void refresh_fit_results(App& app) { show_laws(app, true); }

int fit_window_height(int wanted, int least, int frame, int area_height) {
    return std::max(least, std::min(wanted, area_height - frame));
}

WindowSpot fit_window_spot(int main_x, int main_y, int main_width, int width, int height, int area_x, int area_y,
                           int area_width, int area_height) {
    constexpr int Gap = 8;
    const int area_right = area_x + area_width, area_bottom = area_y + area_height;
    const int y = std::clamp(main_y, area_y, std::max(area_y, area_bottom - height));
    if (main_x + main_width + Gap + width <= area_right) return {main_x + main_width + Gap, y};
    if (main_x - Gap - width >= area_x) return {main_x - Gap - width, y};
    return {std::max(area_x, area_right - width), y};
}

bool paste_typed_rows(App& app, const std::string& text) {
    FitWindow& f = fit_of(app);
    const ShotUnits u = shot_units(app.state);
    std::vector<ShotRow> pasted;
    for (const std::string& line : text_lines(text)) {
        if (trim(line).empty()) continue;
        const std::vector<std::string> fields = split_fields(line, guess_delimiter(line));
        if (fields.size() < 3 || fields.size() > 4) return false;
        ShotRow row;
        const std::string named = lower_case(fields[1]);
        std::optional<ShotQuantity> q = shot_quantity_named(named);
        for (int k = 0; !q && k < ShotQuantityCount; ++k)
            if (named == lower_case(shot_quantity_caption(static_cast<ShotQuantity>(k), u)))
                q = static_cast<ShotQuantity>(k);
        if (!q) return false;
        row.quantity = *q;
        take_entry(row.range, fields[0], [&](std::string_view t) { return read_shot_range(t, u); });
        take_entry(row.value, fields[2], [&](std::string_view t) { return read_shot_value(t, row.quantity, u); });
        if (fields.size() == 4) read_uncertainty(row, fields[3], u);
        if (!is_complete(row)) return false;
        pasted.push_back(row);
    }
    if (pasted.empty()) return false;
    // Before the empty last line.
    if (!f.rows.empty() && is_empty(f.rows.back())) f.rows.pop_back();
    f.rows.insert(f.rows.end(), pasted.begin(), pasted.end());
    keep_one_empty_line(app);
    forget_fit(app);
    save_shots(app);
    f.status->setText(
        qs(std::to_string(pasted.size()) + (pasted.size() == 1 ? " shot" : " shots") + " pasted into the list."));
    return true;
}

void save_beside_preferences(App& app, KeptFile& file, const std::string& text, bool& failed, const std::string& what,
                             const std::function<void()>& reload) {
    KeptSaveOutcome saved = save_kept(file, text);
    if (saved.result == KeptSave::Changed) {
        const std::string question = what + " in " + file.path +
                                     " were changed by another program since this window read them.\rReplace them "
                                     "with what this window shows? (No reads the file again.)";
        const bool replace = app.dialogs.message && app.dialogs.message({FitWindowTitle, question,
                                                                         MessageButtons::YesNo}) == MessageAnswer::Yes;
        if (!replace) {
            QTimer::singleShot(0, app.fit_window->dialog, reload);
            return;
        }
        saved = save_kept(file, text, true);
    }
    if (saved.result == KeptSave::NotWritten) {
        app.fit_window->status->setText(
            qs(what + " are not saved in this run: " + file.path + " could not be read (" + saved.reason + ")."));
        return;
    }
    if (saved.result == KeptSave::Saved) {
        failed = false;
        return;
    }
    const std::string message = what + " could not be saved in " + file.path + ": " + saved.reason + ".";
    app.fit_window->status->setText(qs(message));
    if (!failed) tell(app, message);
    failed = true;
}

void commit_open_cell(App& app) {
    if (!app.fit_window) return;
    QTableWidget* table = app.fit_window->shots;
    QWidget* editor = QApplication::focusWidget();
    if (editor == nullptr || editor == table || !table->isAncestorOf(editor)) return;
    QMetaObject::invokeMethod(table, "commitData", Qt::DirectConnection, Q_ARG(QWidget*, editor));
}

void tell_unreadable(App& app, const KeptFile& file, const std::string& what) {
    const std::string message = what + " could not be read from " + file.path + " (" + file.refusal.value_or("") +
                                "). The file is left as it is: changes are not saved in it in this run.";
    std::fprintf(stderr, "Velora: %s\n", message.c_str());
    std::fflush(stderr);
    app.fit_window->status->setText(qs(message));
    tell(app, message);
}

std::vector<Shot> complete_shots(const FitWindow& f, std::vector<int>* lines) {
    std::vector<Shot> shots;
    for (std::size_t line = 0; line < f.rows.size(); ++line) {
        const ShotRow& row = f.rows[line];
        if (!is_complete(row)) continue;
        shots.push_back(Shot{*row.range.value, row.quantity, *row.value.value, row.uncertainty.value});
        if (lines) lines->push_back(static_cast<int>(line));
    }
    return shots;
}

void show_fit_window(App& app) {
    if (!app.fit_window) build_fit_window(app);
    FitWindow& f = fit_of(app);
    for (int line = 0; line < f.shots->rowCount(); ++line) show_row(app, line);
    show_laws(app, false);
    f.dialog->show();
    f.dialog->raise();
    f.dialog->activateWindow();
    f.shots->setFocus(Qt::OtherFocusReason);
    if (f.shots->currentRow() < 0) f.shots->setCurrentCell(0, ColumnRange);
}

}  // namespace velora
