#include "app/storage.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velora {

namespace fs = std::filesystem;

bool file_exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(fs::path(path), ec);
}

namespace {

std::string with_separator(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool absolute(const char* path) { return path != nullptr && path[0] == '/'; }

void make_folder(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(fs::path(folder), ec);  // failure is not reported
}

}  // namespace

StorageFolders storage_folders_for(const char* xdg_config_home, const char* xdg_data_home, const std::string& home) {
    const std::string base = with_separator(home);
    const std::string config = absolute(xdg_config_home) ? with_separator(xdg_config_home) : base + ".config/";
    const std::string data = absolute(xdg_data_home) ? with_separator(xdg_data_home) : base + ".local/share/";
    return {config + "Velora/", data + "Velora/Help/"};
}

void set_up_storage_folders(CalcState& s) {
#ifdef _WIN32
    // The program's folders on the drive of the current directory, made one after the other.
    const std::string drive = QDir::currentPath().left(2).toStdString();
    const std::string folders[] = {drive + "\\ProgramData\\", drive + "\\ProgramData\\Velora",
                                   drive + "\\ProgramData\\Velora\\Prefs\\", drive + "\\ProgramData\\Velora\\Help\\"};
    for (const std::string& f : folders) QDir().mkdir(QString::fromStdString(f));
    s.PrefsFolder = folders[2];
    s.HelpFolder = folders[3];
#else
    const StorageFolders f = storage_folders_for(std::getenv("XDG_CONFIG_HOME"), std::getenv("XDG_DATA_HOME"),
                                                 QDir::homePath().toStdString());
    make_folder(f.prefs);
    make_folder(f.help);
    s.PrefsFolder = f.prefs;
    s.HelpFolder = f.help;
#endif
    s.HelpFile = s.HelpFolder + HelpFileName;
}

std::string desktop_folder() {
    QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (desktop.isEmpty() || !QDir(desktop).exists()) desktop = QDir::homePath();
    return with_separator(QDir::toNativeSeparators(desktop).toStdString());
}

namespace {

#ifndef _WIN32
// A folder that exists, is no link, belongs to this user and is closed to everybody else.
bool private_folder(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == getuid() && (st.st_mode & 077) == 0;
}

std::string make_private_folder(const std::string& path) {
    ::mkdir(path.c_str(), 0700);
    if (private_folder(path)) return with_separator(path);
    // Taken by someone else, or open to others: a fresh folder with a unique name instead.
    std::string pattern = path + "-XXXXXX";
    if (char* made = mkdtemp(pattern.data())) return with_separator(made);
    return {};
}
#endif

}  // namespace

std::string private_temporary_folder() {
#ifdef _WIN32
    // The user's own temporary folder is private on Windows.
    const std::string folder = with_separator(QDir::tempPath().toStdString()) + "Velora";
    make_folder(folder);
    return with_separator(folder);
#else
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (absolute(runtime) && private_folder(runtime)) return make_private_folder(with_separator(runtime) + "velora");
    return make_private_folder(with_separator(QDir::tempPath().toStdString()) + "velora-" + std::to_string(getuid()));
#endif
}

std::string temporary_image_path(const std::string& private_folder) {
    if (private_folder.empty()) return {};
    return private_folder + TemporaryImageName;
}

void delete_temporary_image(const std::string& private_folder) {
    const std::string path = temporary_image_path(private_folder);
    if (file_exists(path)) {
        std::error_code ec;
        fs::remove(fs::path(path), ec);
    }
}

}  // namespace velora
