// A question put to the user: a message box with its title, text and buttons. The window shows
// it; tests answer it. Texts keep their carriage returns, each of which starts a new line.
#pragma once

#include <string>

namespace velora {

enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct MessageRequest {
    std::string title;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
};

}  // namespace velora
