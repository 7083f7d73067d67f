// The shut-down in-process: a save that fails is told (a message while the window is up and a
// line on standard error), and a request to end from a signal answers every question with the
// answer that changes nothing.
#include "app_fixture.h"
#include "local_http_server.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::read_file;
using velora::testing::LocalHttpServer;
using velora::testing::Route;

class ShutDown : public AppTest {};

TEST_F(ShutDown, ASaveThatFailsIsToldWithTheFileAndTheReason)
{
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
TEST_F(ShutDown, ARequestToEndAnswersEveryQuestionWithNoChange)
{
    LocalHttpServer server;
    server.route("/", {Route::Answer, 200, "<html>home</html>"});
    server.route("/VELORA_Version.txt", {Route::Answer, 200, "1.3"});
    web_ = {server.url("/"), server.url("/VELORA_Version.txt"), server.url("/"), 400};
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

}  // namespace
}  // namespace velora
