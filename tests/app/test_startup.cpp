// Start-up and shut-down in a fresh home folder, the storage folders, the embedded resources and
// the splash's pixel arithmetic.
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>

#include <algorithm>

#include <sys/stat.h>

#include "app/embedded.h"
#include "app/event_bridge.h"
#include "app/preferences_window.h"
#include "app/splash.h"
#include "app/storage.h"
#include "app_fixture.h"

namespace velora {
namespace {

using testing_support::AppTest;
using testing_support::pref_value;
using testing_support::read_file;
using testing_support::write_file;

class StartUp : public AppTest {};

TEST_F(StartUp, AFreshHomeGetsTheFirstRunFilesAndASecondStartReusesThem) {
    start();  // nothing in the home folder: a first start, with the splash
    EXPECT_EQ(read_file(prefs_path()), std::string(FirstRunPreferencesText));
    EXPECT_EQ(read_file(help_path()), std::string(HelpDocument));
    EXPECT_EQ(state_.PrefsFolder, home() + "/config/Velora/");
    EXPECT_EQ(state_.HelpFile, help_path());
    EXPECT_EQ(state_.LastFolder, home() + "/") << "no desktop folder: the home folder";

    // The first-run values, predicted once and shown.
    QWidget* top = window().window.get();
    EXPECT_EQ(top->windowTitle(), "Velora | 1.2.2");
    EXPECT_TRUE(top->isVisible());
    EXPECT_EQ(top->width(), 830);
    EXPECT_EQ(top->height(), 610);
    EXPECT_EQ(text(FieldMV), "785.0");
    EXPECT_EQ(text(FieldTR), "40.0");
    EXPECT_EQ(text(FieldPOI), "-19") << "the first-run POI unit is mm";
    EXPECT_EQ(text(FieldTMP), "23.5");
    EXPECT_EQ(text(FieldPRES), "28.42");
    EXPECT_EQ(text(BcResult), "0.0195");
    EXPECT_EQ(text(DragLawDescription).substr(0, 3), "GA2");
    EXPECT_EQ(panel(window())->currentIndex(), TabConfidence);
    EXPECT_TRUE(qobject_cast<QAbstractButton*>(control(window(), MethodButtonPOI))->isChecked());
    EXPECT_EQ(focused(), FieldMV);
    // Centred for the wide window on the primary screen, and kept on it where that screen is
    // smaller than the window.
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    const int centred_x = std::max(0, (desktop.width() - 830) / 2);
    EXPECT_EQ(state_.WinX[0], centred_x);
    EXPECT_EQ(state_.WinY[0], std::max(0, (desktop.height() - 610) / 2));
    EXPECT_TRUE(messages_.empty());

    type_into(FieldMV, "799");
    press(Qt::Key_Return);
    press(Qt::Key_Escape);
    end_program(app());
    EXPECT_EQ(pref_value(read_file(prefs_path()), "MV"), "799.0");

    // Second start: the saved file is read and the help document of the right size stays as it is.
    write_file(help_path(), std::string(HelpDocument.size(), 'x'));
    app_.reset();
    state_ = CalcState{};
    std::filesystem::create_directory(home() + "/Desktop");
    start();
    EXPECT_EQ(state_.LastFolder, home() + "/Desktop/");
    EXPECT_EQ(text(FieldMV), "799.0");
    EXPECT_EQ(state_.WinX[0], centred_x);
    EXPECT_EQ(read_file(help_path()), std::string(HelpDocument.size(), 'x'));
}

TEST_F(StartUp, AHelpDocumentOfAnotherSizeIsReplaced) {
    write_file(help_path(), "old manual");
    EXPECT_TRUE(write_help_document(help_path()).ok);
    EXPECT_EQ(read_file(help_path()), std::string(HelpDocument));
}

TEST_F(StartUp, TheTemporaryImageIsDeletedButAFolderOfItsNameIsNot) {
    const std::string folder = private_temporary_folder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder, home() + "/run/velora/");
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    write_file(temporary_image_path(folder), "png");
    write_prefs();
    start();
    EXPECT_FALSE(file_exists(temporary_image_path(folder)));
    std::filesystem::create_directory(temporary_image_path(folder));
    press(Qt::Key_Escape);
    end_program(app());
    EXPECT_TRUE(std::filesystem::is_directory(temporary_image_path(folder)));
}

TEST_F(StartUp, APrivateFolderOpenToOthersIsNotUsed) {
    const std::string taken = home() + "/run/velora";
    std::filesystem::create_directory(taken);
    std::filesystem::permissions(taken, std::filesystem::perms::all);
    const std::string folder = private_temporary_folder();
    EXPECT_NE(folder, taken + "/");
    EXPECT_EQ(folder.rfind(taken + "-", 0), 0u) << folder;
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Storage, FoldersFollowTheXdgVariables) {
    const StorageFolders defaults = storage_folders_for(nullptr, nullptr, "/home/ann");
    EXPECT_EQ(defaults.prefs, "/home/ann/.config/Velora/");
    EXPECT_EQ(defaults.help, "/home/ann/.local/share/Velora/Help/");
    const StorageFolders set = storage_folders_for("/x/conf/", "/x/data", "/home/ann/");
    EXPECT_EQ(set.prefs, "/x/conf/Velora/");
    EXPECT_EQ(set.help, "/x/data/Velora/Help/");
    // Relative or empty values are not paths to trust.
    const StorageFolders relative = storage_folders_for("conf", "", "/home/ann");
    EXPECT_EQ(relative.prefs, "/home/ann/.config/Velora/");
    EXPECT_EQ(relative.help, "/home/ann/.local/share/Velora/Help/");
}

TEST(Storage, FileExistsIsTrueOnlyForFiles) {
    QTemporaryDir dir;
    const std::string base = dir.path().toStdString();
    EXPECT_FALSE(file_exists(base + "/nothing"));
    EXPECT_FALSE(file_exists(base));
    write_file(base + "/empty", "");
    EXPECT_TRUE(file_exists(base + "/empty"));
    EXPECT_FALSE(file_exists(""));
}

TEST(Splash, PremultiplyTruncatesEachChannelAndKeepsAlpha) {
    std::vector<std::uint8_t> pixels = {255, 128, 1, 255, 255, 128, 1, 128, 200, 100, 50, 0, 7, 9, 254, 1};
    premultiply_alpha(pixels, 2, 2);
    const std::vector<std::uint8_t> expected = {255, 128, 1, 255, 128, 64, 0, 128, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(pixels, expected);
}

TEST(Splash, SettlingRoundsHandleEventsForTheirWholeMilliseconds) {
    // However the pauses oversleep, the rounds last at least their count in milliseconds and
    // handle what the windows posted meanwhile.
    int handled = 0;
    QTimer::singleShot(0, [&handled] { ++handled; });
    QTimer::singleShot(40, [&handled] { ++handled; });
    QElapsedTimer clock;
    clock.start();
    handle_events_rounds(101);
    EXPECT_GE(clock.elapsed(), 101);
    EXPECT_EQ(handled, 2);
}

TEST(Splash, TheLogoIsA192PixelSquareWithAlpha) {
    ASSERT_GT(LogoPng.size(), 8u);
    EXPECT_EQ(LogoPng.substr(0, 8), std::string_view("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(static_cast<unsigned char>(LogoPng[25]), 6u) << "colour type RGBA";
    QImage logo;
    ASSERT_TRUE(logo.loadFromData(reinterpret_cast<const uchar*>(LogoPng.data()), static_cast<int>(LogoPng.size())));
    EXPECT_EQ(logo.size(), QSize(192, 192));
    EXPECT_TRUE(logo.hasAlphaChannel());
    EXPECT_EQ(qAlpha(logo.pixel(0, 0)), 0) << "the corners are transparent";
    EXPECT_EQ(qAlpha(logo.pixel(96, 96)), 255);
}

// The desktop shows the windows' icon in task bars and switchers: the main window and the
// preferences window carry the application's one icon at every installed size, drawn from the
// splash logo's design (its centre is the logo's orange bull).
TEST_F(StartUp, EveryWindowCarriesTheApplicationIcon) {
    write_prefs();
    start();
    const QIcon icon = window().window->windowIcon();
    ASSERT_FALSE(icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 32, 48, 64, 128, 256}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
    ASSERT_NE(app().preferences.dialog, nullptr);
    EXPECT_EQ(app().preferences.dialog->windowIcon().cacheKey(), icon.cacheKey());
    EXPECT_EQ(QApplication::windowIcon().cacheKey(), icon.cacheKey()) << "set once for the application";

    const QImage large = icon.pixmap(QSize(256, 256)).toImage();
    ASSERT_EQ(large.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(large.pixel(0, 0)), 0) << "the corners are transparent";
    QImage logo;
    ASSERT_TRUE(logo.loadFromData(reinterpret_cast<const uchar*>(LogoPng.data()), static_cast<int>(LogoPng.size())));
    EXPECT_EQ(large.pixel(128, 128), logo.pixel(96, 96));
}

TEST(Splash, ShownCentredWithoutFrameAndHiddenAgain) {
    Splash splash;
    show_logo(splash);
    ASSERT_TRUE(splash.window);
    EXPECT_TRUE(splash.window->isVisible());
    EXPECT_EQ(splash.window->size(), QSize(192, 192));
    EXPECT_TRUE(splash.window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.window->testAttribute(Qt::WA_TranslucentBackground));
    const QRect desktop = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(splash.window->pos(), QPoint((desktop.width() - 192) / 2, (desktop.height() - 192) / 2));
    hide_logo(splash);
    EXPECT_FALSE(splash.window);
}

TEST(HelpDocument, IsARealPdfManual) {
    EXPECT_EQ(HelpDocument.substr(0, 5), "%PDF-");
    EXPECT_NE(HelpDocument.find("%%EOF"), std::string_view::npos);
    EXPECT_GT(HelpDocument.size(), 20000u);
}

TEST(Keys, ShortcutNumbers) {
    auto number = [](int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        return shortcut_number(QKeyEvent(QEvent::KeyPress, key, mods));
    };
    EXPECT_EQ(number(Qt::Key_Return), 1);
    EXPECT_EQ(number(Qt::Key_Enter, Qt::KeypadModifier), 1);
    EXPECT_EQ(number(Qt::Key_Escape), 2);
    EXPECT_EQ(number(Qt::Key_Q, Qt::ControlModifier), 2);
    EXPECT_EQ(number(Qt::Key_Q), 0);
    EXPECT_EQ(number(Qt::Key_F1), 3);
    EXPECT_EQ(number(Qt::Key_H, Qt::ControlModifier), 3);
    EXPECT_EQ(number(Qt::Key_F2), 4);
    EXPECT_EQ(number(Qt::Key_A, Qt::ControlModifier), 4);
    EXPECT_EQ(number(Qt::Key_A), 0);
    EXPECT_EQ(number(Qt::Key_Tab), 15);
    EXPECT_EQ(number(Qt::Key_Backtab, Qt::ShiftModifier), 16);
    EXPECT_EQ(number(Qt::Key_Tab, Qt::ShiftModifier), 16);
    EXPECT_EQ(number(Qt::Key_Return, Qt::ShiftModifier), 0);
}

}  // namespace
}  // namespace velora
