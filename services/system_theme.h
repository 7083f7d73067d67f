// Whether the desktop asks applications for a dark look.
//
// The answer is read the way the Windows registry holds it: the value "AppsUseLightTheme" under
// the current user's "Software\Microsoft\Windows\CurrentVersion\Themes\Personalize", 1 for light
// and 0 for dark. Elsewhere the desktop's own preference is translated into that value.
#pragma once

#include <functional>
#include <string>

namespace velora {

enum class RegistryRoot { CurrentUser, LocalMachine };

inline constexpr const char* PersonalizeKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
inline constexpr const char* AppsUseLightThemeValue = "AppsUseLightTheme";

// Reads one value as text: a number as its decimal digits, a text as itself; an empty text when
// it cannot be read.
using RegistryReader = std::function<std::string(RegistryRoot root, const std::string& key, const std::string& name)>;

// The reader of this platform. On Windows the registry itself. On Linux the freedesktop settings
// portal's "color-scheme" of "org.freedesktop.appearance" over the session bus: prefer-dark reads
// as "0", prefer-light and no preference as "1", anything unreadable as "".
std::string read_registry_value(RegistryRoot root, const std::string& key, const std::string& name);

// The freedesktop "color-scheme" (0 no preference, 1 prefer dark, 2 prefer light) as the stored
// light-theme value: "1", "0", "1"; "" for anything else.
std::string light_theme_value_of_color_scheme(unsigned scheme);

// 1 when the program should be dark: |n − 1| with n the leading digits of the stored value (0 when
// there are none), so an unreadable setting counts as dark.
int dark_mode_setting(const RegistryReader& reader = read_registry_value);

bool system_uses_light_theme(const RegistryReader& reader = read_registry_value);

}  // namespace velora
