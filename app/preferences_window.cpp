#include "app/preferences_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "app/accessibility.h"
#include "app/app.h"
#include "app/features.h"
#include "app/focus_mark.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/window_update.h"

namespace velora {

namespace {

constexpr int CentringWidth = 220;  // the window with its frame, as it is centred
constexpr int CentringHeight = 180;

struct OptionRow {
    const char* first;
    const char* second;
};

constexpr OptionRow Rows[3] = {
    {"Enable update check", "on start up"},
    {"Enable ORMA logo", "on start and exit"},
    {"Enable Tooltips", "(may require restart)"},
};

}  // namespace

void place_preferences_window(CalcState& s, int desktop_width, int desktop_height) {
    if (s.WinX[1] != -1 || s.WinY[1] != -1) return;
    s.WinX[1] = (desktop_width - CentringWidth) / 2;
    s.WinY[1] = (desktop_height - CentringHeight) / 2;
}

void build_preferences_window(PreferencesWindow& p, QWidget* main, CalcState& s) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->geometry();
        place_preferences_window(s, desktop.width(), desktop.height());
    }

    p.dialog = new QDialog(main, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                     Qt::WindowCloseButtonHint);
    p.dialog->setWindowTitle(QString::fromUtf8(PreferencesTitle));
    p.dialog->setWindowModality(Qt::ApplicationModal);
    p.dialog->setFixedSize(PreferencesWidth, PreferencesHeight);
    place_on_screen(*p.dialog, s.WinX[1], s.WinY[1]);

    QCheckBox** boxes[3] = {&p.update_box, &p.logo_box, &p.tooltip_box};
    for (int row = 0; row < 3; ++row) {
        const int top = 15 + row * 55;
        auto* box = new QCheckBox(p.dialog);
        box->setGeometry(20, top + 8, 20, 20);
        *boxes[row] = box;
        for (int line = 0; line < 2; ++line) {
            auto* caption = new QLabel(QString::fromUtf8(line == 0 ? Rows[row].first : Rows[row].second), p.dialog);
            caption->setGeometry(48, top + line * 18, 145, 18);
            p.captions[row][line] = caption;
        }
    }
    p.ok = new QPushButton(QStringLiteral("OK"), p.dialog);
    p.ok->setGeometry((PreferencesWidth - 80) / 2, 178, 80, 25);
    p.ok->setDefault(true);
    QObject::connect(p.ok, &QPushButton::clicked, p.dialog, &QDialog::accept);
    set_up_preferences_accessibility(p);
    mark_focus_in(p.dialog);
    p.dialog->hide();
}

void read_preferences_position(const PreferencesWindow& p, CalcState& s) {
    if (p.dialog == nullptr) return;
    s.WinX[1] = p.dialog->x();
    s.WinY[1] = p.dialog->y();
}

void show_preferences_dialog(App& app) {
    PreferencesWindow& p = app.preferences;
    if (p.dialog == nullptr) return;
    CalcState& s = app.state;
    p.update_box->setChecked(s.AutoUpdateCheck != 0);
    p.logo_box->setChecked(s.AutoLogoCheck != 0);
    p.tooltip_box->setChecked(s.EnableToolTips != 0);
    const std::uint8_t kept_update = s.AutoUpdateCheck;
    const std::uint8_t kept_logo = s.AutoLogoCheck;

    // Each click counts at once; the connections last as long as the dialog is shown.
    QObject shown;
    QObject::connect(p.update_box, &QCheckBox::clicked, &shown, [&s](bool on) { s.AutoUpdateCheck = on ? 1 : 0; });
    QObject::connect(p.logo_box, &QCheckBox::clicked, &shown, [&s](bool on) { s.AutoLogoCheck = on ? 1 : 0; });
    QObject::connect(p.tooltip_box, &QCheckBox::clicked, &shown, [&app](bool on) {
        // Every field's range hint is set again, with or without its text.
        app.state.EnableToolTips = on ? 1 : 0;
        app.state.ChangeKind = 0;
        run_recalculate(app);
    });

    const QPointer<QWidget> had_focus = QApplication::focusWidget();
    p.dialog->show();
    p.dialog->activateWindow();
    if (p.dialog->exec() != QDialog::Accepted) {
        // The close box: the two start-up options go back, the tooltips stay as set.
        s.AutoUpdateCheck = kept_update;
        s.AutoLogoCheck = kept_logo;
    }
    apply_tooltips(app);
    save_preferences_now(app);
    p.dialog->hide();
    if (QWidget* main = app.window.window.get()) main->activateWindow();
    if (had_focus) had_focus->setFocus();
}

}  // namespace velora
