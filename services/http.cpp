#include "services/http.h"

#include <curl/curl.h>

#include <mutex>

namespace velora {

namespace {

struct Transfer {
    std::string* body;
    std::size_t max_body;
    bool too_long = false;
    const std::atomic<bool>* cancel;
};

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

int on_progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* t = static_cast<const Transfer*>(user);
    return t->cancel != nullptr && t->cancel->load() ? 1 : 0;
}

void init_curl_once() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpResponse http_get(const std::string& url, const HttpLimits& limits, const std::atomic<bool>* cancel) {
    init_curl_once();
    HttpResponse response;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return response;

    Transfer transfer{&response.body, limits.max_body, false, cancel};
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
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Velora");

    const CURLcode rc = curl_easy_perform(curl);
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
