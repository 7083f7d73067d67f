#include "app/web_links.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include "app/features.h"
#include "app/program.h"

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

    bool eventFilter(QObject*, QEvent* event) override
    {
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

WebAddresses built_in_web_addresses() { return {site_url(), version_file_url(), probe_url()}; }

void wait_in_window(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool window_internet_available(App& app)
{
    const InputDiscarder discarder;
    return internet_available(app.web.probe, wait_in_window);
}

UpdateHooks window_update_hooks(App& app)
{
    UpdateHooks h;
    h.internet_available = [&app] { return window_internet_available(app); };
    h.fetch = [](const std::string& url) { return fetch_version_file(url); };
    h.message = [&app](const MessageRequest& m) {
        return app.dialogs.message ? app.dialogs.message(m) : MessageAnswer::Ok;
    };
    h.open_url = [&app](const std::string& url) {
        if (app.dialogs.open_url) app.dialogs.open_url(url);
    };
    h.save_preferences = [&app] { save_preferences_now(app); };
    return h;
}

void check_for_update(App& app, bool manual)
{
    if (check_for_update(app.web.version_file, manual, window_update_hooks(app)) != UpdateOutcome::EndProgram)
        return;
    // Closed for the download: the preferences are saved already and nothing else of the
    // shut-down runs (no second save, no logo).
    app.closed_for_download = true;
    app.dispatching = false;
    app.ended = true;
    if (app.end_loop) app.end_loop();
}

void open_maker_website(App& app) { open_web_page(app.web.site, window_update_hooks(app)); }

}  // namespace velora
