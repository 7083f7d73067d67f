// The program as it ships, for the tests that run it as a child process: the same start, event
// loop and end, with the web site, the probe and their time limit from the command line (a test's
// server on 127.0.0.1), so that nothing leaves the machine. It says on standard output when its
// window or a dialog appears, so that a test knows when to act, and picks a menu item when told
// to, as the user would. Keys come in on standard input, a line "key NAME" each (a character, or
// BackSpace), and reach whatever has the focus the way the desktop hands them over: only when the
// program handles its events. Each is answered with "key N TEXT" once it was handled (N counts
// the keys, TEXT is the focused field's text). The time limit of the probe and the version file
// is measured on a clock that stands still until a line "tick MS" moves it on, so that a test
// decides when it is reached, however loaded the machine.
//
//
// Other lines: "press NAME" clicks the button of that accessible name in a window that is shown;
// "import PATH" imports PATH into the Fit window as Import… would; "hold start" and "hold step"
// hold the next work beside the window at its start or at its first step past it until it is
// cancelled, "stall start" holds it at its start for good, as a reader in the middle of a file
// that cannot stop; each says "work held" once it holds.
//
//   velora_under_test SITE VERSION_FILE PROBE LIMIT_MS [MENU_ITEM_TEXT]
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QSocketNotifier>
#include <QTimer>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/fit_import.h"
#include "app/program.h"
#include "output/popup_menus.h"

namespace {

// The clock of the web limits, moved on only by "tick MS".
std::chrono::steady_clock::time_point test_clock;

// The run, once it is prepared.
velora::App* running = nullptr;

class Announcer : public QObject {
public:
    explicit Announcer(QString item) : item_(std::move(item)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget == nullptr || !widget->isWindow()) return false;
        if (qobject_cast<QDialog*>(widget) != nullptr) {
            say("dialog " + widget->windowTitle().toStdString());
        } else if (auto* main = qobject_cast<QMainWindow*>(widget); main != nullptr && !shown_) {
            shown_ = true;
            say("window");
            if (!item_.isEmpty()) QTimer::singleShot(0, main, [this, main] { pick(main); });
        }
        return false;
    }

private:
    static void say(const std::string& line) {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    }

    void pick(QMainWindow* main) {
        for (QAction* action : main->findChildren<QAction*>()) {
            // The item as the menu shows it, without the mark of its mnemonic.
            if (QString::fromStdString(velora::without_mnemonic(action->text().toStdString())) != item_) continue;
            say("menu " + item_.toStdString());
            action->trigger();
            return;
        }
    }

    QString item_;
    bool shown_ = false;
};

// The keys of standard input, handed to the focused widget as the desktop's keys are.
class Typist : public QObject {
public:
    Typist() : notifier_(STDIN_FILENO, QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, this, [this] { read_keys(); });
    }

private:
    void read_keys() {
        char bytes[256];
        const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (n <= 0) {
            notifier_.setEnabled(false);
            return;
        }
        pending_.append(bytes, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos; pending_.erase(0, end + 1)) {
            const std::string line = pending_.substr(0, end);
            if (line.rfind("key ", 0) == 0) type(line.substr(4));
            if (line.rfind("tick ", 0) == 0) test_clock += std::chrono::milliseconds(std::atoi(line.c_str() + 5));
            if (line.rfind("press ", 0) == 0) press(QString::fromStdString(line.substr(6)));
            if (line.rfind("import ", 0) == 0 && running != nullptr) velora::import_path(*running, line.substr(7));
            if (line == "hold start" || line == "hold step" || line == "stall start") hold(line);
        }
    }

    static void press(const QString& name) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible()) continue;
            for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
                if (button->accessibleName() != name || !button->isVisible()) continue;
                std::fprintf(stdout, "pressed %s\n", name.toStdString().c_str());
                std::fflush(stdout);
                button->click();
                return;
            }
        }
    }

    static void hold(const std::string& how) {
        if (running == nullptr) return;
        const bool at_step = how == "hold step", deaf = how == "stall start";
        auto held = std::make_shared<std::atomic<bool>>(false);
        running->work_step = [at_step, deaf, held](double done, const std::function<bool()>& cancelled) {
            if ((at_step && done <= 0.0) || held->exchange(true)) return;
            std::fprintf(stdout, "work held\n");
            std::fflush(stdout);
            while (deaf || !cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
    }

    void type(const std::string& name) {
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr) target = QApplication::activeWindow();
        if (target == nullptr) return;
        const bool back = name == "BackSpace";
        const int key =
            back ? static_cast<int>(Qt::Key_Backspace) : static_cast<int>(QChar(name[0]).toUpper().unicode());
        const QString text = back ? QString() : QString::fromStdString(name.substr(0, 1));
        QApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
        const int number = ++typed_;
        // Posted behind the key: runs once the key was handled.
        QMetaObject::invokeMethod(
            this,
            [number] {
                auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
                const std::string shown = field != nullptr ? field->text().toStdString() : std::string();
                std::fprintf(stdout, "key %d %s\n", number, shown.c_str());
                std::fflush(stdout);
            },
            Qt::QueuedConnection);
    }

    QSocketNotifier notifier_;
    std::string pending_;
    int typed_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    velora::install_signal_handlers();
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s SITE VERSION_FILE PROBE LIMIT_MS [MENU_ITEM]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velora"));
    QApplication::setQuitOnLastWindowClosed(false);
    const velora::WebAddresses web{argv[1], argv[2], argv[3], std::atoi(argv[4]), [] { return test_clock; }};
    Announcer announcer(argc > 5 ? QString::fromUtf8(argv[5]) : QString());
    application.installEventFilter(&announcer);
    Typist typist;
    return velora::run_program(web, [](velora::App& app) { running = &app; });
}
