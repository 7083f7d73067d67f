#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "local_http_server.h"
#include "services/update_check.h"

namespace velora {
namespace {

using testing::LocalHttpServer;
using testing::Route;

// The time limit of the checks whose servers answer, refuse or hang up at once: far beyond what
// they take on any machine, however loaded. The limits themselves are measured on a clock that
// the test moves (SteppedWait).
constexpr int AnswerLimitMs = 20000;

// A wait whose clock stands still until the server has taken `requests` requests, and from then
// on moves by each pause the waiting thread takes: the limit passes in pauses, however fast or
// slow the machine runs.
struct SteppedWait {
    std::chrono::steady_clock::time_point now{};
    int pauses = 0;  // the pauses that moved the clock

    Waiting waiting(const LocalHttpServer& server, int requests) {
        return {[this, &server, requests](int ms) {
                    if (server.requests() < requests) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                        return;
                    }
                    ++pauses;
                    now += std::chrono::milliseconds(ms);
                },
                {},
                [this] { return now; }};
    }
    long long elapsed_ms() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    }
};

const char* const NoConnection = "\rCan't connect to the Internet!\rPlease connect and try again.";
const char* const Unreadable = "\rThe update information could not be read.\rPlease try again later.";

std::vector<long> v(std::string_view text) { return parse_version(text).value(); }

TEST(Versions, DottedNumbersComparedPartByPart) {
    EXPECT_EQ(v("1.2.2"), (std::vector<long>{1, 2, 2}));
    EXPECT_EQ(compare_versions(v("1.3"), v("1.2.2")), 1);
    EXPECT_EQ(compare_versions(v("1.2.10"), v("1.2.9")), 1);
    EXPECT_EQ(compare_versions(v("1.2.2"), v("1.2.2")), 0);
    EXPECT_EQ(compare_versions(v("1.2"), v("1.2.0")), 0);
    EXPECT_EQ(compare_versions(v("1.2.1"), v("1.2.2")), -1);
    EXPECT_EQ(compare_versions(v("0.9.9"), v("1.2.2")), -1);
    // Blanks, line ends and a byte-order mark around the number are fine.
    EXPECT_EQ(v("\xEF\xBB\xBF 1.2.3\r\n"), (std::vector<long>{1, 2, 3}));
}

TEST(Versions, AnythingElseIsNoVersion) {
    for (const char* text : {"", "\n", "1.", ".1", "1..2", "v1.2", "1.2.3.4.5", "1,2", "<html>1.2</html>", "1.2 beta",
                             "12345678901", "-1.2", "1.2\x01"})
        EXPECT_FALSE(parse_version(text).has_value()) << text;
}

// The program around the check, as the tests see it: every message is recorded and answered in
// turn.
struct Recorder {
    std::vector<MessageRequest> shown;
    std::vector<MessageAnswer> answers;
    std::vector<std::string> opened;
    int saves = 0;
    std::string probe;
    int limit_ms = AnswerLimitMs;

    UpdateHooks hooks() {
        UpdateHooks h;
        h.internet_available = [this] { return internet_available(probe, limit_ms, {}); };
        h.fetch = [this](const std::string& url) { return fetch_version_file(url, limit_ms, {}); };
        h.message = [this](const MessageRequest& m) {
            shown.push_back(m);
            if (answers.empty()) return MessageAnswer::Ok;
            const MessageAnswer a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        h.open_url = [this](const std::string& url) { opened.push_back(url); };
        h.save_preferences = [this] { ++saves; };
        return h;
    }
};

struct UpdateCheck : ::testing::Test {
    LocalHttpServer server;
    Recorder rec;
    void SetUp() override {
        server.route("/", {Route::Answer, 200, "<html>up</html>"});
        rec.probe = server.url("/");
    }
    UpdateOutcome check(const std::string& body, bool manual) {
        server.route("/VELORA_Version.txt", {Route::Answer, 200, body});
        return check_for_update(server.url("/VELORA_Version.txt"), manual, rec.hooks());
    }
};

TEST_F(UpdateCheck, SameVersion) {
    EXPECT_EQ(check("1.2.2\n", true), UpdateOutcome::GoOn);
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].title, "Update Velora");
    EXPECT_EQ(rec.shown[0].text, "\rYou are using the latest version (V1.2.2)");
    rec.shown.clear();
    check("1.2.2", false);  // at start-up the latest version says nothing
    EXPECT_TRUE(rec.shown.empty());
}

TEST_F(UpdateCheck, NewerVersionOfferedAndClosedForTheDownload) {
    rec.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    EXPECT_EQ(check("1.3", false), UpdateOutcome::EndProgram);
    ASSERT_EQ(rec.shown.size(), 2u);
    EXPECT_EQ(rec.shown[0].text, "\rA new version (V1.3) is available\r\rGo to the webpage now?");
    EXPECT_EQ(rec.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(rec.shown[1].text, "\rClose Velora before download?\r(Recommended. All Data will be saved)");
    EXPECT_EQ(rec.shown[1].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(rec.saves, 1);
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened[0], download_page_url());
}

TEST_F(UpdateCheck, NewerVersionOpenedWhileTheProgramGoesOn) {
    rec.answers = {MessageAnswer::Yes, MessageAnswer::No};
    EXPECT_EQ(check("1.2.10", true), UpdateOutcome::GoOn);
    EXPECT_EQ(rec.saves, 0);
    EXPECT_EQ(rec.opened.size(), 1u);
    // Cancel, or No to the offer, does nothing.
    rec.opened.clear();
    rec.answers = {MessageAnswer::Yes, MessageAnswer::Cancel};
    EXPECT_EQ(check("2.0", true), UpdateOutcome::GoOn);
    rec.answers = {MessageAnswer::No};
    EXPECT_EQ(check("2.0", true), UpdateOutcome::GoOn);
    EXPECT_TRUE(rec.opened.empty());
    EXPECT_EQ(rec.saves, 0);
}

TEST_F(UpdateCheck, OlderVersionIsADevelopmentCopy) {
    check("1.2.1", true);
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].text, "\rThis is a development version (V1.2.2)");
    rec.shown.clear();
    check("1.2.1", false);
    EXPECT_TRUE(rec.shown.empty());
}

TEST_F(UpdateCheck, AnAnswerThatIsNoVersionCannotBeReadFromTheMenuAndIsSilentAtStartUp) {
    const std::string huge(100000, '1');
    std::string binary("\x89PNG\r\n\x1a\n\0\0\0", 11);
    for (const std::string& body : {std::string(), huge, binary, std::string("<html>1.3</html>")}) {
        rec.shown.clear();
        EXPECT_EQ(check(body, true), UpdateOutcome::GoOn);
        ASSERT_EQ(rec.shown.size(), 1u) << body.size();
        EXPECT_EQ(rec.shown[0].title, "Update Velora");
        EXPECT_EQ(rec.shown[0].text, Unreadable);
        rec.shown.clear();
        check(body, false);
        EXPECT_TRUE(rec.shown.empty());
    }
    EXPECT_TRUE(rec.opened.empty());
    // A missing version file (404) is an answer, and no version either.
    rec.shown.clear();
    check_for_update(server.url("/nothing.txt"), true, rec.hooks());
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].text, Unreadable);
}

// The site takes the request and starts the file, which never ends: given up at the limit, which
// from the menu is no connection and at start-up says nothing.
TEST_F(UpdateCheck, AVersionFileThatNeverEndsIsGivenUpAtTheLimit) {
    server.route("/VELORA_Version.txt", {Route::Endless, 200, "1."});
    for (const bool manual : {true, false}) {
        SteppedWait wait;
        UpdateHooks h = rec.hooks();
        const int requests_before = server.requests();
        h.fetch = [&](const std::string& url) {
            // The probe's request, then the version file's.
            return fetch_version_file(url, ProbeLimitMs, wait.waiting(server, requests_before + 2));
        };
        rec.shown.clear();
        check_for_update(server.url("/VELORA_Version.txt"), manual, h);
        EXPECT_EQ(wait.elapsed_ms(), ProbeLimitMs) << manual;
        if (manual) {
            ASSERT_EQ(rec.shown.size(), 1u);
            EXPECT_EQ(rec.shown[0].text, NoConnection);
        } else {
            EXPECT_TRUE(rec.shown.empty());
        }
    }
}

// The program ends during the connection test or during the download: the check stops there
// without a word.
TEST_F(UpdateCheck, AnEndingProgramStopsTheCheckWithoutAWord) {
    bool ending = false;
    UpdateHooks h = rec.hooks();
    h.ending = [&ending] { return ending; };
    h.internet_available = [&] {
        ending = true;
        return false;
    };
    check_for_update(server.url("/VELORA_Version.txt"), true, h);
    EXPECT_TRUE(rec.shown.empty());

    ending = false;
    h = rec.hooks();
    h.ending = [&ending] { return ending; };
    h.fetch = [&](const std::string&) {
        ending = true;
        return HttpResponse{};
    };
    check_for_update(server.url("/VELORA_Version.txt"), true, h);
    EXPECT_TRUE(rec.shown.empty());
    open_web_page(site_url(), h);
    EXPECT_TRUE(rec.shown.empty());
    EXPECT_TRUE(rec.opened.empty());
}

TEST_F(UpdateCheck, VersionServerRefusingTheConnectionIsSilent) {
    check_for_update(testing::refused_url("/VELORA_Version.txt"), true, rec.hooks());
    EXPECT_TRUE(rec.shown.empty());
}

TEST_F(UpdateCheck, NoConnection) {
    rec.probe = testing::refused_url("/");
    check("1.3", true);
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].title, "Update Velora");
    EXPECT_EQ(rec.shown[0].text, NoConnection);
    rec.shown.clear();
    check("1.3", false);
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].title, "Auto check for Velora Updates");
    // The web links say so too, and open nothing.
    rec.shown.clear();
    open_web_page(site_url(), rec.hooks());
    ASSERT_EQ(rec.shown.size(), 1u);
    EXPECT_EQ(rec.shown[0].title, "Velora Website");
    EXPECT_TRUE(rec.opened.empty());
}

TEST(Probe, AnswersOnlyWithStatus200) {
    LocalHttpServer server;
    server.route("/ok", {Route::Answer, 200, "fine"});
    server.route("/moved", {Route::Answer, 503, "busy"});
    server.route("/gone", {Route::HangUp, 0, ""});
    EXPECT_TRUE(internet_available(server.url("/ok"), AnswerLimitMs, {}));
    EXPECT_FALSE(internet_available(server.url("/moved"), AnswerLimitMs, {}));
    EXPECT_FALSE(internet_available(server.url("/gone"), AnswerLimitMs, {}));
    EXPECT_FALSE(internet_available(testing::refused_url("/"), AnswerLimitMs, {}));
}

// The one test of the real limit: with the request on its way the probe is given up after
// exactly five seconds of the clock, the caller's thread kept going in pauses all along.
TEST(Probe, ASilentServerIsGivenUpAtTheLimit) {
    static_assert(ProbeLimitMs == 5000);
    LocalHttpServer server;
    server.route("/", {Route::Silent, 0, ""});
    SteppedWait wait;
    EXPECT_FALSE(internet_available(server.url("/"), ProbeLimitMs, wait.waiting(server, 1)));
    EXPECT_EQ(wait.elapsed_ms(), ProbeLimitMs);
    EXPECT_EQ(wait.pauses, ProbeLimitMs / TransferPollMs);
}

// A wait that is given up ends at once, long before the limit, and the transfer with it: a
// transfer that went on would hold the wait for the whole minute of its own limit.
TEST(Probe, AWaitGivenUpEndsTheTransferAtOnce) {
    constexpr int MinuteMs = 60000;
    LocalHttpServer server;
    server.route("/", {Route::Silent, 0, ""});
    SteppedWait wait;
    Waiting waiting = wait.waiting(server, 1);
    waiting.give_up = [&wait] { return wait.elapsed_ms() >= 100; };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(internet_available(server.url("/"), MinuteMs, waiting));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(wait.elapsed_ms(), 100) << "given up at the first look after a tenth of a second";
    EXPECT_LT(took, std::chrono::milliseconds(MinuteMs / 2));
}

TEST(Site, AddressesUnderTheSiteRoot) {
    EXPECT_EQ(version_file_url(), site_url() + "/VELORA_Version.txt");
    EXPECT_EQ(download_page_url(), site_url() + "/Velora.html");
}

}  // namespace
}  // namespace velora
