#include "solver/pass_worker.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace velora {

namespace {

enum class JobState { None, Posted, Running, Done };

}  // namespace

struct PassWorker::Thread {
    std::mutex mutex;
    std::condition_variable posted;  // the worker waits here for a job or the end
    std::condition_variable done;    // the caller waits here for the job to end
    JobState state = JobState::None;
    Job job{};
    std::exception_ptr failure;
    bool ending = false;
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
