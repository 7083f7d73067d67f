// Answers the dialogs of an export from the test and records what was asked and said.
#pragma once

#include <string>
#include <vector>

#include "services/dialog_seam.h"

namespace velora::testing {

struct ScriptedDialogs {
    std::string answer;  // the path the save dialog returns ("" = cancelled)
    int dialogs = 0;
    SaveFileRequest request;
    std::vector<MessageRequest> messages;

    Dialogs hooks() {
        Dialogs ui;
        ui.save_file = [this](const SaveFileRequest& r) {
            ++dialogs;
            request = r;
            return answer;
        };
        ui.message = [this](const MessageRequest& m) {
            messages.push_back(m);
            return MessageAnswer::Ok;
        };
        return ui;
    }
};

inline bool starts_with(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

}  // namespace velora::testing
