// The data the program carries inside itself, embedded at build time from resources/.
#pragma once

#include <string_view>

namespace velora {

extern const std::string_view LogoPng;       // resources/logo.png, 192 × 192 RGBA
extern const std::string_view HelpDocument;  // resources/VeloraHelp.pdf

}  // namespace velora
