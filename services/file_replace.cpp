#include "services/file_replace.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view TemporaryEnd = ".part";

std::string reason_of(int error) { return std::generic_category().message(error); }

WriteOutcome failed(int error) { return {false, reason_of(error)}; }

// "a/b/Velora.prefs" → "a/b/", "Velora.prefs".
std::pair<std::string, std::string> split(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// A name nobody can guess ahead: the process, a random number and a counter.
std::string temporary_name(const std::string& name) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937_64 random{std::random_device{}()};
#ifdef _WIN32
    const long process = 0;
#else
    const long process = static_cast<long>(::getpid());
#endif
    return "." + name + "." + std::to_string(process) + "-" + std::to_string(random() % 1000000000ULL) + "-" +
           std::to_string(counter++) + std::string(TemporaryEnd);
}

#ifndef _WIN32
// Creates a temporary file that did not exist before, refusing any file or link in the way.
std::FILE* create_temporary(const std::string& folder, const std::string& name, std::string& temporary, int& error) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + temporary_name(name);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::FILE* file = ::fdopen(fd, "wb");
            if (file == nullptr) {
                error = errno;
                ::close(fd);
                ::unlink(temporary.c_str());
            }
            return file;
        }
        error = errno;
        if (error != EEXIST) return nullptr;
    }
    return nullptr;
}

// The rename itself is made durable by syncing the folder; a folder that cannot be opened only
// loses that.
void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
#endif

// How long ago the file itself (a link, not its target) was last changed.
std::optional<std::chrono::seconds> seconds_since_change(const fs::path& path) {
#ifdef _WIN32
    std::error_code ec;
    const auto changed = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::seconds>(fs::file_time_type::clock::now() - changed);
#else
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    return std::chrono::seconds(static_cast<long long>(std::time(nullptr) - st.st_mtime));
#endif
}

}  // namespace

namespace {

// The file a save replaces: `path` itself, or, when `path` is a link the user made (a dotfiles
// folder), the regular file it leads to, so that the link stays and keeps working. A link that
// leads nowhere or to something that is not a file is refused.
std::optional<std::string> file_to_replace(const std::string& path, std::string& refusal) {
#ifndef _WIN32
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::canonical(path, ec);
    if (ec) {
        std::error_code ignored;
        refusal = path + " is a link to " + fs::read_symlink(path, ignored).string() + ", which does not exist";
        return std::nullopt;
    }
    if (!fs::is_regular_file(fs::status(target, ec))) {
        refusal = path + " is a link to " + target.string() + ", which is not a regular file";
        return std::nullopt;
    }
    return target.string();
#else
    (void)refusal;
    return path;
#endif
}

}  // namespace

WriteOutcome replace_file_with(const std::string& path, const std::function<bool(std::FILE*)>& write,
                               NewFileAccess access) {
    std::string refusal;
    const std::optional<std::string> target = file_to_replace(path, refusal);
    if (!target) return {false, refusal};
    const auto [folder, name] = split(*target);
    if (name.empty()) return {false, "no file name"};
#ifdef _WIN32
    (void)access;
    const std::string temporary = folder + temporary_name(name);
    std::FILE* file = std::fopen(temporary.c_str(), "wbx");
    if (file == nullptr) return failed(errno);
    int error = 0;
#else
    std::string temporary;
    int error = 0;
    std::FILE* file = create_temporary(folder, name, temporary, error);
    if (file == nullptr) return failed(error);
    // A file replaced keeps its own permissions; a new private one is for this user alone.
    struct stat old {};
    if (::stat(target->c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(::fileno(file), old.st_mode & 07777);
    else if (access == NewFileAccess::Private)
        ::fchmod(::fileno(file), 0600);
#endif
    errno = 0;
    bool ok = write(file);
    if (!ok) error = errno != 0 ? errno : EIO;
    if (ok && std::fflush(file) != 0) ok = false, error = errno;
#ifndef _WIN32
    if (ok && ::fsync(::fileno(file)) != 0) ok = false, error = errno;
#endif
    if (std::fclose(file) != 0 && ok) ok = false, error = errno;
    std::error_code ec;
    if (ok) {
        fs::rename(temporary, *target, ec);
        if (!ec) {
#ifndef _WIN32
            sync_folder(folder);
#endif
            return {true, {}};
        }
        error = ec.value();
    }
    fs::remove(temporary, ec);
    return failed(error);
}

WriteOutcome replace_file_contents(const std::string& path, std::string_view bytes, NewFileAccess access) {
    return replace_file_with(
        path, [bytes](std::FILE* file) { return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size(); },
        access);
}

bool is_temporary_name_of(std::string_view name, std::string_view file_name) {
    const std::size_t lead = 1 + file_name.size() + 1;  // "." + name + "."
    if (name.size() <= lead + TemporaryEnd.size()) return false;
    return name[0] == '.' && name.substr(1, file_name.size()) == file_name && name[lead - 1] == '.' &&
           name.substr(name.size() - TemporaryEnd.size()) == TemporaryEnd;
}

void remove_stale_temporaries(const std::string& folder, std::string_view file_name, std::string_view legacy,
                              std::chrono::seconds age) {
    std::error_code ec;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!is_temporary_name_of(name, file_name) && (legacy.empty() || name != legacy)) continue;
        std::error_code stat_error;
        const fs::file_status status = it->symlink_status(stat_error);
        if (stat_error || fs::is_directory(status)) continue;
        const auto since = seconds_since_change(it->path());
        if (!since || *since < age) continue;
        std::error_code ignored;
        fs::remove(it->path(), ignored);
    }
}

void remove_stale_temporaries_of(const std::string& path, std::chrono::seconds age) {
    const auto [folder, name] = split(path);
    if (name.empty()) return;
    remove_stale_temporaries(folder, name, {}, age);
    std::string refusal;
    const std::optional<std::string> target = file_to_replace(path, refusal);
    if (!target || *target == path) return;
    const auto [target_folder, target_name] = split(*target);
    remove_stale_temporaries(target_folder, target_name, {}, age);
}

}  // namespace velora
