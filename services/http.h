// Plain HTTP(S) GET requests, for the connectivity probe and the version file.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace velora {

struct HttpLimits {
    long timeout_ms = 10000;      // the whole request, connection included
    std::size_t max_body = 4096;  // a longer body is cut off and marked
};

struct HttpResponse {
    bool connected = false;  // a connection to the server came about
    bool answered = false;   // a response arrived (any status)
    long status = 0;         // its HTTP status
    std::string body;        // at most max_body bytes of it
    bool too_long = false;   // the body went on beyond max_body
};

// GET `url` (http or https only; certificates are verified), all of it within limits.timeout_ms.
// The request ends early, with nothing answered, as soon as `cancel` becomes true (within a few
// milliseconds).
HttpResponse http_get(const std::string& url, const HttpLimits& limits, const std::atomic<bool>* cancel = nullptr);

}  // namespace velora
