#include "app/web_links.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include "app/app_texts.h"
#include "app/features.h"
#include "app/program.h"
#include "app/storage.h"

namespace velora {

namespace {

// While the probe runs the program takes no orders: clicks, keys, the wheel and close requests
// are dropped before any window sees them. Painting, timers and everything else go on.
class InputDiscarder : public QObject {
public:
    InputDiscarder() { qApp->installEventFilter(this); }
    ~InputDiscarder() override { qApp->removeEventFilter(this); }
    InputDiscarder(const InputDiscarder&) = delete;
    InputDiscarder& operator=(const InputDiscarder&) = delete;

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
            case QEvent::Close:
                event->ignore();  // a close request ignored leaves the window open
                return true;
            default: return false;
        }
    }
};

}  // namespace

WebAddresses built_in_web_addresses() { return {site_url(), version_file_url(), probe_url(), ProbeLimitMs}; }

void wait_in_window(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

namespace {

// The window goes on while a transfer runs; the wait ends at once when the program ends.
Waiting window_waiting(App& app) {
    return {wait_in_window, [&app] { return app.ended; }, app.web.clock};
}

}  // namespace

bool window_internet_available(App& app) {
    const InputDiscarder discarder;
    return internet_available(app.web.probe, app.web.time_limit_ms, window_waiting(app));
}

UpdateHooks window_update_hooks(App& app) {
    UpdateHooks h;
    h.internet_available = [&app] { return window_internet_available(app); };
    // The version file arrives with the window at work: keys, clicks and menus go on meanwhile.
    h.fetch = [&app](const std::string& url) {
        return fetch_version_file(url, app.web.time_limit_ms, window_waiting(app));
    };
    h.message = [&app](const MessageRequest& m) {
        return app.dialogs.message ? app.dialogs.message(m) : MessageAnswer::Ok;
    };
    h.open_url = [&app](const std::string& url) {
        if (app.dialogs.open_url) app.dialogs.open_url(url);
    };
    h.save_preferences = [&app] { save_preferences_now(app); };
    h.ending = [&app] { return app.ended; };
    return h;
}

void check_for_update(App& app, bool manual) {
    // One check at a time: picking the menu item again while the version file is on its way
    // changes nothing, that check answers.
    if (app.checking) return;
    app.checking = true;
    const UpdateOutcome outcome = check_for_update(app.web.version_file, manual, window_update_hooks(app));
    app.checking = false;
    if (outcome != UpdateOutcome::EndProgram) return;
    // Closed for the download: the preferences are saved already and nothing else of the
    // shut-down runs (no second save, no logo).
    app.closed_for_download = true;
    app.dispatching = false;
    app.ended = true;
    if (app.end_loop) app.end_loop();
}

void open_maker_website(App& app) { open_web_page(app.web.site, window_update_hooks(app)); }

void open_help(App& app) {
    const std::string path = app.state.HelpFile;
    // Written again when it went missing or was changed since the start; that it cannot be is told.
    const WriteOutcome written = write_help_document(path);
    if (!written.ok) tell_failure(app, HelpTitle, help_write_failure_text(path, written.reason));
    if (!file_exists(path) || !app.dialogs.open_document) return;
    App* running = &app;
    app.dialogs.open_document(path, [running, path] {
        if (running->ended) return;
        tell_failure(*running, HelpTitle, no_pdf_viewer_text(path));
    });
}

}  // namespace velora
