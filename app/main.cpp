// Velora: the desktop calculator of a projectile's ballistic coefficient.
#include <QApplication>

#include "app/program.h"
#include "velora_version.h"

int main(int argc, char** argv) {
    // Before anything else: a signal at any moment from here on ends the program with the
    // preferences saved.
    velora::install_signal_handlers();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velora"));
    QApplication::setApplicationVersion(QStringLiteral(VELORA_VERSION));
    // The desktop entry of the windows (Wayland's app id; X11 matches WM_CLASS "Velora" instead).
    QGuiApplication::setDesktopFileName(QStringLiteral(VELORA_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    return velora::run_program();
}
