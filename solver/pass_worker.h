// A second thread for the independent halves of a recalculation pass.
//
// `run_beside` hands one piece of work to the worker thread and runs another on the calling
// thread; it returns when both have ended. The two pieces must share nothing that either writes:
// each reads its own inputs and writes its own result. Which thread runs a piece never changes
// what it computes, so the results are those of running the two one after the other. Should the
// worker not have started its piece by the time the caller's is done (a busy machine), the caller
// takes it back and runs it itself, so a pass is never slower than on one thread.
//
// Each side watches for the other for half a millisecond before it sleeps, the worker for its next
// piece and the caller for the end of the worker's: the pieces of one solve follow one another
// closely, and a thread woken from sleep on a busy machine can wait long for its processor.
//
// The thread is started by the first `run_beside` and ended by the destructor. A copy is a
// worker of its own (no thread until it is used); a worker is never shared.
#pragma once

#include <exception>
#include <memory>
#include <type_traits>

namespace velora {

class PassWorker {
public:
    PassWorker();
    PassWorker(const PassWorker&);
    PassWorker& operator=(const PassWorker&);
    ~PassWorker();

    // `beside` runs on the worker thread, `here` on the calling thread. An exception from either
    // is passed on after both have ended (the caller's first).
    template <class Beside, class Here>
    void run_beside(Beside&& beside, Here&& here) {
        Job job{[](void* context) { (*static_cast<std::remove_reference_t<Beside>*>(context))(); },
                const_cast<void*>(static_cast<const void*>(&beside))};
        post(job);
        std::exception_ptr failure;
        try {
            here();
        } catch (...) {
            failure = std::current_exception();
        }
        const std::exception_ptr beside_failure = finish(job);
        if (failure) std::rethrow_exception(failure);
        if (beside_failure) std::rethrow_exception(beside_failure);
    }

    // How many pieces the worker thread ran and how many the caller took back (for tests).
    int ran_beside() const;
    int taken_back() const;

private:
    struct Job {
        void (*run)(void*);
        void* context;
    };
    struct Thread;

    void post(const Job& job);
    std::exception_ptr finish(const Job& job);

    std::unique_ptr<Thread> thread_;
};

}  // namespace velora
