// The update check and the web links in the window, against a web server on 127.0.0.1 that the
// test starts: the manual and the start-up check, the download offer and its three answers, a
// probe that never answers (the window repaints meanwhile but drops the user's input), refused
// connections, and the maker's site and the help document from the menu.
#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <chrono>

#include "app_fixture.h"
#include "app/web_links.h"
#include "local_http_server.h"
#include "services/update_check.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::pref_value;
using testing_support::read_file;
using testing_support::write_file;
using velora::testing::LocalHttpServer;
using velora::testing::Route;

const char* const NoConnection = "\rCan't connect to the Internet!\rPlease connect and try again.";

class UpdateWiring : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        server_.route("/", {Route::Answer, 200, "<html>home</html>"});
        web_ = {server_.url("/"), server_.url("/VELORA_Version.txt"), server_.url("/")};
    }

    void serve_version(const std::string& body) { server_.route("/VELORA_Version.txt", {Route::Answer, 200, body}); }

    // A start with the start-up check on or off, the splash off.
    void start_with_check(bool on, std::map<std::string, std::string> more = {})
    {
        more["AutoUpdateCheck"] = on ? "1" : "0";
        write_prefs(more);
        start();
    }

    void menu(int number) { window().items.at(number)->trigger(); }

    // The preferences file as the test wrote it has no byte-order mark; the program's has.
    bool saved_by_program() { return read_file(prefs_path()).substr(0, 3) == "\xEF\xBB\xBF"; }

    LocalHttpServer server_;
};

TEST_F(UpdateWiring, TheSameVersionIsReportedFromTheMenuAndSilentAtStartUp)
{
    serve_version("1.2.2\r\n");
    start_with_check(true);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(server_.requests(), 2) << "the probe and the version file at start-up";

    menu(MenuCheckUpdates);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Update Velora");
    EXPECT_EQ(messages_[0].text, "\rYou are using the latest version (V1.2.2)");
    EXPECT_EQ(messages_[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(server_.requests(), 4);
    EXPECT_TRUE(urls_.empty());
    EXPECT_FALSE(app().ended);
}

TEST_F(UpdateWiring, NoCheckAtStartUpWhenItIsSwitchedOff)
{
    serve_version("9.9.9");
    start_with_check(false);
    EXPECT_EQ(server_.requests(), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UpdateWiring, ANewerVersionAtStartUpYesYesSavesAndEndsAtOnce)
{
    serve_version("1.2.10");
    answers_ = {MessageAnswer::Yes, MessageAnswer::Yes};
    // The logo is on: the end of a normal run would show it and save once more.
    write_prefs({{"AutoUpdateCheck", "1"}, {"AutoLogoCheck", "1"}, {"MV", "811.0"}});
    state_ = CalcState{};
    app_ = std::make_unique<App>(state_);
    app_->dialogs.message = [this](const MessageRequest& m) {
        messages_.push_back(m);
        window_shown_at_message_.push_back(app_->window.window->isVisible());
        const MessageAnswer a = answers_.front();
        answers_.erase(answers_.begin());
        return a;
    };
    app_->dialogs.open_url = [this](const std::string& url) { urls_.push_back(url); };
    app_->web = web_;
    start_program(*app_);

    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].text, "\rA new version (V1.2.10) is available\r\rGo to the webpage now?");
    EXPECT_EQ(messages_[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages_[1].text, "\rClose Velora before download?\r(Recommended. All Data will be saved)");
    EXPECT_EQ(messages_[1].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(window_shown_at_message_, (std::vector<bool>{true, true})) << "asked once the window is up";
    EXPECT_EQ(urls_, std::vector<std::string>{download_page_url()});
    EXPECT_TRUE(app().closed_for_download);
    EXPECT_TRUE(app().ended);
    EXPECT_FALSE(app().dispatching);
    EXPECT_EQ(app().events, nullptr) << "no event loop follows";
    EXPECT_TRUE(saved_by_program());
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "811.0");

    // What follows the loop does nothing more: no second save, no logo.
    write_file(prefs_path(), "kept\n");
    finish_program(app());
    EXPECT_EQ(read_file(prefs_path()), "kept\n");
    ASSERT_TRUE(app().splash.window == nullptr || !app().splash.window->isVisible());
}

TEST_F(UpdateWiring, YesYesFromTheMenuEndsTheLoopWithoutTheShutDown)
{
    serve_version("1.3.0");
    start_with_check(false, {{"AutoLogoCheck", "1"}});
    answers_ = {MessageAnswer::Yes, MessageAnswer::Yes};
    type_into(FieldMV, "805");
    press(Qt::Key_Return);
    menu(MenuCheckUpdates);
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(urls_, std::vector<std::string>{download_page_url()});
    EXPECT_EQ(loop_ends_, 1);
    EXPECT_TRUE(app().closed_for_download);
    EXPECT_TRUE(saved_by_program());
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "805.0");
    // The program takes no more orders, and ends without saving again.
    press(Qt::Key_Escape);
    EXPECT_EQ(loop_ends_, 1);
    write_file(prefs_path(), "kept\n");
    finish_program(app());
    EXPECT_EQ(read_file(prefs_path()), "kept\n");
}

TEST_F(UpdateWiring, YesNoOpensThePageAndGoesOnCancelAndNoDoNothing)
{
    serve_version("1.2.10\n");
    start_with_check(false);
    const std::string before = read_file(prefs_path());

    answers_ = {MessageAnswer::Yes, MessageAnswer::No};
    menu(MenuCheckUpdates);
    EXPECT_EQ(messages_.size(), 2u);
    EXPECT_EQ(urls_, std::vector<std::string>{download_page_url()});

    answers_ = {MessageAnswer::Yes, MessageAnswer::Cancel};
    menu(MenuCheckUpdates);
    EXPECT_EQ(messages_.size(), 4u);
    answers_ = {MessageAnswer::No};
    menu(MenuCheckUpdates);
    EXPECT_EQ(messages_.size(), 5u) << "No to the offer asks nothing more";
    EXPECT_EQ(urls_.size(), 1u);

    EXPECT_EQ(read_file(prefs_path()), before) << "nothing saved";
    EXPECT_FALSE(app().ended);
    EXPECT_EQ(loop_ends_, 0);
    press(Qt::Key_Escape);
    EXPECT_EQ(loop_ends_, 1) << "the program goes on";
}

TEST_F(UpdateWiring, AnOlderVersionIsADevelopmentCopyFromTheMenuOnly)
{
    serve_version("1.2.1");
    start_with_check(true);
    EXPECT_TRUE(messages_.empty());
    menu(MenuCheckUpdates);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Update Velora");
    EXPECT_EQ(messages_[0].text, "\rThis is a development version (V1.2.2)");
}

TEST_F(UpdateWiring, AnEmptyVersionFileIsNoConnectionFromTheMenuAndSilentAtStartUp)
{
    serve_version("");
    start_with_check(true);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(server_.requests(), 2);
    menu(MenuCheckUpdates);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Update Velora");
    EXPECT_EQ(messages_[0].text, NoConnection);
}

// The probe target accepts the connection and never answers: given up at the limit and reported
// as no connection. Meanwhile the window repaints but the user's keys and clicks are lost.
TEST_F(UpdateWiring, AProbeThatNeverAnswersIsGivenUpAndTheWaitDropsInput)
{
    server_.route("/", {Route::Silent, 0, ""});
    serve_version("1.3");
    start_with_check(false, {{"mode", "0"}});
    const std::string mv = text(FieldMV);
    QWidget* top = window().window.get();

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    top->installEventFilter(&counter);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        top->update();
        if (ticks == 5) {
            // The user types, clicks the panel button, presses Escape and closes the window.
            type_into(FieldMV, "9");
            press(Qt::Key_Return);
            click(PanelButton);
            press(Qt::Key_Escape);
            top->close();
        }
    });
    ticker.start(200);

    QElapsedTimer took;
    took.start();
    menu(MenuCheckUpdates);
    const qint64 ms = took.elapsed();
    ticker.stop();
    top->removeEventFilter(&counter);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Update Velora");
    EXPECT_EQ(messages_[0].text, NoConnection);
    EXPECT_EQ(server_.requests(), 1) << "the version file is not asked for";
    EXPECT_GE(ms, ProbeLimitMs);
    EXPECT_LT(ms, ProbeLimitMs + 4000);
    EXPECT_GE(ticks, 5) << "the window's timers ran during the wait";
    EXPECT_GT(counter.paints, 0) << "the window repainted during the wait";
    // Nothing the user did in that time reached the program.
    EXPECT_EQ(loop_ends_, 0);
    EXPECT_FALSE(app().ended);
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(state_.mode, 0);
    EXPECT_EQ(text(FieldMV), mv);
    // Afterwards the window listens again.
    press(Qt::Key_Escape);
    EXPECT_EQ(loop_ends_, 1);
}

TEST_F(UpdateWiring, AProbeThatNeverAnswersAtStartUpSaysSoWithItsOwnTitle)
{
    server_.route("/", {Route::Silent, 0, ""});
    start_with_check(true);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Auto check for Velora Updates");
    EXPECT_EQ(messages_[0].text, NoConnection);
    EXPECT_TRUE(app().dispatching) << "the program goes on";
}

TEST_F(UpdateWiring, RefusedConnections)
{
    // The version file's server refuses: nothing is said.
    web_.version_file = velora::testing::refused_url("/VELORA_Version.txt");
    start_with_check(true);
    EXPECT_TRUE(messages_.empty());
    menu(MenuCheckUpdates);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(server_.requests(), 2) << "only the probes";

    // The probe's server refuses: no connection.
    app().web.probe = velora::testing::refused_url("/");
    menu(MenuCheckUpdates);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, NoConnection);
}

TEST_F(UpdateWiring, TheMakersSiteOpensAfterTheProbeAndTheHelpWithout)
{
    start_with_check(false);
    menu(MenuWebsite);
    EXPECT_EQ(urls_, std::vector<std::string>{web_.site});
    EXPECT_EQ(server_.requests(), 1) << "the probe";
    EXPECT_TRUE(messages_.empty());

    urls_.clear();
    app().web.probe = velora::testing::refused_url("/");
    menu(MenuWebsite);
    EXPECT_TRUE(urls_.empty());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Velora Website");
    EXPECT_EQ(messages_[0].text, NoConnection);

    // The help document is local: opened at once, without a probe.
    menu(MenuHelpTopics);
    press(Qt::Key_F1);
    EXPECT_EQ(urls_, (std::vector<std::string>{"file://" + state_.HelpFile, "file://" + state_.HelpFile}));
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_EQ(server_.requests(), 1);
}

TEST(WebAddresses, TheBuiltInAddressesAreThoseOfTheBuild)
{
    const WebAddresses web = built_in_web_addresses();
    EXPECT_EQ(web.site, site_url());
    EXPECT_EQ(web.version_file, version_file_url());
    EXPECT_EQ(web.probe, probe_url());
}

}  // namespace
}  // namespace velora
