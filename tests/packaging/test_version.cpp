// The version is written once, in project() of CMakeLists.txt, with its release day: the window
// title, About, the printout, velora-cli, the update check, the man pages, the metainfo, the
// Debian package and the changelog's newest entry all name that one.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "app/app_texts.h"
#include "output/print_layout.h"
#include "services/update_check.h"
#include "tests/cli/cli_run.h"
#include "velora_version.h"

namespace velora {
namespace {

const std::string Version = VELORA_PROJECT_VERSION;

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(Version, TheProgramShowsTheProjectsVersion) {
    EXPECT_EQ(ProgramVersion, Version);
    EXPECT_EQ(std::string(WindowTitle), "Velora | " + Version);
    // The build number is the release day: 2024-06-30 gives "300624".
    const std::string day = VELORA_RELEASE_DATE;
    ASSERT_EQ(day.size(), 10u);
    EXPECT_EQ(ProgramBuildNumber, day.substr(8, 2) + day.substr(5, 2) + day.substr(2, 2));
    EXPECT_EQ(std::string(ProgramBuild), Version + " (Build:" + ProgramBuildNumber + ")");
    EXPECT_EQ(about_text().rfind("\r" + std::string(ProgramBuild) + "\r", 0), 0u);
    EXPECT_EQ(print_title(), "Velora (" + Version + ")");

    const CliRun cli = run({"--version"});
    EXPECT_EQ(cli.out, "velora-cli " + Version + "\n");

    // The update check compares with this version and quotes it.
    std::vector<MessageRequest> said;
    UpdateHooks hooks;
    hooks.internet_available = [] { return true; };
    hooks.fetch = [](const std::string&) { return HttpResponse{true, true, 200, Version + "\r\n", false}; };
    hooks.message = [&said](const MessageRequest& m) {
        said.push_back(m);
        return MessageAnswer::Ok;
    };
    check_for_update("http://127.0.0.1/VELORA_Version.txt", true, hooks);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].text, "\rYou are using the latest version (V" + Version + ")");
}

TEST(Version, ThePackageShowsTheProjectsVersion) {
    const std::string built = VELORA_PACKAGING_BUILD;
    const std::string day = VELORA_RELEASE_DATE;
    EXPECT_EQ(first_line(read_text(built + "/velora.1")),
              ".TH VELORA 1 " + day + " \"Velora " + Version + "\" \"User Commands\"");
    const std::string cli_page = read_text(built + "/velora-cli.1");
    EXPECT_EQ(first_line(cli_page), ".TH VELORA-CLI 1 " + day + " \"Velora " + Version + "\" \"User Commands\"");
    EXPECT_NE(cli_page.find("\nPrints \\(dqvelora-cli " + Version + "\\(dq.\n"), std::string::npos);

    // The metainfo's newest release is the first one it lists.
    const std::string metainfo = read_text(built + "/" VELORA_APP_ID ".metainfo.xml");
    const std::size_t release = metainfo.find("<release ");
    ASSERT_NE(release, std::string::npos);
    EXPECT_EQ(metainfo.substr(release, metainfo.find('>', release) - release),
              "<release version=\"" + Version + "\" date=\"" + day + "\"");

    EXPECT_NE(read_text(VELORA_CPACK_CONFIG).find("set(CPACK_PACKAGE_VERSION \"" + Version + "\")"), std::string::npos);
    EXPECT_EQ(first_line(read_text(VELORA_CHANGELOG)), "velora (" + Version + ") unstable; urgency=medium");
}

}  // namespace
}  // namespace velora
