#include "app/single_instance.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace velora {

InstanceLock::~InstanceLock() {
#ifndef _WIN32
    notifier.reset();
    if (server_fd >= 0) {
        ::close(server_fd);
        ::unlink(socket_path.c_str());
    }
    if (lock_fd >= 0) ::close(lock_fd);
#endif
}

InstanceClaim claim_instance(InstanceLock& lock, const std::string& prefs_folder) {
#ifdef _WIN32
    (void)lock;
    (void)prefs_folder;
    return InstanceClaim::Unknown;
#else
    const std::string path = prefs_folder + InstanceLockName;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return InstanceClaim::Unknown;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? InstanceClaim::Running : InstanceClaim::Unknown;
    }
    lock.lock_fd = fd;
    return InstanceClaim::First;
#endif
}

std::string instance_socket_path(const std::string& private_folder, const std::string& prefs_folder) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(prefs_folder));
    return private_folder + "instance-" + hash;
}

#ifndef _WIN32
namespace {

bool socket_address(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace
#endif

bool listen_for_later_starts(InstanceLock& lock, const std::string& socket_path,
                             const std::function<void()>& on_request) {
#ifdef _WIN32
    (void)lock;
    (void)socket_path;
    (void)on_request;
    return false;
#else
    sockaddr_un address{};
    if (lock.lock_fd < 0 || !socket_address(socket_path, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // Whatever is there was left by a run that held the lock before: this run holds it now.
    ::unlink(socket_path.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    lock.server_fd = fd;
    lock.socket_path = socket_path;
    auto notifier = std::make_shared<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [fd, on_request] {
        for (;;) {
            const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) return;
            // Each connection is a later start asking; no answer is owed.
            ::close(client);
            on_request();
        }
    });
    lock.notifier = notifier;
    return true;
#endif
}

bool ask_running_instance(const std::string& socket_path, std::chrono::milliseconds patience) {
#ifdef _WIN32
    (void)socket_path;
    (void)patience;
    return false;
#else
    sockaddr_un address{};
    if (!socket_address(socket_path, address)) return false;
    const auto until = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            // The connection is the request: the running program may take it and close it before
            // the byte arrives, which is no failure.
            const char byte = 'r';
            [[maybe_unused]] const ssize_t sent = ::send(fd, &byte, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            ::close(fd);
            return true;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
#endif
}

}  // namespace velora
