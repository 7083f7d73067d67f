#include "app/background.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/dark_theme.h"

namespace velora {

namespace {

// Where a work's thread tells the window: a receiver on the window's thread, gone (null) once the
// window no longer listens.
struct Channel {
    std::mutex mutex;
    QObject* receiver = nullptr;

    void post(std::function<void()> call) {
        const std::lock_guard<std::mutex> lock(mutex);
        if (receiver != nullptr) QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
    }
};

struct Job {
    std::atomic<bool> cancelled{false};
    std::atomic<int> permille{-1};  // the progress last told, in thousandths
    std::mutex mutex;
    std::condition_variable ended_signal;
    bool ended = false;  // the work returned (guarded by `mutex`)
    std::thread thread;

    bool wait_until(std::chrono::steady_clock::time_point until) {
        std::unique_lock<std::mutex> lock(mutex);
        return ended_signal.wait_until(lock, until, [this] { return ended; });
    }
    bool has_ended() {
        const std::lock_guard<std::mutex> lock(mutex);
        return ended;
    }
};

// The progress: what runs, a bar (busy when the work tells no progress) and Cancel.
struct ProgressBox {
    QDialog* dialog = nullptr;
    QProgressBar* bar = nullptr;
};

}  // namespace

struct Background {
    std::shared_ptr<Channel> channel = std::make_shared<Channel>();
    std::unique_ptr<QObject> receiver = std::make_unique<QObject>();
    std::shared_ptr<Job> current;            // the work the window waits for
    WorkRequest request;                     // and what asked for it
    LaterCall progress_later;                // brings the progress up
    ProgressBox box;                         // shown while it runs, once it took a moment
    std::vector<std::shared_ptr<Job>> jobs;  // every thread not yet joined, cancelled ones too
    bool ending = false;                     // the run ends: nothing more is started or done

    Background() { channel->receiver = receiver.get(); }

    ~Background() {
        stop_listening();
        close_box();
        for (const auto& job : jobs) job->cancelled = true;
        for (const auto& job : jobs)
            if (job->thread.joinable()) job->thread.join();
    }

    void stop_listening() {
        const std::lock_guard<std::mutex> lock(channel->mutex);
        channel->receiver = nullptr;
    }

    void close_box() {
        progress_later.reset();
        if (box.dialog != nullptr) {
            QDialog* dialog = box.dialog;
            box = {};
            dialog->hide();
            dialog->deleteLater();
        }
    }

    // Joins the threads whose work returned.
    void join_ended() {
        std::erase_if(jobs, [](const std::shared_ptr<Job>& job) {
            if (!job->has_ended()) return false;
            if (job->thread.joinable()) job->thread.join();
            return true;
        });
    }
};

std::shared_ptr<Background> make_background() { return std::make_shared<Background>(); }

namespace {

Background& background_of(App& app) {
    if (!app.background) app.background = make_background();
    return *app.background;
}

// The current work is over: the progress goes, and the one who asked hears how it ended.
void finish(App& app, bool completed) {
    Background& bg = background_of(app);
    if (!bg.current) return;
    bg.current.reset();
    bg.close_box();
    std::function<void(bool)> done = std::move(bg.request.done);
    bg.request = {};
    bg.join_ended();
    if (done && !bg.ending) done(completed);
}

void show_progress(App& app) {
    Background& bg = background_of(app);
    if (!bg.current || bg.box.dialog != nullptr) return;
    auto* dialog = new QDialog(bg.request.over, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    dialog->setWindowTitle(QString::fromStdString(bg.request.title));
    dialog->setWindowModality(bg.request.over != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->setAccessibleName(QString::fromStdString(bg.request.title));
    dialog->setAccessibleDescription(QStringLiteral("How far the work is; Cancel or Escape stops it"));
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new QLabel(QString::fromStdString(bg.request.caption), dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* bar = new QProgressBar(dialog);
    bar->setAccessibleName(QStringLiteral("Progress"));
    bar->setAccessibleDescription(QString::fromStdString(bg.request.caption));
    const int permille = bg.current->permille.load();
    // Busy until the work says how far it is.
    if (permille < 0)
        bar->setRange(0, 0);
    else
        bar->setRange(0, 1000), bar->setValue(permille);
    layout->addWidget(bar);
    auto* buttons = new QHBoxLayout;
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    cancel->setAccessibleName(QStringLiteral("Cancel"));
    cancel->setAccessibleDescription(QStringLiteral("Stops the work; what was there before stays"));
    buttons->addStretch();
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    dialog->setMinimumWidth(420);
    App* a = &app;
    // Cancel, Escape and the close box all cancel.
    QObject::connect(dialog, &QDialog::rejected, dialog, [a] { cancel_work(*a); });
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    bg.box = {dialog, bar};
    if (a->state.DarkMode) theme_fit_window(dialog);
    dialog->show();
}

void show_permille(App& app, const std::shared_ptr<Job>& job) {
    Background& bg = background_of(app);
    if (bg.current != job || bg.box.bar == nullptr) return;
    if (bg.box.bar->maximum() == 0) bg.box.bar->setRange(0, 1000);
    bg.box.bar->setValue(std::max(0, job->permille.load()));
}

}  // namespace

LaterCall call_later(const App& app, std::chrono::milliseconds delay, std::function<void()> call) {
    if (app.later) return app.later(delay, std::move(call));
    auto timer = std::make_shared<QTimer>();
    timer->setSingleShot(true);
    timer->setInterval(delay);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(), std::move(call));
    timer->start();
    return timer;
}

bool start_work(App& app, WorkRequest request) {
    Background& bg = background_of(app);
    if (bg.ending || bg.current) return false;
    bg.join_ended();
    auto job = std::make_shared<Job>();
    bg.current = job;
    bg.jobs.push_back(job);
    std::function<void(const WorkControl&)> run = std::move(request.run);
    bg.request = std::move(request);
    App* a = &app;
    job->thread = std::thread([job, run = std::move(run), hook = app.work_step, channel = bg.channel, a] {
        WorkControl control;
        control.cancelled = [job] { return job->cancelled.load(); };
        control.progress = [job, hook, channel, a, cancelled = control.cancelled](double done) {
            const int permille = std::clamp(static_cast<int>(done * 1000.0), 0, 1000);
            if (job->permille.exchange(permille) != permille) channel->post([a, job] { show_permille(*a, job); });
            if (hook) hook(done, cancelled);
        };
        if (hook) hook(0.0, control.cancelled);
        if (!job->cancelled) run(control);
        {
            const std::lock_guard<std::mutex> lock(job->mutex);
            job->ended = true;
        }
        job->ended_signal.notify_all();
        channel->post([a, job] {
            if (a->background && a->background->current == job) finish(*a, !job->cancelled);
        });
    });
    // Work that ends at once is done before the window goes on: no progress, nothing to wait for.
    if (app.work_grace.count() > 0 && job->wait_until(std::chrono::steady_clock::now() + app.work_grace)) {
        finish(app, !job->cancelled);
        return true;
    }
    bg.progress_later = call_later(app, ProgressDelay, [a] { show_progress(*a); });
    return true;
}

bool work_running(const App& app) { return app.background && app.background->current; }

void cancel_work(App& app) {
    if (!work_running(app)) return;
    app.background->current->cancelled = true;
    finish(app, false);
}

bool end_work(App& app, std::chrono::milliseconds patience) {
    if (!app.background) return true;
    Background& bg = *app.background;
    bg.ending = true;
    for (const auto& job : bg.jobs) job->cancelled = true;
    bg.current.reset();
    bg.request = {};
    bg.close_box();
    const auto until = std::chrono::steady_clock::now() + patience;
    bool all_ended = true;
    for (const auto& job : bg.jobs) all_ended = job->wait_until(until) && all_ended;
    bg.join_ended();
    return all_ended;
}

}  // namespace velora
