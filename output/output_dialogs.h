// What the exports and printouts ask of the user and tell the user, as hooks: the window answers
// them with its modal dialogs, tests answer them directly.
#pragma once

#include <functional>
#include <string>

namespace velora {

struct SaveFileRequest {
    std::string title;
    std::string initial_path;    // folder and proposed file name
    std::string filter_label;    // "CSV Files (.csv)"
    std::string filter_pattern;  // "*.csv"
};

enum class MessageKind { Information, Error };

struct OutputDialogs {
    // A save-file dialog: the chosen path, or an empty text when the user cancelled.
    std::function<std::string(const SaveFileRequest&)> save_file;
    // A message box with an OK button. Texts may hold a carriage return as a line break.
    std::function<void(MessageKind, const std::string& title, const std::string& text)> message;
};

}  // namespace velora
