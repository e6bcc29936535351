#include "win/registry_settings.h"

#include <windows.h>

#include "win/console.h"
#include "win/win_serial.h"

namespace r7k::win {
namespace {

const wchar_t* valueName(int port) {
    return port == 2 ? L"com2" : L"com1";
}

}  // namespace

RegistrySettings::RegistrySettings(std::wstring subkey) : m_subkey(std::move(subkey)) {
    load();
}

std::string RegistrySettings::where() const {
    return "HKCU\\" + toUtf8(m_subkey);
}

void RegistrySettings::load() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, m_subkey.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return;  // nothing remembered yet
    for (int port = 1; port <= 2; ++port) {
        const std::string name = toUtf8(valueName(port));
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key, valueName(port), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            continue;
        if (type != REG_SZ && type != REG_EXPAND_SZ) {
            const std::string kind = type == REG_DWORD    ? "<REG_DWORD>"
                                     : type == REG_BINARY ? "<REG_BINARY>"
                                                          : "<type " + std::to_string(type) + ">";
            m_problems.push_back(
                skippedValueText(where(), name, kind, "not a string value (REG_SZ)", port));
            continue;
        }
        std::wstring wide(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(wide.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key, valueName(port), nullptr, &type,
                             reinterpret_cast<BYTE*>(wide.data()), &size) != ERROR_SUCCESS)
            continue;
        wide.resize(wcsnlen(wide.c_str(), size / sizeof(wchar_t)));
        const std::string value = toUtf8(wide);
        if (value.empty())
            continue;  // an empty value says nothing
        if (const std::string why = unusablePortValue(value); !why.empty()) {
            m_problems.push_back(skippedValueText(where(), name, value, why, port));
            continue;
        }
        m_stored[port - 1] = value;
    }
    RegCloseKey(key);
}

PortMapping RegistrySettings::mapping(int port, std::string_view option) const {
    return mapPort(port, option, port == 2 ? m_stored[1] : m_stored[0]);
}

std::string RegistrySettings::remember(int port, const std::string& address) {
    if (port != 1 && port != 2)
        return "COM" + std::to_string(port) + " is not a port of this panel";
    if (const std::string why = unusablePortValue(address); !why.empty())
        return why;
    m_stored[port - 1] = address;  // used for this run, kept or not
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, m_subkey.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return windowsMessage(static_cast<DWORD>(status));
    const std::wstring wide = toWide(address);
    status =
        RegSetValueExW(key, valueName(port), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return windowsMessage(static_cast<DWORD>(status));
    return {};
}

}  // namespace r7k::win
