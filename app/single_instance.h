// One running program per preferences folder. The first run holds a lock on "Velora.lock" in the
// folder for as long as it runs; the system lets it go however the run ends, so the lock of a run
// that was killed is simply taken by the next. A second start with the same folder finds the lock
// held, asks the running program through a local socket to bring its window to the front, and ends
// without reading or writing anything.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace velora {

inline constexpr const char* InstanceLockName = "Velora.lock";

struct InstanceLock {
    InstanceLock() = default;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    int lock_fd = -1;
    int server_fd = -1;
    std::string socket_path;
    std::shared_ptr<void> notifier;  // the socket's watch in the event loop
};

enum class InstanceClaim {
    First,    // the lock is this run's
    Running,  // another run holds it
    Unknown,  // the lock file cannot be made or locked: the run goes on as the first
};

// Takes the lock of `prefs_folder` (which ends with its separator) into `lock`.
InstanceClaim claim_instance(InstanceLock& lock, const std::string& prefs_folder);

// The local socket of the run that uses `prefs_folder`, in the user's private folder.
std::string instance_socket_path(const std::string& private_folder, const std::string& prefs_folder);

// Listens on `socket_path` (the lock must be held); `on_request` runs in the event loop for every
// later start that asks. False when the socket cannot be made.
bool listen_for_later_starts(InstanceLock& lock, const std::string& socket_path,
                             const std::function<void()>& on_request);

// A later start asks the running program to show its window; true once it was told. The running
// program may still be starting up: the request is tried again for up to `patience`.
bool ask_running_instance(const std::string& socket_path, std::chrono::milliseconds patience);

}  // namespace velora
