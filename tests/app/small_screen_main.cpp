// Test program of the window on one small screen, 1024 × 600 pixels: the offscreen platform with a
// screen set up from a configuration file written before the application starts.
#include <QApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const QString config = QDir::temp().filePath(QStringLiteral("velora-small-screen-%1.json").arg(getpid()));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(R"({"screens": [{"name": "small", "x": 0, "y": 0, "width": 1024, "height": 600,
                   "logicalDpi": 96, "logicalBaseDpi": 96}]})");
    file.close();
    const std::string platform = "offscreen:configfile=" + config.toStdString();
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    int result = 0;
    {
        QApplication application(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    QFile::remove(config);
    return result;
}
