// The program as it ships, for the tests that run it as a child process: the same start, event
// loop and end, with the web site, the probe and their time limit from the command line (a test's
// server on 127.0.0.1), so that nothing leaves the machine. It says on standard output when its
// window or a dialog appears, so that a test knows when to act, and picks a menu item when told
// to, as the user would.
//
//   velora_under_test SITE VERSION_FILE PROBE LIMIT_MS [MENU_ITEM_TEXT]
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/program.h"
#include "output/popup_menus.h"

namespace {

class Announcer : public QObject {
public:
    explicit Announcer(QString item) : item_(std::move(item)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
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
    static void say(const std::string& line)
    {
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    }

    void pick(QMainWindow* main)
    {
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

}  // namespace

int main(int argc, char** argv)
{
    velora::install_signal_handlers();
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s SITE VERSION_FILE PROBE LIMIT_MS [MENU_ITEM]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velora"));
    QApplication::setQuitOnLastWindowClosed(false);
    const velora::WebAddresses web{argv[1], argv[2], argv[3], std::atoi(argv[4])};
    Announcer announcer(argc > 5 ? QString::fromUtf8(argv[5]) : QString());
    application.installEventFilter(&announcer);
    return velora::run_program(web);
}
