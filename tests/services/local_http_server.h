// A small HTTP server on 127.0.0.1 for tests: it answers each path as told, keeps silent, starts
// an answer that never ends, or hangs up, and stops when the test ends. Nothing leaves the
// machine.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace velora::testing {

struct Route {
    enum Kind {
        Answer,
        Silent,
        Endless,
        HangUp
    } kind = Answer;  // Endless: the status line, the
                      // headers and `body`, then nothing
    int status = 200;
    std::string body;
};

struct LocalHttpServer {
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    void route(const std::string& path, Route r);
    std::string url(const std::string& path) const;
    int requests() const { return served.load(); }

    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<int> served{0};
    std::mutex lock;
    std::map<std::string, Route> routes;
    std::thread thread;
};

// A URL on 127.0.0.1 where nothing listens: connections are refused.
std::string refused_url(const std::string& path);

}  // namespace velora::testing
