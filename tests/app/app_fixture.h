// A run of the program in a home folder of its own, with dialogs that answer from the test.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/control_ids.h"
#include "app/main_window.h"
#include "app/program.h"
#include "output/popup_menus.h"
#include "services/preferences.h"

namespace velora::testing_support {

// The text a menu shows for an action (its mnemonic mark dropped).
inline std::string menu_text(const QAction* action) { return without_mnemonic(action->text().toStdString()); }

inline std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void write_file(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// The value of "key = value" in a preferences text, or "" when the key is missing.
inline std::string pref_value(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(key + " = ", 0) == 0) return line.substr(key.size() + 3);
    }
    return {};
}

// Starts a web site on 127.0.0.1 whose version file holds this program's version and points
// `web` at it (local_site.cpp); the site runs while the returned handle lives.
std::shared_ptr<void> local_up_to_date_site(WebAddresses& web);

// The calls made "a moment later" (app/background.h), waiting until the test says how long has
// passed, so that no test depends on how fast a loaded machine runs.
class TestTimers {
public:
    LaterSeam seam() {
        return [this](std::chrono::milliseconds delay, std::function<void()> call) {
            auto handle = std::make_shared<char>(0);
            pending_.push_back({delay, std::move(call), handle});
            return LaterCall(handle);
        };
    }

    // Makes the calls still waiting (not dropped by their caller) that asked for at most `passed`,
    // in the order they were asked for; returns how many.
    int pass(std::chrono::milliseconds passed) {
        std::vector<std::function<void()>> due;
        for (Pending& p : pending_) {
            if (p.made || p.delay > passed || p.alive.expired()) continue;
            p.made = true;
            due.push_back(p.call);
        }
        for (const auto& call : due) call();
        return static_cast<int>(due.size());
    }

    int waiting() const {
        int n = 0;
        for (const Pending& p : pending_) n += !p.made && !p.alive.expired();
        return n;
    }

private:
    struct Pending {
        std::chrono::milliseconds delay;
        std::function<void()> call;
        std::weak_ptr<char> alive;
        bool made = false;
    };
    std::vector<Pending> pending_;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        const std::string home = home_.path().toStdString();
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
        const std::string runtime = home + "/run";
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    }

    void TearDown() override { app_.reset(); }

    std::string home() const { return home_.path().toStdString(); }
    std::string prefs_path() const { return home() + "/config/Velora/Velora.prefs"; }
    std::string help_path() const { return home() + "/data/Velora/Help/VeloraHelp.pdf"; }

    // Writes the preferences of a first start with the splash and the update check off and
    // `changes` applied ("key" → "value"; a key the text lacks is added).
    void write_prefs(const std::map<std::string, std::string>& changes = {}) {
        std::map<std::string, std::string> all = changes;
        if (!all.count("AutoLogoCheck")) all["AutoLogoCheck"] = "0";
        if (!all.count("AutoUpdateCheck")) all["AutoUpdateCheck"] = "0";
        std::istringstream lines{std::string(FirstRunPreferencesText)};
        std::string line, text;
        while (std::getline(lines, line)) {
            const auto eq = line.find(" = ");
            if (eq != std::string::npos && all.count(line.substr(0, eq))) {
                const std::string key = line.substr(0, eq);
                line = key + " = " + all[key];
                all.erase(key);
            }
            text += line + "\n";
        }
        for (const auto& [key, value] : all) text += key + " = " + value + "\n";
        write_file(prefs_path(), text);
    }

    void start() {
        app_ = std::make_unique<App>(state_);
        // The desktop's choice as the tests set it: light unless a test asks for dark.
        app_->theme_setting = [this](RegistryRoot, const std::string&, const std::string&) {
            return std::string(dark_desktop_ ? "0" : "1");
        };
        app_->dialogs.message = [this](const MessageRequest& m) {
            messages_.push_back(m);
            window_shown_at_message_.push_back(app_->window.window && app_->window.window->isVisible());
            if (answers_.empty()) return answer_;
            const MessageAnswer a = answers_.front();
            answers_.erase(answers_.begin());
            return a;
        };
        app_->dialogs.save_file = [](const SaveFileRequest&) { return std::string(); };
        app_->dialogs.report_details = [this](ReportDetails& details) {
            details = report_details_;
            return true;
        };
        app_->dialogs.open_url = [this](const std::string& url) { urls_.push_back(url); };
        app_->dialogs.open_document = [this](const std::string& path, const std::function<void()>& no_program) {
            documents_.push_back(path);
            if (!pdf_viewer_) no_program();
        };
        app_->end_loop = [this] { ++loop_ends_; };
        // The logo is shown and waited for as in the program, only not for seconds.
        app_->logo_times = {20, 20};
        // and with a few rounds of event handling before the first calculation instead of 101.
        app_->settling_rounds = 3;
        // The web site and the probe: a site on 127.0.0.1 with this very version unless the test
        // set its own. Nothing reaches beyond this machine.
        if (web_.probe.empty()) site_ = local_up_to_date_site(web_);
        app_->web = web_;
        if (later_) app_->later = later_;
        app_->work_grace = work_grace_;
        app_->work_step = work_step_;
        start_program(*app_);
        QWidget* top = app_->window.window.get();
        top->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(top));
        focus_control(app_->window, state_.mpag);
    }

    App& app() { return *app_; }
    MainWindow& window() { return app_->window; }
    QLineEdit* field_of(int id) { return field(window(), id); }
    std::string text(int id) { return control_text(window(), id); }
    int focused() { return focused_control(window()); }

    // Focuses a field and replaces its text by typing, without committing it.
    void type_into(int id, const char* typed) {
        focus_control(window(), id);
        QLineEdit* f = field_of(id);
        ASSERT_TRUE(f->hasFocus()) << "field " << id;
        f->selectAll();
        QTest::keyClicks(f, QString::fromUtf8(typed));
    }

    // A key pressed wherever the focus is.
    void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr) target = window().window.get();
        QTest::keyClick(target, key, mods);
    }

    void click(int id, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseClick(control(window(), id), button); }

    void double_click(int id) { QTest::mouseDClick(control(window(), id), Qt::LeftButton); }

    // Moves a list's selection to `position` the way the user does, with the arrow keys, one
    // entry at a time (each step is a choice of its own).
    void choose(int id, int position) {
        QComboBox* l = list(window(), id);
        focus_control(window(), id);
        const int steps = position - l->currentIndex();
        for (int i = 0; i < std::abs(steps); ++i) QTest::keyClick(l, steps > 0 ? Qt::Key_Down : Qt::Key_Up);
    }

    QTemporaryDir home_;
    std::shared_ptr<void> site_;  // the local web site while it is in use
    WebAddresses web_;
    CalcState state_;
    std::unique_ptr<App> app_;
    std::vector<MessageRequest> messages_;
    std::vector<std::string> urls_;
    std::vector<std::string> documents_;         // the local documents opened
    bool pdf_viewer_ = true;                     // the desktop has a program for PDF documents
    std::vector<bool> window_shown_at_message_;  // whether the main window was shown at each
    std::vector<MessageAnswer> answers_;         // the answers to the next messages, in turn; then answer_
    MessageAnswer answer_ = MessageAnswer::Ok;
    ReportDetails report_details_;  // what the report's dialog answers
    bool dark_desktop_ = false;     // the desktop asks for dark applications
    int loop_ends_ = 0;
    LaterSeam later_;  // the test's own timers, when it set them
    // Work beside the window that ends within this is done before the window goes on, as the
    // tests that do not look at the work itself expect; those that do take 0.
    std::chrono::milliseconds work_grace_{std::chrono::minutes(1)};
    WorkStepHook work_step_;  // a latch at the work's steps
};

}  // namespace velora::testing_support
