// The data the program carries inside itself, embedded at build time from resources/.
#pragma once

#include <string_view>

namespace velora {

extern const std::string_view LogoPng;       // resources/logo.png, 192 × 192 RGBA
extern const std::string_view HelpDocument;  // resources/VeloraHelp.pdf
// packaging/icons/hicolor/NxN/apps/<application id>.png
extern const std::string_view AppIcon16, AppIcon32, AppIcon48, AppIcon64, AppIcon128, AppIcon256;

}  // namespace velora
