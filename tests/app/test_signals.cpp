// The program run as a child process on the offscreen platform and ended by SIGTERM, SIGINT or
// SIGHUP wherever it is: early in the start-up, with the start-up box open, in any dialog, during
// a connection test or a download from a server on 127.0.0.1 that never answers. Each time it
// ends within moments with status 0 and its preferences saved; a link planted beside the file is
// never written through.
#include <QElapsedTimer>
#include <QProcess>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "app/storage.h"
#include "app_fixture.h"
#include "local_http_server.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::pref_value;
using testing_support::read_file;
using testing_support::write_file;
using velora::testing::LocalHttpServer;
using velora::testing::Route;

// The time limit of the twin's probe and version file: its clock stands still unless the test
// moves it, and its transfers stop after as much real time, which a signal has to come long
// before.
constexpr int TwinLimitMs = 120000;

// From the signal to the end of the process, at most: "within moments" on an idle machine, and a
// margin that no load eats up, far below the twin's limit.
constexpr qint64 EndsWithinMs = 30000;

// How long the test waits for the child to say or do something; it goes on as soon as it has.
constexpr int PatienceMs = 60000;

class Signals : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        server_.route("/", {Route::Answer, 200, "<html>home</html>"});
        server_.route("/VELORA_Version.txt", {Route::Answer, 200, ProgramVersion});
    }

    // The twin of the program, pointed at the test's server, picking `item` from its menus once
    // the window is up.
    void start_twin(const QString& item = {}) {
        const std::string site = server_.url("/"), version = server_.url("/VELORA_Version.txt");
        start(VELORA_UNDER_TEST,
              {QString::fromStdString(site), QString::fromStdString(version),
               QString::fromStdString(probe_.empty() ? site : probe_), QString::number(TwinLimitMs), item});
    }

    // Hands the child the key `name` as the desktop would and waits for it to be handled; returns
    // how long that took, or -1 when a dialog came up meanwhile or nothing came in `ms`.
    qint64 key(const std::string& name, int ms = PatienceMs) {
        const std::string answer = "key " + std::to_string(++keys_) + " ";
        QElapsedTimer t;
        t.start();
        child_.write(("key " + name + "\n").c_str());
        while (t.elapsed() < ms && child_.state() == QProcess::Running) {
            child_.waitForReadyRead(5);
            output_ += child_.readAllStandardOutput().toStdString();
            const std::size_t at = output_.find(answer, checked_);
            if (at != std::string::npos) {
                const std::size_t end = output_.find('\n', at);
                if (end == std::string::npos) continue;
                field_ = output_.substr(at + answer.size(), end - at - answer.size());
                checked_ = end;
                return t.elapsed();
            }
        }
        return -1;
    }

    void start(const char* program, const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        child_.setProcessEnvironment(env);
        if (unprivileged_ && ::geteuid() == 0) {
            // Root reads anything: the child gives it up for "nobody", who owns the home folder.
            for (const auto& entry : std::filesystem::recursive_directory_iterator(home()))
                ::lchown(entry.path().c_str(), Nobody, Nobody);
            ::chown(home().c_str(), Nobody, Nobody);
            child_.setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0) ::_exit(3);
            });
        }
        child_.start(QString::fromUtf8(program), arguments);
        ASSERT_TRUE(child_.waitForStarted());
    }

    // Waits until the child said `line` on standard output.
    bool said(const std::string& line, int ms = PatienceMs) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            output_ += child_.readAllStandardOutput().toStdString();
            if (output_.find(line + "\n") != std::string::npos) return true;
            if (child_.state() != QProcess::Running) return false;
            child_.waitForReadyRead(20);
        }
        return false;
    }

    bool until(const std::function<bool()>& condition, int ms = PatienceMs) {
        QElapsedTimer t;
        t.start();
        while (!condition()) {
            if (t.elapsed() > ms || child_.state() != QProcess::Running) return false;
            QTest::qWait(10);
        }
        return true;
    }

    // Sends `sig` and checks that the child ended in time with status 0 and without a word about
    // the shut-down taking too long; returns how long it took.
    qint64 end_with(int sig) {
        EXPECT_EQ(child_.state(), QProcess::Running);
        QElapsedTimer t;
        t.start();
        ::kill(static_cast<pid_t>(child_.processId()), sig);
        EXPECT_TRUE(child_.waitForFinished(2 * EndsWithinMs));
        const qint64 took = t.elapsed();
        EXPECT_LT(took, EndsWithinMs);
        EXPECT_EQ(child_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child_.exitCode(), 0);
        output_ += child_.readAllStandardOutput().toStdString();
        errors_ = child_.readAllStandardError().toStdString();
        EXPECT_EQ(errors_.find("took too long"), std::string::npos) << errors_;
        std::printf("[ signal %d ended the program in %lld ms ]\n", sig, static_cast<long long>(took));
        return took;
    }

    // The preferences as the program saved them (with its byte-order mark), the test's MV kept.
    void expect_saved() {
        const std::string saved = read_file(prefs_path());
        EXPECT_EQ(saved.substr(0, 3), "\xEF\xBB\xBF") << "written by the program, not the test";
        EXPECT_EQ(pref_value(saved, "MV"), "811.0");
    }

    bool any_dialog_after(const std::string& line) const {
        const std::size_t at = output_.find(line);
        return at != std::string::npos && output_.find("dialog ", at) != std::string::npos;
    }

    static constexpr uid_t Nobody = 65534;
    bool unprivileged_ = false;  // the child runs as a user without privileges
    LocalHttpServer server_;
    std::string probe_;  // another probe target than the site
    QProcess child_;
    std::string output_, errors_;
    int keys_ = 0;             // keys handed to the child
    std::size_t checked_ = 0;  // how far the output was read for their answers
    std::string field_;        // the focused field's text after the last key
};

// The real program, signalled in the middle of its start-up (the manual has just been written,
// the window is not up yet): the signal waits for the first events and ends it all the same. A
// link planted at the name the earlier versions saved through is not written through, and the
// preferences file stays a file of its own; a temporary left by a save cut short long ago is
// gone after the start.
TEST_F(Signals, EarlyInTheStartUpWithALinkPlantedBesideTheFile) {
    write_prefs({{"MV", "811.0"}});
    const std::string folder = home() + "/config/Velora/";
    const std::string target = home() + "/precious.txt";
    write_file(target, "mine\n");
    std::filesystem::create_symlink(target, folder + "Velora.prefs.new");
    const std::string stale = folder + ".Velora.prefs.999-1-0.part";
    write_file(stale, "MV = 1");
    std::filesystem::last_write_time(stale, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));

    start(VELORA_PROGRAM, {});
    ASSERT_TRUE(until([this] { return file_exists(help_path()); }));
    end_with(SIGHUP);
    expect_saved();
    EXPECT_EQ(read_file(target), "mine\n");
    EXPECT_FALSE(std::filesystem::is_symlink(prefs_path()));
    EXPECT_FALSE(std::filesystem::exists(stale));
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".part")) << entry.path();
}

// Run as a user without privileges (root reads anything): a preferences file and a shots file that
// the user may not read are told once each, on standard error too, naming the file and the
// system's reason, and the run ends with both as they were.
TEST_F(Signals, FilesThatCannotBeReadKeepTheirContent) {
    write_prefs({{"MV", "900.0"}, {"AutoUpdateCheck", "0"}});
    const std::string shots = home() + "/config/Velora/Velora.shots.csv";
    write_file(shots, "range,quantity,value\n20,velocity,738\n");
    const std::string prefs_before = read_file(prefs_path()), shots_before = read_file(shots);
    ASSERT_EQ(::chmod(prefs_path().c_str(), 0200), 0);
    ASSERT_EQ(::chmod(shots.c_str(), 0200), 0);
    unprivileged_ = true;
    start_twin("Fit from Shots…");
    ASSERT_TRUE(said("dialog Velora Preferences")) << output_;
    ASSERT_TRUE(said("menu Fit from Shots…")) << output_;
    ASSERT_TRUE(said("dialog Fit from Shots")) << "the shots' message: " << output_;
    end_with(SIGTERM);
    EXPECT_NE(errors_.find("The preferences could not be read from: " + prefs_path() + " (Permission denied)"),
              std::string::npos)
        << errors_;
    EXPECT_NE(errors_.find("The shots could not be read from " + shots + " (Permission denied)"), std::string::npos)
        << errors_;
    ::chmod(prefs_path().c_str(), 0600);
    ::chmod(shots.c_str(), 0600);
    EXPECT_EQ(read_file(prefs_path()), prefs_before);
    EXPECT_EQ(read_file(shots), shots_before);
}

// A fit held mid-way beside the window, an import held at its start, and one that cannot stop (a
// reader in the middle of a file): a signal that comes meanwhile, before any progress would come
// up, ends the run within moments with status 0, the preferences saved and the shots kept; the
// work is not waited for.
TEST_F(Signals, DuringALongFitOrImport) {
    const std::string shots = home() + "/config/Velora/Velora.shots.csv";
    std::string list = "range,quantity,value\n";
    for (int i = 0; i < 2000; ++i) list += i % 2 ? "40,velocity,640\n" : "20,velocity,700\n";
    const std::string string_file = home() + "/string.csv";
    write_file(string_file, "range,quantity,value\n20,velocity,700\n40,velocity,640\n");
    const std::pair<std::string, std::string> works[] = {
        {"hold step", "press Fit"},
        {"hold start", "import " + string_file},
        {"stall start", "import " + string_file},
    };
    for (const auto& [hold, start] : works) {
        SCOPED_TRACE(hold + ", " + start);
        write_prefs({{"MV", "811.0"}});
        write_file(shots, list);
        output_.clear();
        start_twin("Fit from Shots…");
        ASSERT_TRUE(said("dialog Fit from Shots")) << output_;
        child_.write((hold + "\n" + start + "\n").c_str());
        ASSERT_TRUE(said("work held")) << output_;
        end_with(SIGTERM);
        expect_saved();
        EXPECT_EQ(read_file(shots), list);
        EXPECT_FALSE(std::filesystem::exists(home() + "/config/Velora/Velora.string.json"))
            << "the import ended with the run";
    }
}

// The program started again with the same folder ends with status 0 and leaves the preferences as
// they are, while the running one goes on; a run killed outright leaves its lock behind, and the
// next start takes it over.
TEST_F(Signals, ALaterStartEndsAndAKilledRunsLockIsTakenOver) {
    write_prefs({{"MV", "811.0"}});
    start_twin();
    ASSERT_TRUE(said("window")) << output_;
    const std::string before = read_file(prefs_path());
    QProcess later;
    later.setProcessEnvironment(child_.processEnvironment());
    later.start(QString::fromUtf8(VELORA_PROGRAM), {});
    ASSERT_TRUE(later.waitForFinished(PatienceMs));
    EXPECT_EQ(later.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(later.exitCode(), 0);
    EXPECT_EQ(later.readAllStandardError().toStdString(), "");
    EXPECT_EQ(read_file(prefs_path()), before);
    EXPECT_EQ(child_.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(child_.processId()), SIGKILL);
    ASSERT_TRUE(child_.waitForFinished(PatienceMs));
    output_.clear();
    start_twin();
    ASSERT_TRUE(said("window")) << "the lock taken over: " << output_;
    end_with(SIGTERM);
    expect_saved();
}

TEST_F(Signals, WithTheStartUpBoxOpen) {
    write_prefs({{"MV", "811.0"}, {"AutoUpdateCheck", "1"}});
    probe_ = velora::testing::refused_url("/");
    start_twin();
    ASSERT_TRUE(said("dialog Auto check for Velora Updates")) << output_;
    end_with(SIGTERM);
    expect_saved();
}

// The connection test waits on a probe that never answers, then the download on a version file
// that never comes: the signal ends either wait at once, and no message follows.
TEST_F(Signals, DuringAManualCheck) {
    write_prefs({{"MV", "811.0"}});
    server_.route("/", {Route::Silent, 0, ""});
    start_twin("Check for updates");
    ASSERT_TRUE(said("menu Check for updates")) << output_;
    ASSERT_TRUE(until([this] { return server_.requests() == 1; }));
    end_with(SIGTERM);
    EXPECT_FALSE(any_dialog_after("menu Check for updates")) << output_;
    expect_saved();

    write_prefs({{"MV", "811.0"}});
    output_.clear();
    server_.route("/", {Route::Answer, 200, "<html>home</html>"});
    server_.route("/VELORA_Version.txt", {Route::Silent, 0, ""});
    start_twin("Check for updates");
    ASSERT_TRUE(until([this] { return server_.requests() == 3; })) << "the probe and the version file";
    end_with(SIGTERM);
    EXPECT_FALSE(any_dialog_after("menu Check for updates")) << output_;
    expect_saved();
}

// The site starts the version file and never finishes it: all along the window handles every
// key, and only once the limit has passed does the check say there is no connection.
TEST_F(Signals, AVersionFileThatNeverEndsLeavesTheWindowAnsweringKeys) {
    write_prefs({{"MV", "811.0"}});
    server_.route("/VELORA_Version.txt", {Route::Endless, 200, "1.2"});
    start_twin("Check for updates");
    ASSERT_TRUE(until([this] { return server_.requests() == 2; })) << "the probe and the version file";
    qint64 slowest = 0;
    const auto handled = [&](const char* name) {
        const qint64 ms = key(name);
        slowest = std::max(slowest, ms);
        return ms >= 0;
    };
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(handled("BackSpace")) << "key " << i;
    std::string typed;
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(handled("7")) << "key " << i;
        typed += "7";
        EXPECT_NE(field_.find(typed), std::string::npos) << field_;
    }
    std::printf("[ every key handled within %lld ms ]\n", static_cast<long long>(slowest));
    EXPECT_FALSE(any_dialog_after("menu Check for updates")) << output_;

    // The limit passes: the check gives up and says so.
    child_.write(("tick " + std::to_string(TwinLimitMs) + "\n").c_str());
    ASSERT_TRUE(said("dialog Update Velora")) << output_;
    end_with(SIGTERM);
}

// About, the save-file dialog and the printer dialog: each is closed and the program ends.
TEST_F(Signals, WithADialogOpen) {
    const std::pair<const char*, const char*> dialogs[] = {
        {"About", "dialog About Velora"},
        {"Save Image", "dialog Save Plot as PNG"},
        {"Print Image", "dialog "},
    };
    for (const auto& [item, shown] : dialogs) {
        SCOPED_TRACE(item);
        write_prefs({{"MV", "811.0"}});
        output_.clear();
        start_twin(item);
        ASSERT_TRUE(said("menu " + std::string(item))) << output_;
        ASSERT_TRUE(until([&] {
            output_ += child_.readAllStandardOutput().toStdString();
            return output_.find(shown) != std::string::npos;
        })) << output_;
        end_with(item == std::string("Print Image") ? SIGHUP : SIGINT);
        expect_saved();
    }
}

}  // namespace
}  // namespace velora
