#include "local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <vector>

namespace velora::testing {

namespace {

int bound_socket(int& port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) throw std::runtime_error("socket");
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) throw std::runtime_error("bind");
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    port = ntohs(addr.sin_port);
    return fd;
}

bool wait_readable(int fd, const std::atomic<bool>& stopping) {
    while (!stopping) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) > 0) return true;
    }
    return false;
}

std::string read_request(int fd, const std::atomic<bool>& stopping) {
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        if (!wait_readable(fd, stopping)) break;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    return request;
}

void send_all(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

LocalHttpServer::LocalHttpServer() {
    listener = bound_socket(port);
    listen(listener, 16);
    thread = std::thread([this] {
        std::vector<int> silent;  // connections kept open without an answer
        while (wait_readable(listener, stopping)) {
            const int fd = accept(listener, nullptr, nullptr);
            if (fd < 0) continue;
            const std::string request = read_request(fd, stopping);
            const std::size_t sp1 = request.find(' ');
            const std::size_t sp2 = request.find(' ', sp1 + 1);
            const std::string path = sp1 == std::string::npos ? "" : request.substr(sp1 + 1, sp2 - sp1 - 1);
            Route r;
            {
                std::lock_guard<std::mutex> g(lock);
                const auto it = routes.find(path);
                if (it == routes.end()) {
                    r.status = 404;
                    r.body = "<html>not here</html>";
                } else {
                    r = it->second;
                }
            }
            ++served;
            if (r.kind == Route::Endless)
                send_all(fd,
                         "HTTP/1.1 " + std::to_string(r.status) + " X\r\nContent-Length: 100000000\r\n\r\n" + r.body);
            if (r.kind == Route::Silent || r.kind == Route::Endless) {
                silent.push_back(fd);
                continue;
            }
            if (r.kind == Route::Answer) {
                send_all(fd, "HTTP/1.1 " + std::to_string(r.status) + " X\r\nContent-Length: " +
                                 std::to_string(r.body.size()) + "\r\nConnection: close\r\n\r\n" + r.body);
            }
            close(fd);
        }
        for (int fd : silent) close(fd);
    });
}

LocalHttpServer::~LocalHttpServer() {
    stopping = true;
    thread.join();
    close(listener);
}

void LocalHttpServer::route(const std::string& path, Route r) {
    std::lock_guard<std::mutex> g(lock);
    routes[path] = std::move(r);
}

std::string LocalHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::string refused_url(const std::string& path) {
    int port = 0;
    const int fd = bound_socket(port);
    close(fd);  // nothing listens on this port any more
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

}  // namespace velora::testing
