// The update check and the web links in the window, against a web server on 127.0.0.1 that the
// test starts: the manual and the start-up check, the download offer and its three answers, a
// probe that never answers (the window repaints meanwhile but drops the user's input), refused
// connections, and the maker's site and the help document from the menu.
#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cerrno>
#include <chrono>

#include <signal.h>

#include "app/dialogs.h"
#include "app/embedded.h"
#include "app/web_links.h"
#include "app_fixture.h"
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
const char* const Unreadable = "\rThe update information could not be read.\rPlease try again later.";

// The time limit of the probe and the version file in every test here, measured on a clock that
// stands still unless the test moves it: a server that answers, refuses or hangs up is never near
// it on any machine, however loaded, and a test that wants the limit reached moves the clock
// there. (The transfers themselves stop after as much real time, which no test comes near; the
// real 5-s limit has its own test with the probe alone.)
constexpr int LimitMs = 60000;

class UpdateWiring : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        server_.route("/", {Route::Answer, 200, "<html>home</html>"});
        web_ = {server_.url("/"), server_.url("/VELORA_Version.txt"), server_.url("/"), LimitMs,
                [this] { return now_; }};
    }

    // Moves the clock of the limit on.
    void advance(int ms) { now_ += std::chrono::milliseconds(ms); }

    void serve_version(const std::string& body) { server_.route("/VELORA_Version.txt", {Route::Answer, 200, body}); }

    // A start with the start-up check on or off, the splash off.
    void start_with_check(bool on, std::map<std::string, std::string> more = {}) {
        more["AutoUpdateCheck"] = on ? "1" : "0";
        write_prefs(more);
        start();
    }

    void menu(int number) { window().items.at(number)->trigger(); }

    // The preferences file as the test wrote it has no byte-order mark; the program's has.
    bool saved_by_program() { return read_file(prefs_path()).substr(0, 3) == "\xEF\xBB\xBF"; }

    LocalHttpServer server_;
    std::chrono::steady_clock::time_point now_{};
};

TEST_F(UpdateWiring, TheSameVersionIsReportedFromTheMenuAndSilentAtStartUp) {
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

TEST_F(UpdateWiring, NoCheckAtStartUpWhenItIsSwitchedOff) {
    serve_version("9.9.9");
    start_with_check(false);
    EXPECT_EQ(server_.requests(), 0);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(UpdateWiring, ANewerVersionAtStartUpYesYesSavesAndEndsAtOnce) {
    serve_version("1.2.10");
    answers_ = {MessageAnswer::Yes, MessageAnswer::Yes};
    write_prefs({{"AutoUpdateCheck", "1"}, {"MV", "811.0"}});
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
    app_->settling_rounds = 3;
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
    EXPECT_FALSE(app().dispatching) << "no event loop follows";
    EXPECT_TRUE(saved_by_program());
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "811.0");

    // What follows the loop does nothing more: no second save, no logo (which is on now).
    app().state.AutoLogoCheck = 1;
    write_file(prefs_path(), "kept\n");
    finish_program(app());
    EXPECT_EQ(read_file(prefs_path()), "kept\n");
    ASSERT_TRUE(app().splash.window == nullptr || !app().splash.window->isVisible());
}

TEST_F(UpdateWiring, YesYesFromTheMenuEndsTheLoopWithoutTheShutDown) {
    serve_version("1.3.0");
    start_with_check(false);
    state_.AutoLogoCheck = 1;  // the end of a normal run would show the logo
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

TEST_F(UpdateWiring, YesNoOpensThePageAndGoesOnCancelAndNoDoNothing) {
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

TEST_F(UpdateWiring, AnOlderVersionIsADevelopmentCopyFromTheMenuOnly) {
    serve_version("1.2.1");
    start_with_check(true);
    EXPECT_TRUE(messages_.empty());
    menu(MenuCheckUpdates);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Update Velora");
    EXPECT_EQ(messages_[0].text, "\rThis is a development version (V1.2.2)");
}

TEST_F(UpdateWiring, AnEmptyVersionFileCannotBeReadFromTheMenuAndIsSilentAtStartUp) {
    serve_version("");
    start_with_check(true);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(server_.requests(), 2);
    menu(MenuCheckUpdates);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Update Velora");
    EXPECT_EQ(messages_[0].text, Unreadable);
}

// The probe target accepts the connection and never answers: given up at the limit and reported
// as no connection. Meanwhile the window repaints and its timers run, but the user's keys and
// clicks are lost.
TEST_F(UpdateWiring, AProbeThatNeverAnswersIsGivenUpAndTheWaitDropsInput) {
    server_.route("/", {Route::Silent, 0, ""});
    serve_version("1.3");
    start_with_check(false, {{"mode", "0"}});
    const std::string mv = text(FieldMV);
    QWidget* top = window().window.get();

    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    top->installEventFilter(&counter);
    // Each tick of the window's timer moves the clock a fifth of the limit on: the wait, which
    // only the limit ends, lasts five ticks.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        advance(LimitMs / 5);
        top->update();
        if (ticks == 2) {
            // The user types, clicks the panel button, presses Escape and closes the window.
            type_into(FieldMV, "9");
            press(Qt::Key_Return);
            click(PanelButton);
            press(Qt::Key_Escape);
            top->close();
        }
    });
    ticker.start(50);

    menu(MenuCheckUpdates);
    ticker.stop();
    top->removeEventFilter(&counter);

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Update Velora");
    EXPECT_EQ(messages_[0].text, NoConnection);
    EXPECT_EQ(server_.requests(), 1) << "the version file is not asked for";
    EXPECT_EQ(ticks, 5) << "the wait lasted the limit with the window's timers running";
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

TEST_F(UpdateWiring, AProbeThatNeverAnswersAtStartUpSaysSoWithItsOwnTitle) {
    server_.route("/", {Route::Silent, 0, ""});
    // The clock runs a tenth of the limit on with every tick of a timer of the start-up's event
    // handling.
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [this] { advance(LimitMs / 10); });
    clock.start(20);
    start_with_check(true);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Auto check for Velora Updates");
    EXPECT_EQ(messages_[0].text, NoConnection);
    EXPECT_TRUE(app().dispatching) << "the program goes on";
}

TEST_F(UpdateWiring, RefusedConnections) {
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

TEST_F(UpdateWiring, TheMakersSiteOpensAfterTheProbeAndTheHelpWithout) {
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
    EXPECT_EQ(documents_, (std::vector<std::string>{state_.HelpFile, state_.HelpFile}));
    EXPECT_TRUE(urls_.empty());
    EXPECT_EQ(messages_.size(), 1u);
    EXPECT_EQ(server_.requests(), 1);
}

// The site starts the version file and never finishes it: the window goes on all along (every
// key typed shows in the field before the next one comes), a second pick of the menu item asks
// nothing more, and at the limit the menu check says there is no connection.
TEST_F(UpdateWiring, AVersionFileThatNeverEndsLeavesTheWindowAtWork) {
    server_.route("/VELORA_Version.txt", {Route::Endless, 200, "1.2"});
    start_with_check(false);
    QLineEdit* mv = field_of(FieldMV);
    focus_control(window(), FieldMV);
    mv->setText(QString());

    // Once the version file is on its way, a key every 100 ms, posted as the desktop delivers it,
    // and the clock half a second on with each: the limit comes with the tenth key.
    int posted = 0;
    std::vector<int> shown_at;  // the keys posted when the field showed each new text
    QObject::connect(mv, &QLineEdit::textChanged, [&] { shown_at.push_back(posted); });
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        if (server_.requests() < 2) return;  // not before the version file is on its way
        ++posted;
        advance(LimitMs / 10);
        QApplication::postEvent(mv, new QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
        QApplication::postEvent(mv, new QKeyEvent(QEvent::KeyRelease, Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
        if (posted == 3) menu(MenuCheckUpdates);  // once more, while the first check runs
    });
    typist.start(100);

    menu(MenuCheckUpdates);
    typist.stop();

    EXPECT_EQ(posted, 10);
    // Every key but the last, posted as the limit came, was handled before the next one.
    ASSERT_GE(shown_at.size(), 9u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(shown_at[i], i + 1) << "key " << i + 1;
    EXPECT_EQ(server_.requests(), 2) << "one check: its probe and its version file";
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, NoConnection);
}

// The user quits while the version file is on its way: the transfer is given up at once and the
// check ends without a word.
TEST_F(UpdateWiring, QuittingDuringTheDownloadEndsTheCheckSilently) {
    // The clock stands still: a transfer that went on would keep the check for the whole limit.
    server_.route("/VELORA_Version.txt", {Route::Silent, 0, ""});
    start_with_check(false);
    // Escape once the version file is asked for: the connection test before it keeps the window deaf
    QTimer quitter;
    QElapsedTimer took;
    qint64 asked = -1;
    QObject::connect(&quitter, &QTimer::timeout, [&] {
        if (server_.requests() < 2 || asked >= 0) return;
        asked = took.elapsed();
        QWidget* target = QApplication::focusWidget();
        QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    });
    quitter.start(20);
    took.start();
    menu(MenuCheckUpdates);
    quitter.stop();
    ASSERT_GE(asked, 0) << "the version file was never asked for";
    EXPECT_LT(took.elapsed() - asked, LimitMs / 2);
    EXPECT_EQ(loop_ends_, 1);
    EXPECT_TRUE(app().ended);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(server_.requests(), 2);
}

TEST_F(UpdateWiring, TheHelpWithoutAPdfViewerNamesTheManual) {
    start_with_check(false);
    pdf_viewer_ = false;
    ::testing::internal::CaptureStderr();
    press(Qt::Key_F1);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Velora Help");
    EXPECT_EQ(messages_[0].text, "\rNo program to show PDF documents was found.\rThe manual is at:\r" + help_path());
    EXPECT_NE(said.find(help_path()), std::string::npos) << said;
}

// The manual went missing and cannot be written again: that is told, and nothing is opened.
TEST_F(UpdateWiring, AHelpDocumentThatCannotBeWrittenIsTold) {
    start_with_check(false);
    std::filesystem::remove(help_path());
    std::filesystem::create_directories(help_path() + "/in-the-way");
    ::testing::internal::CaptureStderr();
    menu(MenuHelpTopics);
    const std::string said = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Velora Help");
    EXPECT_EQ(messages_[0].text.rfind("\rThe help document could not be written as:\r" + help_path() + "\r(", 0), 0u)
        << messages_[0].text;
    EXPECT_NE(said.find("The help document could not be written as: " + help_path()), std::string::npos) << said;
    EXPECT_TRUE(documents_.empty());

    // Once it can be written, it is, and opened.
    std::filesystem::remove_all(help_path());
    menu(MenuHelpTopics);
    EXPECT_EQ(documents_, std::vector<std::string>{help_path()});
    EXPECT_EQ(std::filesystem::file_size(help_path()), HelpDocument.size());
}

// The real opener of local documents: the desktop's opener started beside the program, and its
// failure (no opener, or none that took the document) told through the callback.
TEST(DesktopOpener, SaysWhenNoProgramTookTheDocument) {
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const std::string opener = bin.path().toStdString() + "/xdg-open";
    const auto opener_that = [&](const std::string& script) {
        write_file(opener, "#!/bin/sh\n" + script + "\n");
        std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
    };
    const std::string path_before = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    setenv("PATH", bin.path().toUtf8().constData(), 1);

    const Dialogs d = system_dialogs([] { return nullptr; });
    int none = 0;
    const auto open = [&] { d.open_document("/tmp/Velora manual.pdf", [&none] { ++none; }); };
    open();
    EXPECT_EQ(none, 1) << "no opener at all: told at once";
    opener_that("exit 3");
    open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return none == 2; }, 30000)) << "the opener found no program";
    // The opener says who it is; once the program has reaped it, its verdict is in.
    const std::string pid_file = bin.path().toStdString() + "/pid";
    opener_that("echo $$ > '" + pid_file + "'\n[ \"$1\" = \"/tmp/Velora manual.pdf\" ] || exit 9\nexit 0");
    open();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const std::string pid = read_file(pid_file);
            return !pid.empty() && pid.back() == '\n' && ::kill(std::stoi(pid), 0) != 0 && errno == ESRCH;
        },
        30000))
        << "the opener ended and was reaped";
    EXPECT_EQ(none, 2) << "a program took the document";
    setenv("PATH", path_before.c_str(), 1);
}

TEST(WebAddresses, TheBuiltInAddressesAreThoseOfTheBuild) {
    const WebAddresses web = built_in_web_addresses();
    EXPECT_EQ(web.site, site_url());
    EXPECT_EQ(web.version_file, version_file_url());
    EXPECT_EQ(web.probe, probe_url());
    EXPECT_EQ(web.time_limit_ms, ProbeLimitMs);
    EXPECT_FALSE(web.clock) << "the steady clock";
}

}  // namespace
}  // namespace velora
