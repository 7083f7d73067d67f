// The shut-down in-process: a save that fails is told (a message while the window is up and a
// line on standard error), a request to end from a signal answers every question with the
// answer that changes nothing, and it takes the logo away at once.
#include <QElapsedTimer>
#include <QTimer>

#include "app_fixture.h"
#include "local_http_server.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::pref_value;
using testing_support::read_file;
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
        EXPECT_EQ(entry.path().filename(), "Velora.prefs") << "no temporary file left";
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

}  // namespace
}  // namespace velora
