#include "services/kept_file.h"

#include "services/file_replace.h"

#include <cerrno>
#include <filesystem>
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

std::string reason_of(int error) { return std::generic_category().message(error); }

// "1 MiB", "64 KiB", "300 bytes".
std::string size_text(std::size_t bytes) {
    if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
    return std::to_string(bytes) + " bytes";
}

KeptFileRead refused(std::string reason) { return {KeptFileState::Refused, {}, std::move(reason), std::nullopt}; }

#ifndef _WIN32
FileStamp stamp_of(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Why something that exists is no file to read.
std::optional<std::string> not_a_file(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return std::nullopt;
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    return "it is not a regular file";
}
#endif

}  // namespace

KeptFileRead read_kept_file(const std::string& path, std::size_t limit) {
#ifdef _WIN32
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) return {};
    if (!fs::is_regular_file(status)) return refused("it is not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return refused(reason_of(errno));
    KeptFileRead read;
    read.state = KeptFileState::Read;
    char buffer[16384];
    while (read.bytes.size() <= limit && in.read(buffer, sizeof buffer).gcount() > 0)
        read.bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) return refused("it could not be read to its end");
    if (read.bytes.size() > limit) return refused("it is larger than " + size_text(limit));
    return read;
#else
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0) {
        if (errno == ENOENT) return {};
        return refused(reason_of(errno));
    }
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) {
        const int error = errno;
        if (S_ISLNK(link.st_mode) && error == ENOENT) {
            std::error_code ec;
            return refused("it is a link to " + fs::read_symlink(path, ec).string() + ", which does not exist");
        }
        return refused(reason_of(error));
    }
    if (const auto why = not_a_file(target)) return refused(*why);
    if (static_cast<std::uint64_t>(target.st_size) > limit) return refused("it is larger than " + size_text(limit));
    // Not waiting on whatever may have taken the file's place since.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return refused(reason_of(errno));
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return refused("it is not a regular file");
    }
    KeptFileRead read;
    read.state = KeptFileState::Read;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return refused(reason_of(error));
        }
        if (n == 0) break;
        read.bytes.append(buffer, static_cast<std::size_t>(n));
        if (read.bytes.size() > limit) {
            ::close(fd);
            return refused("it is larger than " + size_text(limit));
        }
    }
    ::close(fd);
    read.stamp = stamp_of(opened);
    return read;
#endif
}

std::optional<FileStamp> file_stamp(const std::string& path) {
#ifdef _WIN32
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) return std::nullopt;
    const auto changed = fs::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return FileStamp{0, 0, size, static_cast<std::int64_t>(changed.time_since_epoch().count())};
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return stamp_of(st);
#endif
}

KeptFileRead read_kept(KeptFile& file, std::size_t limit) {
    KeptFileRead read = read_kept_file(file.path, limit);
    file.refusal.reset();
    file.stamp = read.stamp;
    if (read.state == KeptFileState::Refused) file.refusal = read.reason;
    return read;
}

bool changed_on_disk(const KeptFile& file) {
    const std::optional<FileStamp> now = file_stamp(file.path);
    return now && now != file.stamp;
}

KeptSaveOutcome save_kept(KeptFile& file, std::string_view text, bool force) {
    if (file.refusal) return {KeptSave::NotWritten, *file.refusal};
    if (!force && changed_on_disk(file)) return {KeptSave::Changed, {}};
    const WriteOutcome written = replace_file_contents(file.path, text, NewFileAccess::Private);
    if (!written) return {KeptSave::Failed, written.reason};
    file.stamp = file_stamp(file.path);
    return {};
}

std::optional<std::string> set_aside(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (int n = 1; n < 1000; ++n) {
        const std::string suffix = n == 1 ? ".bad" : ".bad" + std::to_string(n);
        std::error_code ec;
        if (fs::exists(fs::symlink_status(path + suffix, ec))) continue;
        fs::rename(path, path + suffix, ec);
        if (ec) return std::nullopt;
        return name + suffix;
    }
    return std::nullopt;
}

}  // namespace velora
