#include "app/program.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#endif

#include "app/app_icon.h"
#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/dark_theme.h"
#include "app/embedded.h"
#include "app/event_bridge.h"
#include "app/features.h"
#include "app/fit_import.h"
#include "app/fit_window.h"
#include "app/main_window.h"
#include "app/splash.h"
#include "app/storage.h"
#include "app/web_links.h"
#include "app/window_update.h"
#include "services/preferences.h"
#include "services/preferences_merge.h"
#include "services/shots_file.h"
#include "services/system_theme.h"

namespace velora {

namespace {

// How long a later start tries to reach the running program, which may itself be starting up.
constexpr std::chrono::milliseconds LaterStartPatience{10000};

// A change is saved this long after the last one (a crash or a power cut loses at most that).
constexpr std::chrono::milliseconds PreferencesSaveDelay{1500};

// How long the end of the run waits for work beside the window once it was cancelled: a fit
// stops within a step, a tenth of a second at most.
constexpr std::chrono::milliseconds WorkPatience{100};

#ifndef _WIN32
// A signal only writes a byte into this pair and raises the flag beside it; the event loop that
// runs at the time (the main one or that of a dialog or a wait) reads the byte and ends the
// program, and the start-up looks at the flag between its steps, before any event is handled.
int signal_pipe[2] = {-1, -1};
volatile std::sig_atomic_t signal_arrived = 0;
#endif

void end_on_signal(App& app);

// A signal that came during the start-up's own work ends it at the next step rather than after
// the whole start-up.
bool ended_by_signal(App& app) {
#ifndef _WIN32
    if (signal_arrived != 0) end_on_signal(app);
#endif
    return app.ended;
}

}  // namespace

WriteOutcome write_help_document(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(std::filesystem::path(path), ec);
    if (!ec && size == HelpDocument.size()) return {true, {}};
    return replace_file_contents(path, HelpDocument);
}

void start_program(App& app) {
    QApplication::setWindowIcon(application_icon());
    CalcState& s = app.state;
    s = CalcState{};
    s.LastFolder = desktop_folder();
    set_up_storage_folders(s);
    app.temporary_folder = private_temporary_folder();
    // One run per preferences folder: a later start brings the running window to the front and
    // ends, reading and writing nothing.
    if (claim_instance(app.instance, s.PrefsFolder) == InstanceClaim::Running) {
        app.later_start = true;
        app.ended = true;
        if (!ask_running_instance(instance_socket_path(app.temporary_folder, s.PrefsFolder), LaterStartPatience))
            std::fprintf(stderr, "Velora: %s\n", already_running_text(s.PrefsFolder).c_str());
        return;
    }
    delete_temporary_image(app.temporary_folder);

    app.preferences_file = load_preferences(s);
    app.preferences_saved_text = preferences_text(s);
    app.preferences_own_text = app.preferences_saved_text;
    // The saves of the Fit window's files cut short leave their temporaries too.
    for (const char* name : {ShotsFileName, StringFileName})
        remove_stale_temporaries_of(s.PrefsFolder + name, StaleTemporaryAge);
    if (ended_by_signal(app)) return;
    s.DarkMode = dark_mode_setting(app.theme_setting);
    if (s.DarkMode) app.application_look = use_dark_application_look();
    if (s.AutoLogoCheck) show_logo(app.splash);
    write_help_document(s.HelpFile);
    if (ended_by_signal(app)) return;
    build_main_window(app.window, s);
    listen_for_later_starts(app.instance, instance_socket_path(app.temporary_folder, s.PrefsFolder),
                            [&app] { bring_window_to_front(app); });
    if (s.DarkMode) theme_main_window(app.window);
    if (ended_by_signal(app)) return;
    build_preferences_window(app.preferences, app.window.window.get(), s);
    if (s.DarkMode) theme_preferences_window(app.preferences.dialog);
    update_step_menu_checks(app.window, s);
    app.window.window->move(s.WinX[0], s.WinY[0]);
    if (ended_by_signal(app)) return;
    // Events are handled from here on, and with them a signal that ends the program; the logo
    // goes as soon as it does.
    if (s.AutoLogoCheck) {
        wait_since_logo(app.splash, app.logo_times.start_milliseconds, [&app] { return app.ended; });
        hide_logo(app.splash);
    }
    if (app.ended) return;
    handle_events_rounds(app.settling_rounds);
    if (app.ended) return;
    s.ChangeKind = 1;
    run_recalculate(app);
    apply_tooltips(app);
    if (!app.dialogs.message) {
        QWidget* top = app.window.window.get();
        app.dialogs = system_dialogs([top] { return top; });
    }
    app.dialogs = quiet_once_interrupted(app, app.dialogs);
    app.window.window->show();
    focus_control(app.window, s.mpag);
    // The window takes orders before the automatic check: its version file arrives while the
    // user works (only the connection test before it keeps the window deaf).
    connect_events(app);
    app.dispatching = true;
    // A file that exists but could not be read is told once the window takes orders.
    if (app.preferences_file.refusal)
        tell_failure(app, PreferencesSaveTitle,
                     preferences_unreadable_text(app.preferences_file.path, *app.preferences_file.refusal));
    if (app.ended) return;
    if (s.AutoUpdateCheck) check_for_update(app, false);
}

void bring_window_to_front(App& app) {
    QWidget* top = app.window.window.get();
    if (top == nullptr || app.ended) return;
    if (top->isMinimized()) top->showNormal();
    top->raise();
    top->activateWindow();
}

void save_preferences_soon(App& app) {
    if (app.ended || !app.window.window) return;
    // A later change puts the save off again: the call waiting is dropped for a new one.
    app.save_soon.reset();
    app.save_soon = call_later(app, PreferencesSaveDelay, [&app] {
        if (app.ended || !app.window.window) return;
        read_controls_into_state(app.window, app.state);
        read_preferences_position(app.preferences, app.state);
        if (preferences_text(app.state) != app.preferences_own_text) save_preferences_now(app);
    });
}

void save_preferences_now(App& app) {
    if (app.window.window) read_controls_into_state(app.window, app.state);
    read_preferences_position(app.preferences, app.state);
    const std::string own = preferences_text(app.state), known = app.preferences_saved_text;
    // This run's changes since it last read or wrote the file, over what the file then held.
    PreferencesMerge merged = merge_preferences(known, app.preferences_own_text, own, known, true);
    KeptSaveOutcome saved = save_kept(app.preferences_file, merged.text);
    // Another program saved them since: what it changed stays beside this run's changes, and only
    // a key that both changed is asked about.
    for (int round = 0; round < 3 && saved.result == KeptSave::Changed; ++round) {
        const KeptFileRead theirs = read_kept_file(app.preferences_file.path, LargestPreferencesFile);
        if (theirs.state != KeptFileState::Read) break;
        merged = merge_preferences(known, app.preferences_own_text, own, theirs.bytes, true);
        if (!merged.conflicts.empty()) {
            const bool mine =
                app.dialogs.message &&
                app.dialogs.message({PreferencesSaveTitle,
                                     preferences_conflict_question(app.preferences_file.path, merged.conflicts),
                                     MessageButtons::YesNo}) == MessageAnswer::Yes;
            if (!mine) merged = merge_preferences(known, app.preferences_own_text, own, theirs.bytes, false);
        }
        app.preferences_file.stamp = theirs.stamp;
        saved = save_kept(app.preferences_file, merged.text);
    }
    if (saved.result == KeptSave::Changed) {
        // Gone, or no longer readable, or changed again and again: not overwritten unasked.
        const bool replace =
            app.dialogs.message &&
            app.dialogs.message({PreferencesSaveTitle, preferences_changed_question(app.preferences_file.path),
                                 MessageButtons::YesNo}) == MessageAnswer::Yes;
        if (!replace) {
            app.preferences_file.refusal = "changed by another program";
            return;
        }
        merged.text = own;
        saved = save_kept(app.preferences_file, merged.text, true);
    }
    if (saved.result == KeptSave::Saved) {
        app.preferences_saved_text = merged.text;
        app.preferences_own_text = own;
    }
    if (saved.result == KeptSave::Failed)
        tell_failure(app, PreferencesSaveTitle,
                     preferences_save_failure_text(preferences_file_path(app.state), saved.reason));
}

void tell_failure(App& app, const std::string& title, const std::string& text) {
    std::fprintf(stderr, "Velora: %s\n", message_log_line(text).c_str());
    std::fflush(stderr);
    if (app.window.window && app.window.window->isVisible()) show_message(app, title, text);
}

Dialogs quiet_once_interrupted(App& app, Dialogs inner) {
    // Every question passes through; those that could come up while the run is ending are
    // answered unchanged instead.
    Dialogs d = inner;
    App* a = &app;
    if (inner.message)
        d.message = [a, ask = inner.message](const MessageRequest& m) {
            const auto unchanged = [&m] {
                switch (m.buttons) {
                    case MessageButtons::YesNo: return MessageAnswer::No;
                    case MessageButtons::YesNoCancel: return MessageAnswer::Cancel;
                    case MessageButtons::Ok: break;
                }
                return MessageAnswer::Ok;
            };
            if (a->interrupted) return unchanged();
            const MessageAnswer answer = ask(m);
            return a->interrupted ? unchanged() : answer;  // a box closed by the signal
        };
    if (inner.save_file)
        d.save_file = [a, ask = inner.save_file](const SaveFileRequest& r) {
            if (a->interrupted) return std::string();
            std::string chosen = ask(r);
            return a->interrupted ? std::string() : chosen;
        };
    if (inner.open_file)
        d.open_file = [a, ask = inner.open_file](const OpenFileRequest& r) {
            if (a->interrupted) return std::string();
            std::string chosen = ask(r);
            return a->interrupted ? std::string() : chosen;
        };
    if (inner.report_details)
        d.report_details = [a, ask = inner.report_details](ReportDetails& details) {
            return !a->interrupted && ask(details) && !a->interrupted;
        };
    if (inner.image_scale)
        d.image_scale = [a, ask = inner.image_scale](ImageScale& scale) {
            return !a->interrupted && ask(scale) && !a->interrupted;
        };
    if (inner.print_setup)
        d.print_setup = [a, ask = inner.print_setup](QPrinter& printer) {
            return !a->interrupted && ask(printer) && !a->interrupted;
        };
    if (inner.open_url)
        d.open_url = [a, open = inner.open_url](const std::string& url) {
            if (!a->interrupted) open(url);
        };
    if (inner.open_document)
        d.open_document = [a, open = inner.open_document](const std::string& path, const std::function<void()>& none) {
            if (!a->interrupted) open(path, none);
        };
    return d;
}

void end_program(App& app) {
    app.dispatching = false;
    save_preferences_now(app);
    if (app.window.window) app.window.window->hide();
    delete_temporary_image(app.temporary_folder);
    if (app.state.AutoLogoCheck && !app.interrupted) {
        show_logo(app.splash);
        wait_since_logo(app.splash, app.logo_times.end_milliseconds, [&app] { return app.interrupted; });
        hide_logo(app.splash);
    }
    delete_temporary_image(app.temporary_folder);
}

void finish_program(App& app) {
    // Closed for a download: the preferences are saved already and the program ends at once.
    if (app.closed_for_download || app.later_start) return;
    end_program(app);
}

namespace {

#ifndef _WIN32
void on_signal(int) {
    const int saved = errno;
    signal_arrived = 1;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signal_pipe[1], &byte, 1);
    errno = saved;
}

// The last resort once the preferences are saved: a shut-down that has not ended by then ends
// here.
constexpr unsigned LastResortSeconds = 2;

void on_last_resort(int) {
    constexpr char line[] = "Velora: the shut-down took too long; ended at once\n";
    [[maybe_unused]] const ssize_t written = ::write(2, line, sizeof line - 1);
    ::_exit(0);
}

void arm_last_resort() {
    struct sigaction action {};
    action.sa_handler = on_last_resort;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    ::alarm(LastResortSeconds);
}
#endif

// Every dialog that is open, whatever opened it, ends as its close box would end it.
void close_open_dialogs() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<QDialog*>(w);
        if (dialog != nullptr && dialog->isVisible()) dialog->reject();
    }
}

}  // namespace

void install_signal_handlers() {
#ifndef _WIN32
    if (signal_pipe[0] >= 0) return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signal_pipe) != 0) return;
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
#endif
}

void end_on_request(App& app) {
    if (!app.interrupted) {
        // Work beside the window ends without a word; a shot being typed is kept as Tab would
        // keep it.
        end_work(app, std::chrono::milliseconds(0));
        commit_open_cell(app);
        app.interrupted = true;
        app.dispatching = false;
        app.ended = true;
        // Saved at once, before anything else can go wrong; the shut-down saves once more with
        // what the closed dialogs left. Before the window exists nothing was loaded that a save
        // could keep.
        if (app.window.window) save_preferences_now(app);
    }
    close_open_dialogs();
    if (app.end_loop) app.end_loop();
}

namespace {

// A signal, or the end of the desktop session: as end_on_request, and a shut-down that is still
// running two seconds after the save ends at once.
void end_on_signal(App& app) {
#ifndef _WIN32
    signal_arrived = 0;
    if (!app.interrupted) {
        end_on_request(app);
        arm_last_resort();
        return;
    }
#endif
    end_on_request(app);
}

}  // namespace

int run_program() { return run_program(built_in_web_addresses()); }

int run_program(const WebAddresses& web) { return run_program(web, {}); }

int run_program(const WebAddresses& web, const std::function<void(App&)>& prepare) {
    install_signal_handlers();
    CalcState state;
    App app(state);
    app.web = web;
    if (prepare) prepare(app);
    QEventLoop loop;
    app.end_loop = [&loop] { loop.exit(0); };

#ifndef _WIN32
    // Listening from the start: a signal during the start-up (the logo, the start-up check and
    // its messages) ends the program as well as one in the event loop.
    std::unique_ptr<QSocketNotifier> signal_reader;
    if (signal_pipe[0] >= 0) {
        signal_reader = std::make_unique<QSocketNotifier>(signal_pipe[0], QSocketNotifier::Read);
        QObject::connect(signal_reader.get(), &QSocketNotifier::activated, qApp, [&app] {
            char bytes[64];
            while (::read(signal_pipe[0], bytes, sizeof bytes) > 0) {
            }
            end_on_signal(app);
        });
    }
#endif
    // The desktop session ends: keep the preferences first, then end as on a signal.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, qApp,
                     [&app](QSessionManager&) { save_preferences_now(app); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, qApp, [&app] { end_on_signal(app); });

    start_program(app);
    if (!app.ended) loop.exec();
    end_work(app, std::chrono::milliseconds(0));
    finish_program(app);
    // Work that cannot stop between steps (a reader in the middle of a file) is not waited for:
    // everything of the user's is saved by now.
    if (!end_work(app, WorkPatience)) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
#ifndef _WIN32
    signal_reader.reset();
#endif
    return 0;
}

}  // namespace velora
