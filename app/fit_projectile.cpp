#include "app/fit_projectile.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "app/app.h"
#include "app/fit_import.h"
#include "app/fit_window.h"
#include "engine/number_text.h"
#include "services/projectile_file.h"

namespace velora {

struct FitProjectile {
    QLineEdit* weight = nullptr;
    QComboBox* weight_unit = nullptr;
    QLabel* device = nullptr;  // "as set on the device" beside the weight taken from the string
    QLineEdit* calibre = nullptr;
    QComboBox* calibre_unit = nullptr;
    QLineEdit* length = nullptr;
    QComboBox* length_unit = nullptr;
    QComboBox* limit = nullptr;
    QLineEdit* typed_limit = nullptr;
    QLabel* lines = nullptr;
    ProjectileSettings settings;
    KeptFile file;
    bool save_failed = false;
    float mv = 0;
};

namespace {

// The limits the list offers, in its order; the last entry takes a typed value.
const char* const LimitChoices[] = {"none", "12 ft·lbf", "7.5 J"};
constexpr int TypedLimit = 3;

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

FitProjectile& part_of(App& app) { return *app.fit_window->projectile; }

void describe(QWidget* w, const char* name, const char* description) {
    w->setAccessibleName(QString::fromUtf8(name));
    w->setAccessibleDescription(QString::fromUtf8(description));
}

QComboBox* unit_list(QWidget* parent, std::initializer_list<const char*> units, const std::string& chosen) {
    auto* box = new QComboBox(parent);
    for (const char* u : units) box->addItem(QString::fromUtf8(u));
    box->setCurrentText(qs(chosen));
    return box;
}

// The fields into the settings, as the user left them.
ProjectileSettings settings_of(const FitProjectile& p) {
    ProjectileSettings s;
    s.weight = p.weight->text().trimmed().toStdString();
    s.weight_unit = p.weight_unit->currentText().toStdString();
    s.calibre = p.calibre->text().trimmed().toStdString();
    s.calibre_unit = p.calibre_unit->currentText().toStdString();
    s.length = p.length->text().trimmed().toStdString();
    s.length_unit = p.length_unit->currentText().toStdString();
    const int choice = p.limit->currentIndex();
    s.energy_limit = choice >= 0 && choice < TypedLimit ? LimitChoices[choice] : p.typed_limit->text().toStdString();
    if (choice == TypedLimit && s.energy_limit.empty()) s.energy_limit = "none";
    s.drag_table = p.settings.drag_table;
    return s;
}

void show_settings(FitProjectile& p) {
    const ProjectileSettings& s = p.settings;
    const QSignalBlocker a(p.weight), b(p.weight_unit), c(p.calibre), d(p.calibre_unit), e(p.length), g(p.length_unit),
        h(p.limit), i(p.typed_limit);
    p.weight->setText(qs(s.weight));
    p.weight_unit->setCurrentText(qs(s.weight_unit));
    p.calibre->setText(qs(s.calibre));
    p.calibre_unit->setCurrentText(qs(s.calibre_unit));
    p.length->setText(qs(s.length));
    p.length_unit->setCurrentText(qs(s.length_unit));
    int choice = TypedLimit;
    for (int k = 0; k < TypedLimit; ++k)
        if (s.energy_limit == LimitChoices[k]) choice = k;
    p.limit->setCurrentIndex(choice);
    p.typed_limit->setText(choice == TypedLimit ? qs(s.energy_limit) : QString());
    p.typed_limit->setEnabled(choice == TypedLimit);
}

void changed(App& app) {
    FitProjectile& p = part_of(app);
    p.settings = settings_of(p);
    p.typed_limit->setEnabled(p.limit->currentIndex() == TypedLimit);
    bool& failed = p.save_failed;
    save_beside_preferences(app, p.file, projectile_file_text(p.settings), failed, "The projectile", [&app] {
        FitProjectile& again = part_of(app);
        const KeptFileRead file = read_kept(again.file, LargestProjectileFile);
        if (file.state == KeptFileState::Read) {
            const ProjectileFileRead read = read_projectile_file(file.bytes, ProjectileFileName);
            if (read.ok()) again.settings = read.settings;
        }
        show_settings(again);
        refresh_fit_results(app);
    });
    // The form factors beside the laws and the lines below them, and the shots' energies.
    refresh_fit_results(app);
    show_string(app);
}

void load(App& app) {
    FitProjectile& p = part_of(app);
    p.file.path = app.state.PrefsFolder + ProjectileFileName;
    const KeptFileRead file = read_kept(p.file, LargestProjectileFile);
    if (file.state == KeptFileState::Refused) tell_unreadable(app, p.file, "The projectile");
    if (file.state == KeptFileState::Read) {
        const ProjectileFileRead read = read_projectile_file(file.bytes, ProjectileFileName);
        if (read.ok()) {
            p.settings = read.settings;
        } else {
            // Kept as it is for the user to look into; this run does not write it.
            p.file.refusal = "it could not be read";
            if (app.dialogs.message)
                app.dialogs.message(
                    {FitWindowTitle,
                     "The projectile could not be read (" + read.error + "); the file is left as it is.",
                     MessageButtons::Ok});
        }
    }
    show_settings(p);
}

}  // namespace

void build_projectile_part(App& app, QVBoxLayout* layout) {
    FitWindow& f = *app.fit_window;
    f.projectile = std::make_shared<FitProjectile>();
    FitProjectile& p = *f.projectile;
    auto* box = new QGroupBox(QStringLiteral("Projectile"), f.dialog);
    describe(box, "Projectile", "The projectile's weight, calibre and length, and the energy limit");
    auto* grid = new QGridLayout(box);
    const auto field = [&](int column, const char* caption, QLineEdit*& edit, QComboBox*& unit,
                           std::initializer_list<const char*> units, const std::string& chosen, const char* name,
                           const char* description) {
        auto* label = new QLabel(QString::fromUtf8(caption), box);
        edit = new QLineEdit(box);
        edit->setMaximumWidth(90);
        unit = unit_list(box, units, chosen);
        label->setBuddy(edit);
        describe(label, caption, "Caption of the field beside it");
        describe(edit, name, description);
        describe(unit, (std::string(name) + " unit").c_str(), "The unit of the value beside it");
        grid->addWidget(label, 0, column);
        grid->addWidget(edit, 0, column + 1);
        grid->addWidget(unit, 0, column + 2);
    };
    field(
        0, "Weight:", p.weight, p.weight_unit, {"gr", "g"}, "gr", "Weight",
        "The projectile's weight, for its energy and sectional density; empty takes the weight the device was set to");
    field(3, "Calibre:", p.calibre, p.calibre_unit, {"in", "mm"}, "in", "Calibre",
          "The projectile's diameter, for its sectional density and form factor");
    field(6, "Length:", p.length, p.length_unit, {"mm", "in"}, "mm", "Length", "The projectile's length (optional)");
    p.device = new QLabel(box);
    describe(p.device, "Weight source", "Says when the weight is the one the device was set to");
    grid->addWidget(p.device, 1, 1, 1, 2);
    auto* limit_label = new QLabel(QStringLiteral("Energy limit:"), box);
    p.limit = new QComboBox(box);
    p.limit->addItems({QStringLiteral("None"), QStringLiteral("12 ft·lbf (UK)"), QStringLiteral("7.5 J (Germany)"),
                       QStringLiteral("Typed:")});
    limit_label->setBuddy(p.limit);
    describe(limit_label, "Energy limit:", "Caption of the energy limit's list");
    describe(p.limit, "Energy limit", "The muzzle energy the string and its shots must not pass");
    p.typed_limit = new QLineEdit(box);
    p.typed_limit->setPlaceholderText(QStringLiteral("e.g. 16.27 J"));
    describe(p.typed_limit, "Typed energy limit", "An energy limit with its unit, ft·lbf or J");
    grid->addWidget(limit_label, 1, 3);
    grid->addWidget(p.limit, 1, 4, 1, 2);
    grid->addWidget(p.typed_limit, 1, 6, 1, 2);
    p.lines = new QLabel(box);
    p.lines->setWordWrap(true);
    p.lines->setTextInteractionFlags(Qt::TextSelectableByMouse);
    describe(p.lines, "Projectile results", "The sectional density, the energy at the muzzle and the energy limit");
    grid->addWidget(p.lines, 2, 0, 1, 9);
    layout->addWidget(box);

    App* a = &app;
    for (QLineEdit* e : {p.weight, p.calibre, p.length, p.typed_limit})
        QObject::connect(e, &QLineEdit::editingFinished, f.dialog, [a] { changed(*a); });
    for (QComboBox* c : {p.weight_unit, p.calibre_unit, p.length_unit, p.limit})
        QObject::connect(c, &QComboBox::currentIndexChanged, f.dialog, [a] { changed(*a); });
    load(app);
}

Projectile fit_projectile(const App& app) {
    if (!app.fit_window || !app.fit_window->projectile) return {};
    const FitWindow& f = *app.fit_window;
    Projectile p = projectile_of(f.projectile->settings).projectile;
    if (!p.weight_gr && f.string && f.string->projectile.weight_gr) {
        p.weight_gr = *f.string->projectile.weight_gr;
        p.source = p.calibre_in ? "weight as set on the device" : "as set on the device";
    }
    return p;
}

std::string fit_drag_table_path(const App& app) {
    if (!app.fit_window || !app.fit_window->projectile) return {};
    return app.fit_window->projectile->settings.drag_table;
}

void keep_drag_table_path(App& app, const std::string& path) {
    FitProjectile& p = part_of(app);
    if (p.settings.drag_table == path) return;
    p.settings.drag_table = path;
    changed(app);
}

std::optional<EnergyLimit> fit_energy_limit(const App& app) {
    if (!app.fit_window || !app.fit_window->projectile) return std::nullopt;
    return projectile_of(app.fit_window->projectile->settings).limit;
}

std::string fit_form_factor_text(const App& app, float bc) {
    const std::optional<double> sd = sectional_density(fit_projectile(app));
    return sd && bc > 0 ? format_fixed(form_factor(*sd, bc), 3) : std::string();
}

std::vector<std::string> projectile_lines(const Projectile& p, const std::optional<EnergyLimit>& limit, float mv,
                                          const std::vector<std::pair<std::string, float>>& shots) {
    std::vector<std::string> out;
    if (const std::optional<double> sd = sectional_density(p))
        out.push_back("Sectional density " + format_fixed(*sd, 4) + " lb/in²");
    if (!p.weight_gr) {
        if (limit) out.push_back("The energy limit of " + limit->text + " needs the projectile's weight");
        return out;
    }
    const double w = *p.weight_gr;
    const double joules = kinetic_energy_j(w, mv);
    out.push_back("Energy at the muzzle " + energy_text(joules) + " at " + format_fixed(mv, 1) + " ft/s, momentum " +
                  format_fixed(momentum_ns(w, mv), 4) + " N·s");
    std::vector<std::string> passing;
    if (!shots.empty()) {
        double lo = kinetic_energy_j(w, shots.front().second), hi = lo;
        for (const auto& [id, v] : shots) {
            const double e = kinetic_energy_j(w, v);
            lo = std::min(lo, e);
            hi = std::max(hi, e);
            if (limit && passes_energy_limit(e, *limit)) passing.push_back(id);
        }
        out.push_back("The " + std::to_string(shots.size()) + (shots.size() == 1 ? " shot" : " shots") +
                      " at the muzzle: " + energy_text(lo) + " to " + energy_text(hi));
    }
    if (limit) {
        const bool string = passes_energy_limit(joules, *limit);
        if (string) out.push_back("Over the limit: the muzzle energy passes " + limit->text);
        if (!passing.empty()) {
            std::string ids;
            for (const std::string& id : passing) ids += (ids.empty() ? "" : ", ") + id;
            out.push_back("Over the limit: " + std::to_string(passing.size()) +
                          (passing.size() == 1 ? " shot passes " : " shots pass ") + limit->text + " (" + ids + ")");
        }
        if (!string && passing.empty()) out.push_back("Within the energy limit of " + limit->text);
    }
    return out;
}

void show_projectile(App& app, float mv) {
    if (!app.fit_window || !app.fit_window->projectile) return;
    FitWindow& f = *app.fit_window;
    FitProjectile& p = *f.projectile;
    p.mv = mv;
    const ProjectileOfSettings of = projectile_of(p.settings);
    const Projectile pr = fit_projectile(app);
    p.device->setText(pr.source.find("as set on the device") != std::string::npos
                          ? qs(format_fixed(*pr.weight_gr, 2) + " gr as set on the device")
                          : QString());
    std::vector<std::pair<std::string, float>> shots;
    if (f.string) {
        for (const StringShot& s : f.string->shots)
            if (s.marks.used() && s.MV) shots.emplace_back(s.id, *s.MV);
    }
    std::vector<std::string> lines;
    if (!of.error.empty()) lines.push_back(of.error);
    for (std::string& l : projectile_lines(pr, of.limit, mv, shots)) lines.push_back(std::move(l));
    std::string text;
    for (const std::string& l : lines) text += (text.empty() ? "" : "\n") + l;
    p.lines->setText(qs(text));
}

}  // namespace velora
