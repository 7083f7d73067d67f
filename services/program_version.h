// This program's version, as the window title, the About box and the update check quote it.
#pragma once

namespace velora {

inline constexpr const char* ProgramVersion = "1.2.2";

}  // namespace velora
