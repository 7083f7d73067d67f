#include "app/fit_import.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

#include "app/app.h"
#include "app/background.h"
#include "app/dispatch.h"
#include "app/fit_projectile.h"
#include "app/fit_window.h"
#include "engine/number_text.h"
#include "engine/units.h"
#include "services/file_replace.h"
#include "services/preferences.h"
#include "services/readers/string_texts.h"
#include "services/readers/text_input.h"
#include "solver/fit_energy.h"
#include "solver/fit_texts.h"

namespace velora {

namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

const QColor SetAsideColour(128, 128, 128);

// What a line of the view stands for: a shot, one of its measurements, its track, or a sample.
enum ItemKind : int { ShotItem = 0, MeasurementItem = 1, TrackItem = 2, SampleItem = 3 };
constexpr int KindRole = Qt::UserRole;
constexpr int ShotRole = Qt::UserRole + 1;
constexpr int IndexRole = Qt::UserRole + 2;

enum StringColumn : int { ColumnShot = 0, ColumnMv = 1, ColumnWhat = 2, ColumnTrack = 3, ColumnEnergy = 4 };

FitWindow& fit_of(App& app) { return *app.fit_window; }

std::string string_file_path(const CalcState& s) { return s.PrefsFolder + StringFileName; }

void tell(App& app, const std::string& text) {
    if (app.dialogs.message) app.dialogs.message({FitWindowTitle, text, MessageButtons::Ok});
}

// The string after every change, whole; with no string the file goes.
void save_string(App& app) {
    FitWindow& f = fit_of(app);
    const std::string path = string_file_path(app.state);
    if (!f.string) {
        // A file this run could not read stays for the user.
        if (f.string_file.refusal) return;
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
        f.string_file.stamp.reset();
        return;
    }
    save_beside_preferences(app, f.string_file, string_json(*f.string), f.string_save_failed, "The imported string",
                            [&app] {
                                fit_of(app).string.reset();
                                load_string(app);
                            });
}

Marks* marks_of(FitWindow& f, const QTreeWidgetItem* item) {
    if (!f.string) return nullptr;
    const auto shot = static_cast<std::size_t>(item->data(0, ShotRole).toInt());
    const auto index = static_cast<std::size_t>(item->data(0, IndexRole).toInt());
    if (shot >= f.string->shots.size()) return nullptr;
    StringShot& s = f.string->shots[shot];
    switch (item->data(0, KindRole).toInt()) {
        case ShotItem: return &s.marks;
        case MeasurementItem: return index < s.measurements.size() ? &s.measurements[index].marks : nullptr;
        case SampleItem: return index < s.track.size() ? &s.track[index].marks : nullptr;
        default: return nullptr;
    }
}

// A line's check box, colour, tooltip and description from its marks.
void show_marks(QTreeWidgetItem* item, const Marks& m, const std::string& what) {
    item->setCheckState(ColumnShot, m.used() ? Qt::Checked : Qt::Unchecked);
    const std::string reasons = m.reasons();
    const std::string tip = m.marks.empty() ? what + ": in use"
                            : m.used()      ? what + ": taken in despite: " + reasons
                                            : what + ": set aside: " + reasons;
    for (int c = 0; c <= ColumnEnergy; ++c) {
        item->setForeground(c, m.used() ? QBrush() : QBrush(SetAsideColour));
        item->setToolTip(c, qs(tip));
        item->setData(c, Qt::AccessibleDescriptionRole, qs(tip));
    }
}

QTreeWidgetItem* new_item(QTreeWidgetItem* parent, ItemKind kind, int shot, int index) {
    auto* item = new QTreeWidgetItem(parent);
    item->setData(0, KindRole, kind);
    item->setData(0, ShotRole, shot);
    item->setData(0, IndexRole, index);
    return item;
}

std::string value_text(const Measurement& m, const ShotUnits& u) {
    return shot_quantity_caption(m.quantity, u) + " " + shot_value_text(m.quantity, m.value, u) + " at " +
           shot_range_text(m.range, u) + " " + unit_caption(Quantity::Range, u.range);
}

void fill_view(App& app) {
    FitWindow& f = fit_of(app);
    const QSignalBlocker quiet(f.string_view);
    f.string_view->clear();
    if (!f.string) return;
    const ShotUnits u = shot_units(app.state);
    const int mv_unit = app.state.stateMV;
    f.string_view->setHeaderLabels(
        {QStringLiteral("Shot"), qs("Muzzle Velocity (" + std::string(unit_caption(Quantity::Velocity, mv_unit)) + ")"),
         QStringLiteral("Measurements"), QStringLiteral("Track"), QStringLiteral("Muzzle Energy")});
    const std::optional<double> weight = fit_projectile(app).weight_gr;
    const auto mv_text = [&](float v) {
        return format_fixed(to_display(Quantity::Velocity, mv_unit, v, app.state.TMP),
                            unit_decimals(Quantity::Velocity, mv_unit) + 1);
    };
    for (std::size_t i = 0; i < f.string->shots.size(); ++i) {
        const StringShot& shot = f.string->shots[i];
        const int si = static_cast<int>(i);
        auto* top = new QTreeWidgetItem(f.string_view);
        top->setData(0, KindRole, ShotItem);
        top->setData(0, ShotRole, si);
        top->setData(0, IndexRole, 0);
        top->setFlags(top->flags() | Qt::ItemIsUserCheckable);
        const std::string name = "Shot " + (shot.id.empty() ? std::to_string(i + 1) : shot.id);
        top->setText(ColumnShot, qs(name));
        std::string mv = shot.MV ? mv_text(*shot.MV) + (shot.mv_kind == MvKind::Extrapolated ? " (extrapolated)" : "")
                                 : std::string("none");
        // How the last fit flew it.
        if (i < f.string_mv_notes.size() && !f.string_mv_notes[i].empty()) mv += "; flown: " + f.string_mv_notes[i];
        top->setText(ColumnMv, qs(mv));
        std::string what;
        for (const Measurement& m : shot.measurements)
            if (m.marks.used()) what += (what.empty() ? "" : "; ") + shot_value_text(m.quantity, m.value, u);
        top->setText(ColumnWhat, qs(std::to_string(shot.measurements.size()) +
                                    (shot.measurements.size() == 1 ? " measurement" : " measurements") +
                                    (what.empty() ? "" : ": " + what)));
        top->setText(ColumnTrack, shot.track.empty() ? QString() : qs(std::to_string(shot.track.size()) + " samples"));
        top->setText(ColumnEnergy, qs(shot_energy_text(weight, shot.MV)));
        show_marks(top, shot.marks, name);
        for (std::size_t k = 0; k < shot.measurements.size(); ++k) {
            const Measurement& m = shot.measurements[k];
            QTreeWidgetItem* item = new_item(top, MeasurementItem, si, static_cast<int>(k));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setText(ColumnShot, qs(m.label.empty() ? "Measurement " + std::to_string(k + 1) : m.label));
            item->setText(ColumnWhat, qs(value_text(m, u)));
            show_marks(item, m.marks, name + ", " + value_text(m, u));
        }
        if (shot.track.empty()) continue;
        // The track as a count that opens to its samples.
        QTreeWidgetItem* track = new_item(top, TrackItem, si, 0);
        track->setText(ColumnShot, QStringLiteral("Track"));
        track->setText(ColumnTrack, qs(std::to_string(shot.track.size()) + " samples"));
        track->setData(0, Qt::AccessibleDescriptionRole,
                       qs(name + ": its radar track, " + std::to_string(shot.track.size()) + " samples"));
        for (std::size_t k = 0; k < shot.track.size(); ++k) {
            const TrackSample& t = shot.track[k];
            QTreeWidgetItem* item = new_item(track, SampleItem, si, static_cast<int>(k));
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            const std::string sample = format_fixed(t.time * 1000.0f, 1) +
                                       " ms: " + shot_value_text(ShotQuantity::Velocity, t.velocity, u) + " " +
                                       unit_caption(Quantity::Velocity, u.velocity) + " at " +
                                       shot_range_text(t.range, u) + " " + unit_caption(Quantity::Range, u.range);
            item->setText(ColumnShot, qs("Sample " + std::to_string(k + 1)));
            item->setText(ColumnTrack, qs(sample));
            show_marks(item, t.marks, name + ", track sample " + std::to_string(k + 1));
        }
    }
    for (int c : {ColumnShot, ColumnMv, ColumnWhat}) f.string_view->resizeColumnToContents(c);
}

void show_summary(App& app) {
    FitWindow& f = fit_of(app);
    if (!f.string) {
        f.string_summary->setText(
            QStringLiteral("No string imported: Import… (Ctrl+O), drop files or a folder here, "
                           "or paste rows (Ctrl+V)."));
        f.string_summary->setAccessibleDescription(QStringLiteral("No string imported"));
        f.use_mean->setEnabled(false);
        f.forget->setEnabled(false);
        return;
    }
    const ShotString& s = *f.string;
    std::string text =
        string_source_text(s) + ": " + std::to_string(s.shots.size()) + (s.shots.size() == 1 ? " shot" : " shots");
    if (s.projectile.weight_gr)
        text += "; projectile " + format_fixed(*s.projectile.weight_gr, 1) + " gr as set on the device";
    const MvSummary mv = mv_summary(s);
    if (mv.count > 0) text += ".\rMuzzle velocity: " + mv_summary_text(mv, app.state.stateMV, app.state.TMP);
    std::string shown;
    for (const char c : text) shown += c == '\r' ? '\n' : c;
    f.string_summary->setText(qs(shown + "."));
    f.string_summary->setAccessibleDescription(qs(shown));
    f.use_mean->setEnabled(mv.count > 0);
    f.forget->setEnabled(true);
}

void string_changed(App& app) {
    save_string(app);
    show_summary(app);
    // A fit of the string as it was is stale now.
    FitWindow& f = fit_of(app);
    ++f.changes;
    // How the last fit flew each shot no longer holds.
    f.string_mv_notes.clear();
    {
        const QSignalBlocker quiet(f.string_view);
        for (int k = 0; k < f.string_view->topLevelItemCount(); ++k) {
            QTreeWidgetItem* item = f.string_view->topLevelItem(k);
            const QString mv = item->text(ColumnMv);
            const qsizetype at = mv.indexOf(QStringLiteral("; flown: "));
            if (at >= 0) item->setText(ColumnMv, mv.left(at));
        }
    }
    f.fits.clear();
    f.fitted_rows.clear();
    refresh_fit_results(app);
}

void take_string(App& app, StringRead read) {
    FitWindow& f = fit_of(app);
    if (!read.ok()) {
        tell(app, "Nothing was imported. " + read.error.text() + ".");
        return;
    }
    f.string = std::move(read.string);
    f.string_mv_notes.clear();
    fill_view(app);
    string_changed(app);
    f.status->setText(qs("Imported " + string_source_text(*f.string) + "."));
}

// A file read beside the window (app/background.h), with its progress and Cancel once it takes
// a moment; a cancelled import leaves the window's string as it was.
struct Imported {
    StringRead read;
    std::string refused;  // a file that could not be read at all: why
};

void import_beside(App& app, const std::string& caption, std::function<Imported()> read) {
    App* a = &app;
    start_work_for<Imported>(
        app, {"Importing a Shot String", caption, fit_of(app).dialog, {}, {}},
        [read = std::move(read)](const WorkControl&) { return read(); },
        [a](std::optional<Imported> imported) {
            if (!imported) {
                fit_of(*a).status->setText(QStringLiteral("The import was cancelled; the string is as it was."));
                return;
            }
            if (!imported->refused.empty()) {
                tell(*a, "Nothing was imported. " + imported->refused + ".");
                return;
            }
            take_string(*a, std::move(imported->read));
        });
}

void item_changed(App& app, QTreeWidgetItem* item, int column) {
    FitWindow& f = fit_of(app);
    if (column != ColumnShot) return;
    Marks* m = marks_of(f, item);
    if (!m) return;
    const bool use = item->checkState(ColumnShot) == Qt::Checked;
    if (use == m->used()) return;
    m->set_used(use);
    {
        const QSignalBlocker quiet(f.string_view);
        show_marks(item, *m, item->toolTip(ColumnShot).section(':', 0, 0).toStdString());
    }
    string_changed(app);
}

void use_mean(App& app) {
    FitWindow& f = fit_of(app);
    if (!f.string) return;
    const MvSummary mv = mv_summary(*f.string);
    if (mv.count == 0) return;
    const int unit = app.state.stateMV;
    // With the decimals the field shows.
    const std::string text =
        format_fixed(to_display(Quantity::Velocity, unit, static_cast<float>(mv.mean), app.state.TMP),
                     unit_decimals(Quantity::Velocity, unit));
    enter_muzzle_velocity(app, text);
    f.status->setText(qs("Muzzle velocity " + text + " " + unit_caption(Quantity::Velocity, unit) + ", the mean of " +
                         std::to_string(mv.count) +
                         " shots, entered in the main window; its tolerance is left as it was."));
}

void forget_string(App& app) {
    FitWindow& f = fit_of(app);
    f.string.reset();
    f.string_mv_notes.clear();
    fill_view(app);
    string_changed(app);
    f.status->setText(QStringLiteral("The imported string was removed."));
}

// Files dropped on the window or pasted as a list of files.
class DropWatcher : public QObject {
public:
    DropWatcher(QObject* parent, App* app) : QObject(parent), app_(app) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto* e = static_cast<QDropEvent*>(event);
            if (e->mimeData()->hasUrls()) {
                e->acceptProposedAction();
                return true;
            }
        }
        if (event->type() == QEvent::Drop) {
            auto* e = static_cast<QDropEvent*>(event);
            std::vector<std::string> paths;
            for (const QUrl& url : e->mimeData()->urls())
                if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
            e->acceptProposedAction();
            if (!paths.empty()) import_dropped(*app_, paths);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    App* app_;
};

}  // namespace

void build_string_part(App& app, QVBoxLayout* layout) {
    FitWindow& f = fit_of(app);
    auto* caption = new QLabel(
        QStringLiteral("Imported s&tring (a check box takes a shot, a measurement or a sample in or out):"), f.dialog);
    caption->setAccessibleName(QStringLiteral("Imported string"));
    caption->setAccessibleDescription(QStringLiteral("Caption of the imported shot string"));
    layout->addWidget(caption);
    f.string_view = new QTreeWidget(f.dialog);
    f.string_view->setColumnCount(5);
    f.string_view->setHeaderLabels({QStringLiteral("Shot"), QStringLiteral("Muzzle Velocity"),
                                    QStringLiteral("Measurements"), QStringLiteral("Track"),
                                    QStringLiteral("Muzzle Energy")});
    f.string_view->header()->setStretchLastSection(true);
    f.string_view->setAccessibleName(QStringLiteral("Imported string"));
    f.string_view->setAccessibleDescription(QStringLiteral(
        "The imported shots, each with its muzzle velocity, its measurements, its radar track and its energy at "
        "the muzzle with the projectile's weight. "
        "What the reader set aside is greyed, with its reason; Space takes the current line in or out."));
    caption->setBuddy(f.string_view);
    layout->addWidget(f.string_view, 3);
    f.string_summary = new QLabel(f.dialog);
    f.string_summary->setWordWrap(true);
    // Two lines at least: the source, then the spread of the muzzle velocities.
    f.string_summary->setMinimumHeight(2 * f.string_summary->fontMetrics().lineSpacing() + 4);
    f.string_summary->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    f.string_summary->setAccessibleName(QStringLiteral("String summary"));
    f.string_summary->setAccessibleDescription(
        QStringLiteral("What was imported and the spread of its muzzle velocities"));
    layout->addWidget(f.string_summary);

    auto* buttons = new QHBoxLayout;
    f.import = new QPushButton(QStringLiteral("&Import…"), f.dialog);
    f.import->setAccessibleName(QStringLiteral("Import"));
    f.import->setAccessibleDescription(QStringLiteral("Reads a chronograph's or radar's file, folder or zip (Ctrl+O)"));
    f.use_mean = new QPushButton(QStringLiteral("Use the Mean &Velocity"), f.dialog);
    f.use_mean->setAccessibleName(QStringLiteral("Use the Mean Velocity"));
    f.use_mean->setAccessibleDescription(QStringLiteral(
        "Enters the mean muzzle velocity of the shots in use in the main window's muzzle velocity field"));
    f.forget = new QPushButton(QStringLiteral("Rem&ove Import"), f.dialog);
    f.forget->setAccessibleName(QStringLiteral("Remove Import"));
    f.forget->setAccessibleDescription(QStringLiteral("Removes the imported string; the typed shots stay"));
    for (QPushButton* b : {f.import, f.use_mean, f.forget}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    App* a = &app;
    QObject::connect(f.import, &QPushButton::clicked, f.dialog, [a] { import_dialog(*a); });
    QObject::connect(f.use_mean, &QPushButton::clicked, f.dialog, [a] { use_mean(*a); });
    QObject::connect(f.forget, &QPushButton::clicked, f.dialog, [a] { forget_string(*a); });
    QObject::connect(f.string_view, &QTreeWidget::itemChanged, f.dialog,
                     [a](QTreeWidgetItem* item, int column) { item_changed(*a, item, column); });
    auto* open = new QShortcut(QKeySequence::Open, f.dialog);
    QObject::connect(open, &QShortcut::activated, f.dialog, [a] { import_dialog(*a); });
    // Ctrl+V where no cell is being edited (an open cell takes its own paste).
    auto* paste = new QShortcut(QKeySequence::Paste, f.dialog);
    QObject::connect(paste, &QShortcut::activated, f.dialog,
                     [a] { paste_rows(*a, QApplication::clipboard()->text().toStdString()); });
    f.dialog->setAcceptDrops(true);
    f.dialog->installEventFilter(new DropWatcher(f.dialog, a));
}

void load_string(App& app) {
    FitWindow& f = fit_of(app);
    f.string_file.path = string_file_path(app.state);
    const KeptFileRead file = read_kept(f.string_file, LargestStringInput);
    if (file.state == KeptFileState::Refused) tell_unreadable(app, f.string_file, "The imported string");
    if (file.state == KeptFileState::Read) {
        StringRead read = read_string_json(file.bytes, StringFileName);
        if (read.ok()) {
            f.string = std::move(read.string);
        } else {
            // Set aside by renaming; when it cannot be, it stays as it is for the run.
            const std::optional<std::string> aside = set_aside(f.string_file.path);
            if (aside)
                f.string_file.stamp.reset();
            else
                f.string_file.refusal = "it could not be read";
            tell(app, "The imported string kept in " + std::string(StringFileName) + " could not be read (" +
                          read.error.text() + ")" +
                          (aside ? "; the file as it was is kept as " + *aside + "." : "; it is left as it is."));
        }
    }
    fill_view(app);
    show_summary(app);
}

void show_string(App& app) {
    fill_view(app);
    show_summary(app);
}

void string_marked_by_fit(App& app) {
    save_string(app);
    show_string(app);
}

void import_dialog(App& app) {
    if (!app.dialogs.open_file) return;
    const std::string path = app.dialogs.open_file({"Import a Shot String", app.state.LastFolder, ImportFilter, true});
    if (!path.empty()) import_path(app, path);
}

void import_path(App& app, const std::string& path) {
    import_beside(app, "Reading " + path + "…", [path] { return Imported{read_string_path(path), {}}; });
}

void import_dropped(App& app, const std::vector<std::string>& paths) {
    if (paths.size() == 1) {
        import_path(app, paths.front());
        return;
    }
    // Several files at once: a series' report and its tracks, read together.
    import_beside(app, "Reading " + std::to_string(paths.size()) + " files…", [paths] {
        std::vector<InputFile> files;
        std::size_t total = 0;
        for (const std::string& p : paths) {
            InputFile file;
            file.path = std::filesystem::path(p).filename().string();
            if (auto error =
                    read_file_limited(p, file.bytes, LargestStringInput - std::min(total, LargestStringInput))) {
                return Imported{{}, *error};
            }
            total += file.bytes.size();
            files.push_back(std::move(file));
        }
        return Imported{read_string_files(files, "the dropped files"), {}};
    });
}

void paste_rows(App& app, const std::string& text) {
    if (text.empty()) return;
    // A list of files, as a file manager copies them.
    if (text.rfind("file://", 0) == 0) {
        std::vector<std::string> paths;
        for (const QUrl& url : QUrl::fromStringList(QString::fromStdString(text).split('\n', Qt::SkipEmptyParts)))
            if (url.isLocalFile()) paths.push_back(url.toLocalFile().trimmed().toStdString());
        if (!paths.empty()) {
            import_dropped(app, paths);
            return;
        }
    }
    // A string with its header, else shots for the typed list as its lines show them.
    StringRead read = read_pasted_text(text, "the pasted text");
    if (!read.ok() && paste_typed_rows(app, text)) return;
    take_string(app, std::move(read));
}

std::string add_string_shots(const App& app, std::vector<Shot>& shots, std::vector<std::string>& names, float& mv) {
    const FitWindow& f = *app.fit_window;
    if (!f.string) return {};
    const FitShotsOfString from = fit_shots_of(*f.string);
    if (from.shots.empty()) return {};
    shots.insert(shots.end(), from.shots.begin(), from.shots.end());
    names.insert(names.end(), from.names.begin(), from.names.end());
    if (!from.mean_mv)
        return "the imported string's " + std::to_string(from.shots.size()) + " measurements in use added";
    mv = *from.mean_mv;
    return "the imported string's " + std::to_string(from.shots.size()) +
           " measurements in use added, all flown with its mean muzzle velocity of " + std::to_string(from.mv_shots) +
           " shots";
}

}  // namespace velora
