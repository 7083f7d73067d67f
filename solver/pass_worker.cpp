#include "solver/pass_worker.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace velora {

namespace {

enum class JobState { None, Posted, Running, Done };

// How long each side watches for the other before it goes to sleep. The pieces of a solve follow
// one another within microseconds, and a thread woken from sleep on a busy machine can wait
// milliseconds for its processor; a piece of work lasts from a tenth of a millisecond upwards.
constexpr auto WatchTime = std::chrono::microseconds(500);

// Watches `state` until `ready` holds or the watch time has passed; true when it holds.
template <class Ready>
bool watch(const std::atomic<JobState>& state, Ready ready) {
    const auto until = std::chrono::steady_clock::now() + WatchTime;
    for (int round = 0;; ++round) {
        if (ready(state.load(std::memory_order_acquire))) return true;
        if (round % 64 == 63 && std::chrono::steady_clock::now() >= until) return false;
    }
}

}  // namespace

struct PassWorker::Thread {
    std::mutex mutex;
    std::condition_variable posted;                // the worker waits here for a job or the end
    std::condition_variable done;                  // the caller waits here for the job to end
    std::atomic<JobState> state = JobState::None;  // written with the mutex held
    Job job{};
    std::exception_ptr failure;
    std::atomic<bool> ending = false;
    int ran = 0;
    int taken_back = 0;
    std::thread thread;  // last: started once everything above exists

    Thread() : thread([this] { loop(); }) {}

    ~Thread() {
        {
            std::lock_guard lock(mutex);
            ending = true;
        }
        posted.notify_one();
        thread.join();
    }

    void loop() {
        std::unique_lock lock(mutex);
        for (;;) {
            if (!ending && state != JobState::Posted) {
                // The next piece of the same pass usually follows at once.
                lock.unlock();
                watch(state, [this](JobState now) { return now == JobState::Posted || ending; });
                lock.lock();
            }
            posted.wait(lock, [this] { return ending || state == JobState::Posted; });
            if (ending) return;
            state = JobState::Running;
            const Job j = job;
            lock.unlock();
            std::exception_ptr f;
            try {
                j.run(j.context);
            } catch (...) {
                f = std::current_exception();
            }
            lock.lock();
            failure = f;
            ++ran;
            state = JobState::Done;
            done.notify_one();
        }
    }
};

PassWorker::PassWorker() = default;
PassWorker::PassWorker(const PassWorker&) {}
PassWorker& PassWorker::operator=(const PassWorker&) { return *this; }
PassWorker::~PassWorker() = default;

void PassWorker::post(const Job& job) {
    if (!thread_) thread_ = std::make_unique<Thread>();
    {
        std::lock_guard lock(thread_->mutex);
        thread_->job = job;
        thread_->failure = nullptr;
        thread_->state = JobState::Posted;
    }
    thread_->posted.notify_one();
}

std::exception_ptr PassWorker::finish(const Job& job) {
    Thread& t = *thread_;
    std::unique_lock lock(t.mutex);
    if (t.state == JobState::Posted) {
        // Not started yet: run it here rather than wait for the thread to be scheduled.
        t.state = JobState::None;
        ++t.taken_back;
        lock.unlock();
        try {
            job.run(job.context);
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    }
    if (t.state != JobState::Done) {
        lock.unlock();
        watch(t.state, [](JobState now) { return now == JobState::Done; });
        lock.lock();
    }
    t.done.wait(lock, [&t] { return t.state == JobState::Done; });
    t.state = JobState::None;
    return t.failure;
}

int PassWorker::ran_beside() const {
    if (!thread_) return 0;
    std::lock_guard lock(thread_->mutex);
    return thread_->ran;
}

int PassWorker::taken_back() const {
    if (!thread_) return 0;
    std::lock_guard lock(thread_->mutex);
    return thread_->taken_back;
}

}  // namespace velora
