#include "output/export_files.h"

#include "services/file_replace.h"

namespace velora {

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
    return replace_file_with(path, write).ok;
}

std::string save_failure_text(std::string_view what, const std::string& path, const std::string& reason) {
    std::string text = "Could not save the " + std::string(what) + " as:\r" + path;
    if (!reason.empty()) text += "\r" + reason;
    return text;
}

bool replace_file_with_text(const std::string& path, std::string_view content) {
    if (path.empty() || path.back() == '/') return false;
    return replace_file_contents(path, content).ok;
}

}  // namespace velora
