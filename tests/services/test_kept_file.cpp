// The files kept for the user beside the preferences: one that exists but cannot be read is never
// replaced (checked as an unprivileged user, since root reads anything), nor one that changed on
// the disk since it was read; links the user made are written through where they lead; a file set
// aside is renamed with its own mode; what is new is private.
#include "services/kept_file.h"
#include "services/preferences.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace velora {
namespace {

namespace fs = std::filesystem;

std::string bytes_of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

unsigned mode_of(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Runs `body` in a folder of its own as a user without privileges: as is when the tests do not run
// as root, else in a child process that gave up root for "nobody". The body's failures fail the test.
void as_unprivileged(const std::function<void(const std::string& folder)>& body) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path folder =
        fs::temp_directory_path() / ("velora_kept_" + std::to_string(::getpid()) + "_" + info->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (::geteuid() != 0) {
        body(folder.string() + "/");
        fs::remove_all(folder);
        return;
    }
    constexpr uid_t Nobody = 65534;
    ASSERT_EQ(::chown(folder.c_str(), Nobody, Nobody), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0) ::_exit(3);
        if (::geteuid() == 0) ::_exit(4);
        body(folder.string() + "/");
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    fs::remove_all(folder);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed as an unprivileged user (3, 4: could not give up root)";
}

TEST(KeptFile, AnUnreadablePreferencesFileKeepsItsContentThroughTheRun) {
    as_unprivileged([](const std::string& folder) {
        const std::string mine = "MV = 900.0\r\nZR = 25.0\r\n";
        write(folder + "Velora.prefs", mine);
        ASSERT_EQ(::chmod((folder + "Velora.prefs").c_str(), 0200), 0);
        CalcState s;
        s.PrefsFolder = folder;
        KeptFile file = load_preferences(s);
        ASSERT_TRUE(file.refusal.has_value());
        EXPECT_EQ(*file.refusal, "Permission denied");
        EXPECT_EQ(s.MV, 785.0f) << "the first run's values to work on";
        s.MV = 812.0f;
        const KeptSaveOutcome saved = save_preferences(s, file);
        EXPECT_EQ(saved.result, KeptSave::NotWritten);
        EXPECT_EQ(save_preferences(s, file, true).result, KeptSave::NotWritten) << "not even forced";
        ASSERT_EQ(::chmod((folder + "Velora.prefs").c_str(), 0600), 0);
        EXPECT_EQ(bytes_of(folder + "Velora.prefs"), mine);
        EXPECT_FALSE(fs::exists(folder + "Velora.prefs.bad"));
    });
}

TEST(KeptFile, WhatCannotBeReadIsRefusedNeverReadInPart) {
    as_unprivileged([](const std::string& folder) {
        write(folder + "closed", "x");
        ::chmod((folder + "closed").c_str(), 0);
        EXPECT_EQ(read_kept_file(folder + "closed", 100).reason, "Permission denied");
        write(folder + "big", std::string(101, 'a'));
        const KeptFileRead big = read_kept_file(folder + "big", 100);
        EXPECT_EQ(big.state, KeptFileState::Refused);
        EXPECT_EQ(big.reason, "it is larger than 100 bytes");
        EXPECT_TRUE(big.bytes.empty());
        EXPECT_EQ(read_kept_file(folder + "big", std::size_t{1} << 20).state, KeptFileState::Read);
        fs::create_directory(folder + "folder");
        EXPECT_EQ(read_kept_file(folder + "folder", 100).reason, "it is a folder");
        ::mkfifo((folder + "pipe").c_str(), 0600);
        fs::create_symlink(folder + "pipe", folder + "to_pipe");
        EXPECT_EQ(read_kept_file(folder + "to_pipe", 100).reason, "it is not a regular file") << "and no wait on it";
        fs::create_symlink(folder + "gone", folder + "dangling");
        EXPECT_EQ(read_kept_file(folder + "dangling", 100).reason,
                  "it is a link to " + folder + "gone, which does not exist");
        EXPECT_EQ(read_kept_file(folder + "none", 100).state, KeptFileState::Missing);
        // A folder that cannot be entered: the file in it is not known to be missing.
        fs::create_directory(folder + "shut");
        write(folder + "shut/Velora.prefs", "MV = 1");
        ::chmod((folder + "shut").c_str(), 0);
        EXPECT_EQ(read_kept_file(folder + "shut/Velora.prefs", 100).reason, "Permission denied");
        ::chmod((folder + "shut").c_str(), 0700);
    });
}

TEST(KeptFile, AFileChangedOnTheDiskSinceItWasReadIsNotOverwrittenUnasked) {
    as_unprivileged([](const std::string& folder) {
        KeptFile file{folder + "Velora.shots.csv", std::nullopt, std::nullopt};
        EXPECT_EQ(read_kept(file, 100).state, KeptFileState::Missing);
        EXPECT_EQ(save_kept(file, "a").result, KeptSave::Saved);
        EXPECT_EQ(save_kept(file, "ab").result, KeptSave::Saved) << "its own save is no change";
        // Another instance saves after it: a file of the same size renamed over it.
        KeptFile other{file.path, std::nullopt, std::nullopt};
        read_kept(other, 100);
        EXPECT_EQ(save_kept(other, "cd").result, KeptSave::Saved);
        EXPECT_TRUE(changed_on_disk(file));
        EXPECT_EQ(save_kept(file, "mine").result, KeptSave::Changed);
        EXPECT_EQ(bytes_of(file.path), "cd");
        EXPECT_EQ(save_kept(file, "mine", true).result, KeptSave::Saved);
        EXPECT_EQ(bytes_of(file.path), "mine");
        EXPECT_FALSE(changed_on_disk(file));
        fs::remove(file.path);
        EXPECT_EQ(save_kept(file, "again").result, KeptSave::Saved) << "it went: nothing to lose";
        KeptFile fresh{folder + "Velora.string.json", std::nullopt, std::nullopt};
        EXPECT_EQ(read_kept(fresh, 100).state, KeptFileState::Missing);
        write(fresh.path, "{}");
        EXPECT_EQ(save_kept(fresh, "x").result, KeptSave::Changed) << "one made where there was none";
    });
}

TEST(KeptFile, ALinkTheUserMadeIsWrittenThroughWhereItLeads) {
    as_unprivileged([](const std::string& folder) {
        fs::create_directory(folder + "dotfiles");
        write(folder + "dotfiles/Velora.prefs", "MV = 900.0\r\n");
        ::chmod((folder + "dotfiles/Velora.prefs").c_str(), 0640);
        fs::create_symlink("dotfiles/Velora.prefs", folder + "Velora.prefs");
        CalcState s;
        s.PrefsFolder = folder;
        KeptFile file = load_preferences(s);
        EXPECT_EQ(s.MV, 900.0f);
        s.MV = 905.0f;
        ASSERT_EQ(save_preferences(s, file).result, KeptSave::Saved);
        EXPECT_TRUE(fs::is_symlink(folder + "Velora.prefs")) << "the link stays";
        EXPECT_NE(bytes_of(folder + "dotfiles/Velora.prefs").find("MV = 905.0"), std::string::npos);
        EXPECT_EQ(mode_of(folder + "dotfiles/Velora.prefs"), 0640u) << "the file keeps its mode";
        std::size_t in_dotfiles = 0;
        for (const auto& e : fs::directory_iterator(folder + "dotfiles")) ++in_dotfiles, (void)e;
        EXPECT_EQ(in_dotfiles, 1u) << "no temporary left there";

        // A link leading nowhere, or to something that is not a file, is refused and stays.
        fs::create_symlink(folder + "gone", folder + "Velora.shots.csv");
        KeptFile dangling{folder + "Velora.shots.csv", std::nullopt, std::nullopt};
        EXPECT_EQ(read_kept(dangling, 100).state, KeptFileState::Refused);
        EXPECT_EQ(save_kept(dangling, "x").result, KeptSave::NotWritten);
        KeptFile blind{folder + "Velora.shots.csv", std::nullopt, std::nullopt};
        blind.stamp = file_stamp(blind.path);
        const KeptSaveOutcome refused = save_kept(blind, "x");
        EXPECT_EQ(refused.result, KeptSave::Failed);
        EXPECT_EQ(refused.reason, folder + "Velora.shots.csv is a link to " + folder + "gone, which does not exist");
        EXPECT_TRUE(fs::is_symlink(folder + "Velora.shots.csv"));
        EXPECT_FALSE(fs::exists(folder + "gone"));
    });
}

TEST(KeptFile, NewFilesArePrivateAndASetAsideFileIsRenamedNeverCopied) {
    as_unprivileged([](const std::string& folder) {
        ::umask(022);
        KeptFile file{folder + "Velora.shots.csv", std::nullopt, std::nullopt};
        ASSERT_EQ(save_kept(file, "range,quantity,value\n").result, KeptSave::Saved);
        EXPECT_EQ(mode_of(file.path), 0600u);

        // A link to someone's secret set aside is the link renamed: no content lands beside it.
        write(folder + "secret", "private");
        ::chmod((folder + "secret").c_str(), 0600);
        fs::create_symlink(folder + "secret", folder + "Velora.string.json");
        EXPECT_EQ(set_aside(folder + "Velora.string.json"), "Velora.string.json.bad");
        EXPECT_TRUE(fs::is_symlink(folder + "Velora.string.json.bad"));
        EXPECT_FALSE(fs::exists(fs::symlink_status(folder + "Velora.string.json")));
        EXPECT_EQ(bytes_of(folder + "secret"), "private");

        // A file keeps its mode, and an earlier one set aside stays.
        ::chmod(file.path.c_str(), 0640);
        write(folder + "Velora.shots.csv.bad", "earlier");
        EXPECT_EQ(set_aside(file.path), "Velora.shots.csv.bad2");
        EXPECT_EQ(mode_of(folder + "Velora.shots.csv.bad2"), 0640u);
        EXPECT_EQ(bytes_of(folder + "Velora.shots.csv.bad"), "earlier");
        EXPECT_EQ(set_aside(folder + "none"), std::nullopt);
    });
}

}  // namespace
}  // namespace velora
