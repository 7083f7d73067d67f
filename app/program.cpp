#include "app/program.h"

#include <QDialog>
#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "app/app_icon.h"
#include "app/control_ids.h"
#include "app/embedded.h"
#include "app/event_bridge.h"
#include "app/features.h"
#include "app/main_window.h"
#include "app/splash.h"
#include "app/storage.h"
#include "app/web_links.h"
#include "app/window_update.h"
#include "services/preferences.h"
#include "app/dark_theme.h"
#include "services/system_theme.h"

namespace velora {

namespace {

constexpr int SettlingRounds = 101;

}  // namespace

bool write_help_document(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(std::filesystem::path(path), ec);
    if (!ec && size == HelpDocument.size()) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(HelpDocument.data(), static_cast<std::streamsize>(HelpDocument.size()));
    return static_cast<bool>(out);
}

void start_program(App& app)
{
    QApplication::setWindowIcon(application_icon());
    CalcState& s = app.state;
    s = CalcState{};
    s.LastFolder = desktop_folder();
    set_up_storage_folders(s);
    app.temporary_folder = private_temporary_folder();
    delete_temporary_image(app.temporary_folder);

    load_preferences(s);
    s.DarkMode = dark_mode_setting(app.theme_setting);
    if (s.AutoLogoCheck) show_logo(app.splash);
    write_help_document(s.HelpFile);
    build_main_window(app.window, s);
    if (s.DarkMode) theme_main_window(app.window);
    build_preferences_window(app.preferences, app.window.window.get(), s);
    if (s.DarkMode) theme_preferences_window(app.preferences.dialog);
    update_step_menu_checks(app.window, s);
    app.window.window->move(s.WinX[0], s.WinY[0]);
    if (s.AutoLogoCheck) {
        wait_since_logo(app.splash, app.logo_times.start_milliseconds);
        hide_logo(app.splash);
    }
    handle_events_rounds(SettlingRounds);
    s.ChangeKind = 1;
    run_recalculate(app);
    apply_tooltips(app);
    if (!app.dialogs.message) {
        QWidget* top = app.window.window.get();
        app.dialogs = system_dialogs([top] { return top; });
    }
    app.window.window->show();
    focus_control(app.window, s.mpag);
    if (s.AutoUpdateCheck) {
        check_for_update(app, false);
        if (app.closed_for_download) return;
    }
    connect_events(app);
    app.dispatching = true;
}

void save_preferences_now(App& app)
{
    if (app.window.window) read_controls_into_state(app.window, app.state);
    read_preferences_position(app.preferences, app.state);
    save_preferences(app.state);
}

void end_program(App& app)
{
    app.dispatching = false;
    save_preferences_now(app);
    if (app.window.window) app.window.window->hide();
    delete_temporary_image(app.temporary_folder);
    if (app.state.AutoLogoCheck) {
        show_logo(app.splash);
        wait_since_logo(app.splash, app.logo_times.end_milliseconds);
        hide_logo(app.splash);
    }
    delete_temporary_image(app.temporary_folder);
}

void finish_program(App& app)
{
    // Closed for a download: the preferences are saved already and the program ends at once.
    if (app.closed_for_download) return;
    end_program(app);
}

namespace {

#ifndef _WIN32
// A signal only writes a byte into this pair; the event loop reads it and ends as "Quit" does.
int signal_pipe[2] = {-1, -1};

void on_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signal_pipe[1], &byte, 1);
}
#endif

}  // namespace

int run_program()
{
    CalcState state;
    App app(state);
    app.web = built_in_web_addresses();
    start_program(app);

    QEventLoop loop;
    app.end_loop = [&loop] { loop.exit(0); };

    auto end_now = [&app] {
        if (app.ended) return;
        save_preferences_now(app);
        app.dispatching = false;
        app.ended = true;
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        if (app.end_loop) app.end_loop();
    };
    // The desktop session ends: keep the preferences first, then end as usual.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [&app](QSessionManager&) { save_preferences_now(app); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, end_now);

#ifndef _WIN32
    std::unique_ptr<QSocketNotifier> signal_reader;
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signal_pipe) == 0) {
        signal_reader = std::make_unique<QSocketNotifier>(signal_pipe[0], QSocketNotifier::Read);
        QObject::connect(signal_reader.get(), &QSocketNotifier::activated, qApp, [&end_now] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = ::read(signal_pipe[0], &byte, 1);
            end_now();
        });
        struct sigaction action {};
        action.sa_handler = on_signal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
    }
#endif

    if (!app.ended) loop.exec();
    finish_program(app);
    return 0;
}

}  // namespace velora
