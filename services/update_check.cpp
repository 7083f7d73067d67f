#include "services/update_check.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace velora {

// Both come from the build settings of the same names.
#if !defined(VELORA_SITE_URL) || !defined(VELORA_PROBE_URL)
#error "VELORA_SITE_URL and VELORA_PROBE_URL must be set by the build"
#endif

std::string site_url() { return VELORA_SITE_URL; }
std::string version_file_url() { return site_url() + "/VELORA_Version.txt"; }
std::string download_page_url() { return site_url() + "/Velora.html"; }
std::string probe_url() { return VELORA_PROBE_URL; }

namespace {

constexpr const char* UpdateTitle = "Update Velora";
constexpr std::size_t MostVersionNumbers = 4;
constexpr std::size_t MostDigits = 9;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trimmed_version_text(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

std::optional<std::vector<long>> parse_version(std::string_view text) {
    const std::string t = trimmed_version_text(text);
    std::vector<long> numbers;
    std::size_t i = 0;
    while (true) {
        std::size_t digits = 0;
        long n = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            if (++digits > MostDigits) return std::nullopt;
            n = n * 10 + (t[i] - '0');
            ++i;
        }
        if (digits == 0) return std::nullopt;
        numbers.push_back(n);
        if (numbers.size() > MostVersionNumbers) return std::nullopt;
        if (i == t.size()) return numbers;
        if (t[i] != '.') return std::nullopt;
        ++i;
    }
}

int compare_versions(const std::vector<long>& a, const std::vector<long>& b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k) {
        const long x = k < a.size() ? a[k] : 0;
        const long y = k < b.size() ? b[k] : 0;
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

bool run_beside(const std::function<void(const std::atomic<bool>& cancel)>& transfer, int limit_ms,
                const Waiting& waiting) {
    std::atomic<bool> done{false};
    std::atomic<bool> cancel{false};
    const Clock now = waiting.now ? waiting.now : Clock(std::chrono::steady_clock::now);
    const auto deadline = now() + std::chrono::milliseconds(limit_ms);
    std::thread worker([&] {
        transfer(cancel);
        done = true;
    });
    while (!done) {
        if ((waiting.give_up && waiting.give_up()) || now() >= deadline) {
            cancel = true;
            break;
        }
        if (waiting.pause)
            waiting.pause(TransferPollMs);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(TransferPollMs));
    }
    worker.join();
    return !cancel;
}

bool internet_available(const std::string& url, int limit_ms, const Waiting& waiting) {
    HttpResponse r;
    const bool ended = run_beside(
        [&](const std::atomic<bool>& cancel) {
            HttpLimits limits;
            limits.timeout_ms = limit_ms;
            limits.max_body = 64 * 1024;  // the page itself is of no interest; its status is
            r = http_get(url, limits, &cancel);
        },
        limit_ms, waiting);
    return ended && r.answered && r.status == 200;
}

HttpResponse fetch_version_file(const std::string& url, int limit_ms, const Waiting& waiting) {
    HttpResponse r;
    const bool ended = run_beside(
        [&](const std::atomic<bool>& cancel) {
            HttpLimits limits;
            limits.timeout_ms = limit_ms;
            limits.max_body = MostVersionFileBytes;
            r = http_get(url, limits, &cancel);
        },
        limit_ms, waiting);
    if (!ended) r.answered = false;
    return r;
}

std::string no_connection_text() { return "Can't connect to the Internet!\rPlease connect and try again."; }

MessageRequest no_connection_message(bool manual) {
    return {manual ? UpdateTitle : "Auto check for Velora Updates", "\r" + no_connection_text(), MessageButtons::Ok};
}

MessageRequest unreadable_version_message() {
    return {UpdateTitle, "\rThe update information could not be read.\rPlease try again later.", MessageButtons::Ok};
}

UpdateOutcome check_for_update(const std::string& version_url, bool manual, const UpdateHooks& hooks) {
    const auto ending = [&hooks] { return hooks.ending && hooks.ending(); };
    const bool connected = hooks.internet_available();
    if (ending()) return UpdateOutcome::GoOn;
    if (!connected) {
        hooks.message(no_connection_message(manual));
        return UpdateOutcome::GoOn;
    }
    const HttpResponse r = hooks.fetch(version_url);
    if (ending()) return UpdateOutcome::GoOn;
    if (!r.connected) return UpdateOutcome::GoOn;  // no request came about: nothing to say
    if (!r.answered) {
        // The site took the request and sent nothing whole in time.
        if (manual) hooks.message(no_connection_message(true));
        return UpdateOutcome::GoOn;
    }
    // Only a short version text with status 200 counts; an empty, long or strange body, or an
    // error page, is an answer that cannot be read.
    const std::optional<std::vector<long>> remote =
        r.status == 200 && !r.too_long ? parse_version(r.body) : std::nullopt;
    if (!remote) {
        if (manual) hooks.message(unreadable_version_message());
        return UpdateOutcome::GoOn;
    }
    const std::string remote_text = trimmed_version_text(r.body);
    const int order = compare_versions(*remote, *parse_version(ProgramVersion));
    if (order == 0) {
        if (manual)
            hooks.message({UpdateTitle, std::string("\rYou are using the latest version (V") + ProgramVersion + ")",
                           MessageButtons::Ok});
    } else if (order > 0) {
        const MessageAnswer go =
            hooks.message({UpdateTitle, "\rA new version (V" + remote_text + ") is available\r\rGo to the webpage now?",
                           MessageButtons::YesNo});
        if (go == MessageAnswer::Yes) {
            const MessageAnswer close =
                hooks.message({UpdateTitle, "\rClose Velora before download?\r(Recommended. All Data will be saved)",
                               MessageButtons::YesNoCancel});
            if (close == MessageAnswer::Yes) {
                hooks.save_preferences();
                hooks.open_url(download_page_url());
                return UpdateOutcome::EndProgram;
            }
            if (close == MessageAnswer::No) hooks.open_url(download_page_url());
        }
    } else if (manual) {
        hooks.message({UpdateTitle, std::string("\rThis is a development version (V") + ProgramVersion + ")",
                       MessageButtons::Ok});
    }
    return UpdateOutcome::GoOn;
}

void open_web_page(const std::string& url, const UpdateHooks& hooks) {
    const bool connected = hooks.internet_available();
    if (hooks.ending && hooks.ending()) return;
    if (!connected) {
        hooks.message({"Velora Website", "\r" + no_connection_text(), MessageButtons::Ok});
        return;
    }
    hooks.open_url(url);
}

}  // namespace velora
