#include "output/export_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <system_error>

namespace velora {

namespace {

// A name for the temporary file beside `path` that no other file has yet, opened for writing.
std::FILE* create_temporary_beside(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = folder_of(path);
    const std::string name = path.substr(folder.size());
    const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(stamp % 1000000) +
                    "-" + std::to_string(counter++) + ".part";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            std::FILE* file = ::fdopen(fd, "wb");
            if (file == nullptr) {
                ::close(fd);
                ::unlink(temporary.c_str());
            }
            return file;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

std::string folder_of(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string export_target_path(std::string_view chosen, std::string_view extension) {
    const std::string folder = folder_of(chosen);
    std::string_view name = chosen.substr(folder.size());
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    return folder + std::string(name) + std::string(extension);
}

bool replace_file(const std::string& path, const std::function<bool(std::FILE*)>& write) {
    if (path.empty() || path.back() == '/') return false;
    std::string temporary;
    std::FILE* file = create_temporary_beside(path, temporary);
    if (file == nullptr) return false;
    bool ok = write(file);
    ok = std::fflush(file) == 0 && ok;
    ok = ::fsync(::fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    std::error_code ec;
    if (ok) {
        std::filesystem::rename(temporary, path, ec);
        if (!ec) return true;
    }
    std::filesystem::remove(temporary, ec);
    return false;
}

bool replace_file_with_text(const std::string& path, std::string_view content) {
    return replace_file(path, [content](std::FILE* file) {
        return std::fwrite(content.data(), 1, content.size(), file) == content.size();
    });
}

}  // namespace velora
