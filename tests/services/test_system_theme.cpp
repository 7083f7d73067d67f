#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>

#include "services/system_theme.h"

namespace velora {
namespace {

RegistryReader answering(const std::string& value) {
    return [value](RegistryRoot root, const std::string& key, const std::string& name) {
        EXPECT_EQ(root, RegistryRoot::CurrentUser);
        EXPECT_EQ(key, "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize");
        EXPECT_EQ(name, "AppsUseLightTheme");
        return value;
    };
}

TEST(SystemTheme, StoredValueDecidesDarkMode) {
    EXPECT_EQ(dark_mode_setting(answering("1")), 0);
    EXPECT_EQ(dark_mode_setting(answering("0")), 1);
    // A missing or unreadable value counts as dark.
    EXPECT_EQ(dark_mode_setting(answering("")), 1);
    EXPECT_EQ(dark_mode_setting(answering("light")), 1);
    EXPECT_EQ(dark_mode_setting(answering("2")), 1);
    EXPECT_TRUE(system_uses_light_theme(answering("1")));
    EXPECT_FALSE(system_uses_light_theme(answering("")));
}

TEST(SystemTheme, DesktopColourSchemeAsTheStoredValue) {
    EXPECT_EQ(light_theme_value_of_color_scheme(1), "0");  // prefer dark
    EXPECT_EQ(light_theme_value_of_color_scheme(2), "1");  // prefer light
    EXPECT_EQ(light_theme_value_of_color_scheme(0), "1");  // no preference
    EXPECT_EQ(light_theme_value_of_color_scheme(7), "");
}

TEST(SystemTheme, NoSessionBusReadsAsNothing) {
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/velora-test-bus", 1);
    int argc = 1;
    char name[] = "system_theme_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(read_registry_value(RegistryRoot::CurrentUser, PersonalizeKey, AppsUseLightThemeValue), "");
    EXPECT_EQ(read_registry_value(RegistryRoot::CurrentUser, "Other", "Value"), "");
    EXPECT_EQ(dark_mode_setting(), 1);
}

}  // namespace
}  // namespace velora
