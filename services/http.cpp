#include "services/http.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>

namespace velora {

namespace {

struct Transfer {
    std::string* body;
    std::size_t max_body;
    bool too_long = false;
};

// How often a transfer in progress looks at its cancel flag and its deadline.
constexpr int CheckEveryMs = 20;

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    if (t->body->size() + n > t->max_body) {
        t->body->append(data, t->max_body - t->body->size());
        t->too_long = true;
        return 0;  // stops the transfer
    }
    t->body->append(data, n);
    return n;
}

void init_curl_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Runs the transfer, looking at `cancel` and the deadline every few milliseconds, so that a server
// that never answers, or never finishes, costs no more than the time limit and a cancelled
// transfer ends at once.
CURLcode perform(CURL* curl, const HttpLimits& limits, const std::atomic<bool>* cancel) {
    CURLM* multi = curl_multi_init();
    if (multi == nullptr) return CURLE_OUT_OF_MEMORY;
    curl_multi_add_handle(multi, curl);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.timeout_ms);
    CURLcode rc = CURLE_OK;
    int running = 1;
    while (true) {
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            rc = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0) {
            int left = 0;
            while (CURLMsg* m = curl_multi_info_read(multi, &left))
                if (m->msg == CURLMSG_DONE && m->easy_handle == curl) rc = m->data.result;
            break;
        }
        if (cancel != nullptr && cancel->load()) {
            rc = CURLE_ABORTED_BY_CALLBACK;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            rc = CURLE_OPERATION_TIMEDOUT;
            break;
        }
        curl_multi_poll(multi, nullptr, 0, CheckEveryMs, nullptr);
    }
    curl_multi_remove_handle(multi, curl);
    curl_multi_cleanup(multi);
    return rc;
}

}  // namespace

HttpResponse http_get(const std::string& url, const HttpLimits& limits, const std::atomic<bool>* cancel) {
    init_curl_once();
    HttpResponse response;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return response;

    Transfer transfer{&response.body, limits.max_body, false};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, limits.timeout_ms);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, limits.timeout_ms);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Velora");

    const CURLcode rc = perform(curl, limits, cancel);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t connect_time = 0;
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connect_time);
    curl_easy_cleanup(curl);

    response.connected = connect_time > 0 || status != 0;
    response.too_long = transfer.too_long;
    response.status = status;
    // A body cut off at its limit still came from an answering server.
    response.answered = (rc == CURLE_OK || (rc == CURLE_WRITE_ERROR && transfer.too_long)) && status != 0;
    return response;
}

}  // namespace velora
