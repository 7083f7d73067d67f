// The shut-down in-process: a save that fails is told (a message while the window is up and a
// line on standard error), a request to end from a signal answers every question with the
// answer that changes nothing, and it takes the logo away at once.
#include <QElapsedTimer>
#include <QTimer>

#include "app/app_texts.h"
#include "app_fixture.h"
#include "local_http_server.h"
#include "services/preferences_merge.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::pref_value;
using testing_support::read_file;
using testing_support::TestTimers;
using testing_support::write_file;
using velora::testing::LocalHttpServer;
using velora::testing::Route;

class ShutDown : public AppTest {};

TEST_F(ShutDown, ASaveThatFailsIsToldWithTheFileAndTheReason) {
    write_prefs();
    start();
    // Something took the file's place: a folder cannot be replaced by the new file.
    std::filesystem::remove(prefs_path());
    std::filesystem::create_directory(prefs_path());
    ::testing::internal::CaptureStderr();
    press(Qt::Key_Escape);
    end_program(app());
    const std::string said = ::testing::internal::GetCapturedStderr();

    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].title, "Velora Preferences");
    EXPECT_EQ(messages_[0].text, "\rThe preferences could not be saved as:\r" + prefs_path() + "\r(Is a directory)");
    EXPECT_EQ(window_shown_at_message_, std::vector<bool>{true}) << "told before the window goes";
    EXPECT_EQ(said, "Velora: The preferences could not be saved as: " + prefs_path() + " (Is a directory)\n");
    EXPECT_TRUE(std::filesystem::is_empty(home() + "/config/Velora/" + "Velora.prefs"));
    for (const auto& entry : std::filesystem::directory_iterator(home() + "/config/Velora"))
        EXPECT_TRUE(entry.path().filename() == "Velora.prefs" || entry.path().filename() == "Velora.lock")
            << "no temporary file left: " << entry.path();
}

// A signal while a question is open: the question counts as not answered (the newer version is
// not opened), nothing more is asked and the program ends with its preferences saved.
TEST_F(ShutDown, ARequestToEndAnswersEveryQuestionWithNoChange) {
    LocalHttpServer server;
    server.route("/", {Route::Answer, 200, "<html>home</html>"});
    server.route("/VELORA_Version.txt", {Route::Answer, 200, "1.3"});
    web_ = {server.url("/"), server.url("/VELORA_Version.txt"), server.url("/")};
    write_prefs();
    start();
    answers_ = {MessageAnswer::Yes, MessageAnswer::Yes};
    auto asked = app().dialogs.message;
    int asked_count = 0;
    app().dialogs.message = [&](const MessageRequest& m) {
        ++asked_count;
        end_on_request(app());  // the signal comes while the box is open
        return asked(m);
    };
    app().dialogs = quiet_once_interrupted(app(), app().dialogs);
    window().items.at(MenuCheckUpdates)->trigger();

    EXPECT_EQ(asked_count, 1);
    EXPECT_TRUE(urls_.empty()) << "the Yes came after the signal";
    EXPECT_TRUE(app().interrupted);
    EXPECT_TRUE(app().ended);
    EXPECT_FALSE(app().closed_for_download);
    EXPECT_EQ(loop_ends_, 1);
    EXPECT_EQ(read_file(prefs_path()).substr(0, 3), "\xEF\xBB\xBF") << "saved at once";

    // The rest of the shut-down asks nothing either, and shows no logo.
    app().state.AutoLogoCheck = 1;
    end_program(app());
    EXPECT_EQ(asked_count, 1);
    EXPECT_TRUE(app().splash.window == nullptr);
}

// The logo is on and would stay for minutes, at the start and at the end: a request to end while
// it shows takes it away at once, and the program goes no further.
TEST_F(ShutDown, ARequestToEndTakesTheLogoAwayAtOnce) {
    constexpr int LogoMs = 120000;
    write_prefs({{"AutoLogoCheck", "1"}, {"MV", "811.0"}});
    app_ = std::make_unique<App>(state_);
    app_->dialogs.message = [this](const MessageRequest& m) {
        messages_.push_back(m);
        return MessageAnswer::Ok;
    };
    app_->end_loop = [this] { ++loop_ends_; };
    app_->logo_times = {LogoMs, LogoMs};
    QTimer::singleShot(100, [this] { end_on_request(app()); });
    QElapsedTimer took;
    took.start();
    start_program(app());
    EXPECT_LT(took.elapsed(), LogoMs / 2);
    EXPECT_TRUE(app().ended);
    EXPECT_FALSE(app().window.window->isVisible()) << "the start-up stopped with the logo";
    EXPECT_TRUE(app().splash.window == nullptr || !app().splash.window->isVisible());
    took.restart();
    end_program(app());
    EXPECT_LT(took.elapsed(), LogoMs / 2) << "no logo at the end either";
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "811.0");
    EXPECT_EQ(read_file(prefs_path()).substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(messages_.empty());

    // A normal end shows the logo; a request to end while it shows ends the wait.
    write_prefs({{"AutoLogoCheck", "1"}});
    start();
    app().logo_times = {20, LogoMs};
    bool logo_shown = false;
    QTimer::singleShot(0, [this, &logo_shown] {
        logo_shown = app().splash.window != nullptr && app().splash.window->isVisible();
        end_on_request(app());
    });
    took.restart();
    end_program(app());
    EXPECT_TRUE(logo_shown);
    EXPECT_LT(took.elapsed(), LogoMs / 2);
}

// A preferences file that exists but cannot be read (here larger than any preferences file; one
// without read permission goes the same way, as the program run as another user shows) is told
// once at the start, naming the file and why, and is never written: the first run's values are
// worked with, and the end of the run leaves the file as it was.
TEST_F(ShutDown, APreferencesFileThatCannotBeReadIsNeverWritten) {
    write_prefs({{"MV", "900.0"}});
    const std::string big = read_file(prefs_path()) + std::string(LargestPreferencesFile, '#');
    write_file(prefs_path(), big);
    ::testing::internal::CaptureStderr();
    start();
    ASSERT_FALSE(messages_.empty());
    EXPECT_EQ(messages_[0].text, preferences_unreadable_text(prefs_path(), "it is larger than 1 MiB"));
    EXPECT_EQ(window_shown_at_message_[0], true);
    EXPECT_EQ(state_.MV, 785.0f) << "the first run's values";
    const std::size_t told = messages_.size();
    press(Qt::Key_Escape);
    end_program(app());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Velora: The preferences could not be read from: " + prefs_path() +
                        " (it is larger than 1 MiB) Velora works with its first-run values"),
              std::string::npos)
        << said;
    EXPECT_EQ(messages_.size(), told) << "told once";
    EXPECT_EQ(read_file(prefs_path()), big);
}

// Another program saved the preferences while the window was open: what it changed is kept and
// what the window changed is saved beside it, unasked; only a key that both changed, to different
// values, is asked about: Yes keeps the window's value, No the file's, and the rest is kept either
// way.
TEST_F(ShutDown, PreferencesChangedOnTheDiskAreMergedAndOnlyAConflictIsAsked) {
    TestTimers timers;  // no save comes a moment later on its own
    later_ = timers.seam();
    write_prefs({{"MV", "811.0"}});
    start();
    write_prefs({{"MV", "811.0"}, {"TMP", "30.0"}});
    end_program(app());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(pref_value(read_file(prefs_path()), "TMP"), "30.0") << "theirs kept";
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "811.0");
    app_.reset();

    write_prefs({{"MV", "811.0"}});
    start();
    type_into(FieldMV, "822");
    press(Qt::Key_Return);
    write_prefs({{"MV", "811.0"}, {"TMP", "30.0"}});
    end_program(app());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "822.0") << "ours saved";
    EXPECT_EQ(pref_value(read_file(prefs_path()), "TMP"), "30.0") << "and theirs kept";
    app_.reset();

    for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        write_prefs({{"MV", "811.0"}});
        start();
        type_into(FieldMV, "822");
        press(Qt::Key_Return);
        write_prefs({{"MV", "900.5"}, {"TMP", "30.0"}});
        answers_ = {answer};
        messages_.clear();
        end_program(app());
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_EQ(messages_[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(messages_[0].text, preferences_conflict_question(prefs_path(), {"MV"}));
        EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), answer == MessageAnswer::Yes ? "822.0" : "900.5");
        EXPECT_EQ(pref_value(read_file(prefs_path()), "TMP"), "30.0");
        app_.reset();
    }
}

// A change is saved a moment (1.5 s) after it was made, before any end of the run: a crash or a
// power cut loses at most that moment. A later change puts the save off again, and nothing is
// written while nothing changed. The moments pass when the test says so.
TEST_F(ShutDown, AChangeIsSavedSoonAfterItWasMade) {
    TestTimers timers;
    later_ = timers.seam();
    write_prefs({{"MV", "811.0"}});
    start();
    const std::string untouched = read_file(prefs_path());
    timers.pass(std::chrono::seconds(10));
    EXPECT_EQ(read_file(prefs_path()), untouched) << "no change, no save";

    type_into(FieldMV, "822");
    press(Qt::Key_Return);
    ASSERT_EQ(timers.waiting(), 1);
    EXPECT_EQ(timers.pass(std::chrono::milliseconds(1499)), 0);
    EXPECT_EQ(read_file(prefs_path()), untouched) << "not before its moment";
    type_into(FieldMV, "823");
    press(Qt::Key_Return);
    EXPECT_EQ(timers.waiting(), 1) << "the earlier save put off, not made twice";
    EXPECT_EQ(timers.pass(std::chrono::milliseconds(1500)), 1);
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "823.0");
    EXPECT_FALSE(app().ended);

    // Saved once: the same values are not written again.
    const std::string saved = read_file(prefs_path());
    const auto stamp = std::filesystem::last_write_time(prefs_path());
    type_into(FieldMV, "823");
    press(Qt::Key_Return);
    timers.pass(std::chrono::seconds(10));
    EXPECT_EQ(read_file(prefs_path()), saved);
    EXPECT_EQ(std::filesystem::last_write_time(prefs_path()), stamp);
}

// Every question reaches the user's dialogs while the run goes on (the file to import, the
// report's title), and none once it is ending.
TEST(QuietOnceInterrupted, EveryQuestionPassesUntilTheRunIsAskedToEnd) {
    CalcState s;
    App app(s);
    std::vector<std::string> asked;
    Dialogs inner;
    inner.message = [&](const MessageRequest&) {
        asked.push_back("message");
        return MessageAnswer::Yes;
    };
    inner.save_file = [&](const SaveFileRequest&) {
        asked.push_back("save_file");
        return std::string("a.pdf");
    };
    inner.open_file = [&](const OpenFileRequest&) {
        asked.push_back("open_file");
        return std::string("SR0038");
    };
    inner.open_url = [&](const std::string&) { asked.push_back("open_url"); };
    inner.open_document = [&](const std::string&, const std::function<void()>&) { asked.push_back("open_document"); };
    inner.report_details = [&](ReportDetails& d) {
        asked.push_back("report_details");
        d.title = "Range day";
        return true;
    };
    inner.image_scale = [&](ImageScale& scale) {
        asked.push_back("image_scale");
        scale.scale = 2.5;
        return true;
    };
    const Dialogs d = quiet_once_interrupted(app, inner);
    const auto ask_all = [&d] {
        ReportDetails details;
        return std::vector<std::string>{d.message({}) == MessageAnswer::Yes ? "yes" : "no", d.save_file({}),
                                        d.open_file({}), d.report_details(details) ? details.title : "cancelled"};
    };
    EXPECT_EQ(ask_all(), (std::vector<std::string>{"yes", "a.pdf", "SR0038", "Range day"}));
    d.open_url("https://example.invalid/");
    d.open_document("help.pdf", [] {});
    ImageScale scale;
    EXPECT_TRUE(d.image_scale(scale));
    EXPECT_EQ(scale.scale, 2.5);
    EXPECT_EQ(asked.size(), 7u);

    app.interrupted = true;
    EXPECT_EQ(ask_all(), (std::vector<std::string>{"no", "", "", "cancelled"}));
    d.open_url("https://example.invalid/");
    EXPECT_FALSE(d.image_scale(scale));
    EXPECT_EQ(asked.size(), 7u) << "nothing asked once the run is ending";
}

}  // namespace
}  // namespace velora
