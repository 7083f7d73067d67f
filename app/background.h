// Work that runs beside the window, on a thread of its own: reading a file to import, fitting
// shots. The window keeps answering while it runs; once it has taken a moment (0.3 s) a progress
// with Cancel comes up over the window that asked for it; a request to end the run cancels it and
// the run does not wait for it. Calls made "a moment later" go through one seam as well, so that
// tests decide when a moment has passed.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace velora {

struct App;

// A call made once, on the window's thread, after a delay; dropping the handle cancels it.
using LaterCall = std::shared_ptr<void>;
using LaterSeam = std::function<LaterCall(std::chrono::milliseconds, std::function<void()>)>;

// `call` after `delay`: through app.later when a test set it, else a real single-shot timer.
LaterCall call_later(const App& app, std::chrono::milliseconds delay, std::function<void()> call);

// What the work sees of its control, on its own thread.
struct WorkControl {
    std::function<bool()> cancelled;       // true once it is to end: it asks between its steps
    std::function<void(double)> progress;  // how much is done, from 0 to 1
};

// Tests hold the work at its steps (a latch): called on the work's thread as it starts (0) and at
// each step it reports, with what tells it that it was cancelled. Empty in the program.
using WorkStepHook = std::function<void(double done, const std::function<bool()>& cancelled)>;

// How long the work must run before its progress comes up.
inline constexpr std::chrono::milliseconds ProgressDelay{300};
// How long the window waits for work that ends at once before it shows it as running.
inline constexpr std::chrono::milliseconds WorkGrace{100};

struct WorkRequest {
    std::string title;        // the progress's title ("Fitting the Shots")
    std::string caption;      // what it says ("Fitting 20000 shots under the drag laws…")
    QWidget* over = nullptr;  // the window the progress is modal over
    // On the work's thread: the work itself, keeping its result where `done` finds it. It must
    // reach nothing of the window.
    std::function<void(const WorkControl&)> run;
    // On the window's thread, once the work ended: `completed` is false when it was cancelled
    // (Cancel, or the run ending), and its result is then to be dropped. Never called once the run
    // is ending.
    std::function<void(bool completed)> done;
};

// Starts the work unless other work is running (false then, and nothing started). Work that ends
// within app.work_grace is done before this returns.
bool start_work(App& app, WorkRequest request);

// start_work for work with a result: `done` gets it, or nothing when the work was cancelled.
template <class Result>
bool start_work_for(App& app, WorkRequest request, std::function<Result(const WorkControl&)> run,
                    std::function<void(std::optional<Result>)> done) {
    auto result = std::make_shared<std::optional<Result>>();
    request.run = [result, run = std::move(run)](const WorkControl& control) { *result = run(control); };
    request.done = [result, done = std::move(done)](bool completed) {
        done(completed ? std::move(*result) : std::nullopt);
    };
    return start_work(app, std::move(request));
}

// True while work started by start_work has not yet been done with.
bool work_running(const App& app);

// Cancel, as the progress's button: `done` runs at once with false; the work's thread ends at its
// next step, or for a reader that has none, once the read is over, its result dropped.
void cancel_work(App& app);

// The run ends: the work is cancelled, `done` is not called, and what still runs is waited for up
// to `patience`. False when some work still runs after that (it cannot be stopped between steps);
// the program then ends without waiting for it.
bool end_work(App& app, std::chrono::milliseconds patience);

// What App keeps of the work that runs (app/background.cpp).
struct Background;
std::shared_ptr<Background> make_background();

}  // namespace velora
