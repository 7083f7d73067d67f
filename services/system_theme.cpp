#include "services/system_theme.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QVariant>
#endif

namespace velora {

namespace {

int leading_integer(const std::string& text) {
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > 100000) break;
    }
    return n;
}

#ifndef _WIN32
// The portal answers Read with a variant holding a variant (older portals) or the value itself.
QVariant unwrap(QVariant v) {
    while (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
        v = qvariant_cast<QDBusVariant>(v).variant();
    return v;
}
#endif

}  // namespace

std::string read_registry_value(RegistryRoot root, const std::string& key, const std::string& name) {
#ifdef _WIN32
    HKEY base = root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    const std::wstring wkey(key.begin(), key.end()), wname(name.begin(), name.end());
    HKEY h = nullptr;
    if (RegOpenKeyExW(base, wkey.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "";
    DWORD type = 0, size = 0;
    std::string result;
    if (RegQueryValueExW(h, wname.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        if (type == REG_DWORD && size == sizeof(DWORD)) {
            DWORD value = 0;
            if (RegQueryValueExW(h, wname.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS)
                result = std::to_string(value);
        } else if (type == REG_SZ && size > 0) {
            std::wstring text(size / sizeof(wchar_t), L'\0');
            if (RegQueryValueExW(h, wname.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) ==
                ERROR_SUCCESS) {
                for (wchar_t c : text)
                    if (c != 0) result.push_back(static_cast<char>(c));
            }
        }
    }
    RegCloseKey(h);
    return result;
#else
    if (root != RegistryRoot::CurrentUser || key != PersonalizeKey || name != AppsUseLightThemeValue) return "";
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return "";
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings", "Read");
    call << QString("org.freedesktop.appearance") << QString("color-scheme");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return "";
    bool ok = false;
    const uint scheme = unwrap(reply.arguments().first()).toUInt(&ok);
    return ok ? light_theme_value_of_color_scheme(scheme) : "";
#endif
}

std::string light_theme_value_of_color_scheme(unsigned scheme) {
    switch (scheme) {
        case 1: return "0";  // prefer dark
        case 0:              // no preference
        case 2: return "1";  // prefer light
        default: return "";
    }
}

int dark_mode_setting(const RegistryReader& reader) {
    const int n = leading_integer(reader(RegistryRoot::CurrentUser, PersonalizeKey, AppsUseLightThemeValue));
    return std::abs(n - 1);
}

bool system_uses_light_theme(const RegistryReader& reader) { return dark_mode_setting(reader) == 0; }

}  // namespace velora
