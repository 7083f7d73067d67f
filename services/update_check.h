// The update check: the connectivity probe, the version file of the maker's web site, the
// comparison with this program's version and the offer to open the download page. Also the
// opening of web pages, which the probe precedes.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/dialog_seam.h"
#include "services/http.h"
#include "velora_version.h"

namespace velora {

// The maker's web site and the probe target, set when the program is built.
std::string site_url();           // the home page
std::string version_file_url();   // site + "/VELORA_Version.txt"
std::string download_page_url();  // site + "/Velora.html"
std::string probe_url();

// A version text ("1.3", "1.2.10", "2.0.1") as its numbers; nothing for anything else. Blanks and
// line ends around it and a UTF-8 byte-order mark before it are allowed.
std::optional<std::vector<long>> parse_version(std::string_view text);

// Compares two versions number by number, a missing number counting as 0: −1, 0 or 1.
int compare_versions(const std::vector<long>& a, const std::vector<long>& b);

// The time limit of the connectivity probe, and of the version file after it.
inline constexpr int ProbeLimitMs = 5000;
// How often the waiting thread looks whether a transfer has ended.
inline constexpr int TransferPollMs = 10;

// The clock a time limit is measured on: the steady clock where none is given (tests move their
// own, so that no limit depends on how fast a loaded machine runs).
using Clock = std::function<std::chrono::steady_clock::time_point()>;

// How the calling thread spends the time while a transfer runs on a worker thread.
struct Waiting {
    // Keeps the caller's thread going for about `ms` (the window handles its events there); when
    // empty the thread sleeps.
    std::function<void(int ms)> pause;
    // True when the wait is to end at once: the program is ending.
    std::function<bool()> give_up;
    // The clock of the limit; the steady clock when empty.
    Clock now{};
};

// Runs `transfer` on a worker thread and returns once it has ended, the calling thread meanwhile
// pausing as `waiting` says. At `limit_ms` on the waiting's clock, or as soon as
// `waiting.give_up()`, the flag handed to the transfer is set; it ends within moments then
// (http_get does). True when the transfer ended by itself within the limit.
bool run_beside(const std::function<void(const std::atomic<bool>& cancel)>& transfer, int limit_ms,
                const Waiting& waiting);

// Whether the probe target answers with status 200 within `limit_ms`, the request running beside
// the calling thread. A probe still running at the limit is cancelled and counts as no
// connection; the call always returns within the limit and a little.
bool internet_available(const std::string& url, int limit_ms, const Waiting& waiting);

// The version file is untrusted: at most this much of it is read.
inline constexpr std::size_t MostVersionFileBytes = 4096;

// GET of the version file with its limits, beside the calling thread; a file that has not
// arrived whole within `limit_ms` is given up (nothing answered).
HttpResponse fetch_version_file(const std::string& url, int limit_ms, const Waiting& waiting);

// What the update check and the web links need from the program around them.
struct UpdateHooks {
    std::function<bool()> internet_available;
    std::function<HttpResponse(const std::string& url)> fetch;
    std::function<MessageAnswer(const MessageRequest&)> message;
    std::function<void(const std::string& url)> open_url;
    std::function<void()> save_preferences;
    // True once the program is ending: the check then stops without a word.
    std::function<bool()> ending;
};

enum class UpdateOutcome { GoOn, EndProgram };

// `manual` from the menu, false for the check at start-up, which only speaks up for a newer
// version or a missing connection. From the menu, a site that answers with anything but a
// version says that the update information could not be read. EndProgram when the user chose to close the program for
// the download (the preferences are saved by then).
UpdateOutcome check_for_update(const std::string& version_url, bool manual, const UpdateHooks& hooks);

// Opens a web page after the probe; without a connection says so instead.
void open_web_page(const std::string& url, const UpdateHooks& hooks);

// The texts of the check.
std::string no_connection_text();
MessageRequest no_connection_message(bool manual);
MessageRequest unreadable_version_message();

}  // namespace velora
