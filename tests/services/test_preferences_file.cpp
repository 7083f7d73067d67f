// The preferences file on the disk: replaced whole through a temporary file of its own, a link
// written through where it leads, the temporaries of a save cut short removed
// at the next start; files saved as UTF-16 read as text; stored values without an upper limit
// brought back within one.
#include "services/file_replace.h"
#include "services/preferences.h"
#include "services/preferences_merge.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace velora {
namespace {

namespace fs = std::filesystem;

class Folder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / ("velora_file_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        base = folder.string() + "/";
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string bytes_of(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    // Backdates a file, or a link itself, by an hour.
    static void age(const fs::path& path) {
        const timespec hour_ago[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), hour_ago, AT_SYMLINK_NOFOLLOW), 0);
    }

    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const auto& e : fs::directory_iterator(folder)) all.push_back(e.path().filename().string());
        std::sort(all.begin(), all.end());
        return all;
    }

    fs::path folder;
    std::string base;
};

TEST_F(Folder, AReplacementIsWholeAndGoesWhereTheUsersLinkLeads) {
    const fs::path target = folder / "elsewhere.txt";
    write(target, "theirs");
    fs::create_symlink(target, folder / "Velora.prefs");

    EXPECT_TRUE(replace_file_contents(base + "Velora.prefs", "MV = 811.0\r\n").ok);
    EXPECT_EQ(bytes_of(target), "MV = 811.0\r\n");
    EXPECT_TRUE(fs::is_symlink(folder / "Velora.prefs")) << "the link stays";
    EXPECT_EQ(names(), (std::vector<std::string>{"Velora.prefs", "elsewhere.txt"})) << "no temporary left";
}

TEST_F(Folder, AFailedReplacementKeepsTheOldFileAndSaysWhy) {
    write(folder / "Velora.prefs", "old");
    const WriteOutcome refused = replace_file_with(base + "Velora.prefs", [](std::FILE* file) {
        std::fputs("half", file);
        errno = ENOSPC;
        return false;  // the disk filled up on the way
    });
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.reason, "No space left on device");
    EXPECT_EQ(bytes_of(folder / "Velora.prefs"), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"Velora.prefs"});

    // A folder in the file's place, and a folder that is not there.
    fs::create_directory(folder / "taken");
    EXPECT_EQ(replace_file_contents(base + "taken", "x").reason, "Is a directory");
    EXPECT_TRUE(fs::is_empty(folder / "taken"));
    EXPECT_EQ(replace_file_contents(base + "missing/Velora.prefs", "x").reason, "No such file or directory");

    CalcState s;
    s.PrefsFolder = base + "taken/";
    fs::create_directory(folder / "taken" / "Velora.prefs");
    const WriteOutcome saved = save_preferences(s);
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.reason, "Is a directory");
}

TEST_F(Folder, TemporariesOfASaveCutShortAreRemovedAtTheNextStart) {
    const fs::path target = folder / "precious.txt";
    write(target, "mine");
    const std::string old_part = ".Velora.prefs.4242-17-0.part";
    write(folder / old_part, "MV = 1");
    age(folder / old_part);
    const std::string fresh_part = ".Velora.prefs.4243-18-0.part";  // another program saving now
    write(folder / fresh_part, "MV = 2");
    fs::create_symlink(target, folder / "Velora.prefs.new");  // the earlier versions' name
    age(folder / "Velora.prefs.new");
    fs::create_directory(folder / ".Velora.prefs.1-1-1.part");
    age(folder / ".Velora.prefs.1-1-1.part");
    write(folder / "notes.txt", "keep");
    age(folder / "notes.txt");

    CalcState s;
    s.PrefsFolder = base;
    load_preferences(s);
    EXPECT_EQ(names(), (std::vector<std::string>{".Velora.prefs.1-1-1.part", fresh_part, "Velora.prefs", "notes.txt",
                                                 "precious.txt"}));
    EXPECT_EQ(bytes_of(target), "mine");
    EXPECT_EQ(s.MV, 785.0f) << "the first run's values";
}

// Saves through a link the user made are made beside the file it leads to: a save cut short there
// leaves its temporary in that folder, which goes at the next start with the same 60 s rule, for
// the preferences and for any file kept beside them; what else lies there stays.
TEST_F(Folder, TemporariesBesideALinksTargetAreRemovedToo) {
    fs::create_directory(folder / "dotfiles");
    write(folder / "dotfiles" / "velora.conf", "MV = 900.0\r\n");
    fs::create_symlink("dotfiles/velora.conf", folder / "Velora.prefs");
    write(folder / "dotfiles" / "shots.csv", "range,quantity,value\n");
    fs::create_symlink(folder / "dotfiles" / "shots.csv", folder / "Velora.shots.csv");
    const fs::path dotfiles = folder / "dotfiles";
    for (const char* name : {".velora.conf.77-1-0.part", ".shots.csv.77-2-0.part", ".Velora.prefs.77-3-0.part",
                             ".velora.conf.78-1-0.part", "notes.txt"})
        write(dotfiles / name, "x");
    for (const char* name :
         {".velora.conf.77-1-0.part", ".shots.csv.77-2-0.part", ".Velora.prefs.77-3-0.part", "notes.txt"})
        age(dotfiles / name);  // ".velora.conf.78-1-0.part" is a save going on now

    CalcState s;
    s.PrefsFolder = base;
    load_preferences(s);
    EXPECT_EQ(s.MV, 900.0f);
    remove_stale_temporaries_of(base + "Velora.shots.csv", StaleTemporaryAge);
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dotfiles)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".Velora.prefs.77-3-0.part", ".velora.conf.78-1-0.part", "notes.txt",
                                              "shots.csv", "velora.conf"}))
        << "only the targets' own old temporaries go";

    // A link that leads nowhere takes nothing with it.
    fs::create_symlink(folder / "gone" / "x.csv", folder / "Velora.string.json");
    remove_stale_temporaries_of(base + "Velora.string.json", StaleTemporaryAge);
    EXPECT_TRUE(fs::is_symlink(folder / "Velora.string.json"));
}

// The preferences saved over a file another program changed meanwhile: each side's changes kept,
// a key both changed to different values told as a conflict and taken from the side asked for.
TEST(PreferencesMerge, EachSidesChangesAreKeptAndOnlyAKeyBothChangedIsAConflict) {
    CalcState s;
    read_preferences_text(FirstRunPreferencesText, s);
    const std::string known = preferences_text(s);
    const auto with = [&s](const std::function<void(CalcState&)>& change) {
        CalcState t = s;
        change(t);
        return preferences_text(t);
    };
    const auto value = [](const std::string& text, const std::string& key) {
        const std::size_t at = text.find("\r\n" + key + " = ");
        return at == std::string::npos
                   ? std::string()
                   : text.substr(at + key.size() + 5, text.find('\r', at + 2) - at - key.size() - 5);
    };

    // Nothing changed anywhere: the text as it was, byte for byte; this run's changes alone.
    PreferencesMerge m = merge_preferences(known, known, known, known, true);
    EXPECT_EQ(m.text, known);
    EXPECT_TRUE(m.conflicts.empty());
    const std::string mine = with([](CalcState& t) { t.MV = 822.0f; });
    EXPECT_EQ(merge_preferences(known, known, mine, known, true).text, mine);

    // Different keys: both kept, nothing asked. Their file as another program may write it: some
    // keys only, in another case, in UTF-16; the keys it lacks stay as they were.
    const std::string theirs = with([](CalcState& t) { t.TMP = 30.0f; });
    m = merge_preferences(known, known, mine, theirs, true);
    EXPECT_TRUE(m.conflicts.empty());
    EXPECT_EQ(value(m.text, "MV"), "822.0");
    EXPECT_EQ(value(m.text, "TMP"), "30.0");
    EXPECT_EQ(m.text, with([](CalcState& t) { t.MV = 822.0f, t.TMP = 30.0f; }));
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("tmp=30\r\n")) utf16 += std::string{c, '\0'};
    EXPECT_EQ(merge_preferences(known, known, mine, utf16, true).text, m.text);

    // The same key: a conflict, unless both gave it the same value.
    const std::string theirs_mv = with([](CalcState& t) { t.MV = 900.5f, t.TMP = 30.0f; });
    m = merge_preferences(known, known, mine, theirs_mv, true);
    EXPECT_EQ(m.conflicts, std::vector<std::string>{"MV"});
    EXPECT_EQ(value(m.text, "MV"), "822.0");
    EXPECT_EQ(value(m.text, "TMP"), "30.0");
    m = merge_preferences(known, known, mine, theirs_mv, false);
    EXPECT_EQ(value(m.text, "MV"), "900.5") << m.text;
    EXPECT_EQ(value(m.text, "TMP"), "30.0");
    EXPECT_TRUE(merge_preferences(known, known, mine, mine, true).conflicts.empty());

    // After a merge this run's own values of the keys only they changed are not changes of its
    // own: the next save keeps theirs.
    const std::string merged = merge_preferences(known, known, mine, theirs, true).text;
    const std::string later = with([](CalcState& t) { t.MV = 822.0f, t.ZR = 25.0f; });
    m = merge_preferences(merged, mine, later, merged, true);
    EXPECT_EQ(value(m.text, "TMP"), "30.0");
    EXPECT_EQ(value(m.text, "ZR"), "25.0");
}

TEST(TemporaryNames, OnlyTheReplacementsOwn) {
    EXPECT_TRUE(is_temporary_name_of(".Velora.prefs.12-34-5.part", "Velora.prefs"));
    for (const char* name : {"Velora.prefs", ".Velora.prefs.part", ".Velora.prefs..part", "Velora.prefs.1.part",
                             ".Velora.prefsx1.part", ".Velora.prefs.1-2-3.partial", ".Other.prefs.1-2-3.part"})
        EXPECT_FALSE(is_temporary_name_of(name, "Velora.prefs")) << name;
}

std::string utf16(const std::string& ascii, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char c : ascii) {
        out += little ? c : '\0';
        out += little ? '\0' : c;
    }
    return out;
}

TEST(ReadPreferencesText, UTF16FilesWithTheirByteOrderMarkReadAsText) {
    CalcState saved;
    saved.MV = 811.0f;
    saved.stateRB = 2;
    saved.TableStep = 25.0f;
    const std::string text = preferences_text(saved);
    CalcState as_utf8;
    read_preferences_text(text, as_utf8);
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little ? "little endian" : "big endian");
        CalcState s;
        read_preferences_text(utf16(text, little), s);
        EXPECT_EQ(s.MV, 811.0f);
        EXPECT_EQ(s.stateRB, 2);
        EXPECT_EQ(s.TableStep, 25.0f);
        EXPECT_EQ(preferences_text(s), preferences_text(as_utf8)) << "every value read alike";
    }
    // A note in another script (a pair of surrogates, a lone one) on a line of its own is only a
    // line the reader does not know.
    std::string with_note = utf16("MV = 900\r\n", true);
    with_note += std::string("\x3D\xD8\x2F\xDE\x00\xDC\r\0\n\0", 10);
    with_note += utf16("TV = 700\r\n", true).substr(2);
    CalcState s;
    read_preferences_text(with_note, s);
    EXPECT_EQ(s.MV, 900.0f);
    EXPECT_EQ(s.TV, 700.0f);
}

TEST(ReadPreferencesText, ValuesWithoutAnUpperLimitGetOne) {
    CalcState s;
    read_preferences_text("ET = 3e38\n_POI = -1e30\nTableStep = 1e9\n", s);
    EXPECT_EQ(s.ET, 100.0f);
    EXPECT_EQ(s.POI, -10000.0f);
    EXPECT_EQ(s.TableStep, 1901.0f);
    const std::string text = preferences_text(s);
    EXPECT_NE(text.find("\r\nET = 100.0000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n_POI = -10000.000\r\n"), std::string::npos);
    // Values a flight gives stay as they are.
    read_preferences_text("ET = 2.5\n_POI = -300\nTableStep = 50\n", s);
    EXPECT_EQ(s.ET, 2.5f);
    EXPECT_EQ(s.POI, -300.0f);
    EXPECT_EQ(s.TableStep, 50.0f);
}

}  // namespace
}  // namespace velora
