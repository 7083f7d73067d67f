// The update check: the connectivity probe, the version file of the maker's web site, the
// comparison with this program's version and the offer to open the download page. Also the
// opening of web pages, which the probe precedes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/http.h"
#include "services/dialog_seam.h"

namespace velora {

inline constexpr const char* ProgramVersion = "1.2.2";

// The maker's web site and the probe target, set when the program is built.
std::string site_url();           // the home page
std::string version_file_url();   // site + "/VELORA_Version.txt"
std::string download_page_url();  // site + "/Velora.html"
std::string probe_url();

// A version text ("1.2.2", "1.3", "1.2.10") as its numbers; nothing for anything else. Blanks and
// line ends around it and a UTF-8 byte-order mark before it are allowed.
std::optional<std::vector<long>> parse_version(std::string_view text);

// Compares two versions number by number, a missing number counting as 0: −1, 0 or 1.
int compare_versions(const std::vector<long>& a, const std::vector<long>& b);

inline constexpr int ProbeLimitMs = 5000;
inline constexpr int ProbePollMs = 100;

// Whether the probe target answers with status 200 within `limit_ms`. The request runs on a
// worker thread; meanwhile the calling thread runs `wait(ProbePollMs)` over and over (the window
// repaints there and drops the user's input). A probe still running at the limit is cancelled
// and counts as no connection; the call always returns within the limit and a little.
bool internet_available(const std::string& url, const std::function<void(int ms)>& wait, int limit_ms = ProbeLimitMs);

// The version file is untrusted: at most this much of it is read.
inline constexpr std::size_t MostVersionFileBytes = 4096;

// GET of the version file with its limits.
HttpResponse fetch_version_file(const std::string& url);

// What the update check and the web links need from the program around them.
struct UpdateHooks {
    std::function<bool()> internet_available;
    std::function<HttpResponse(const std::string& url)> fetch;
    std::function<MessageAnswer(const MessageRequest&)> message;
    std::function<void(const std::string& url)> open_url;
    std::function<void()> save_preferences;
};

enum class UpdateOutcome { GoOn, EndProgram };

// `manual` from the menu, false for the check at start-up, which only speaks up for a newer
// version or a missing connection. EndProgram when the user chose to close the program for
// the download (the preferences are saved by then).
UpdateOutcome check_for_update(const std::string& version_url, bool manual, const UpdateHooks& hooks);

// Opens a web page after the probe; without a connection says so instead.
void open_web_page(const std::string& url, const UpdateHooks& hooks);

// The texts of the check.
std::string no_connection_text();
MessageRequest no_connection_message(bool manual);

}  // namespace velora
