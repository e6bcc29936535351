#include "win/registry_settings.h"

#include <windows.h>

#include "win/wide.h"
#include "win/windows_message.h"

namespace r7k::win {
namespace {

const wchar_t* valueName(int port) {
    return port == 2 ? L"com2" : L"com1";
}

// Which port a value name stands for: Windows compares value names in any case.
int portOf(const std::wstring& name) {
    for (int port : {1, 2}) {
        if (CompareStringOrdinal(name.c_str(), -1, valueName(port), -1, TRUE) == CSTR_EQUAL)
            return port;
    }
    return 0;
}

}  // namespace

std::string registryTypeName(unsigned long type) {
    static constexpr const char* kNames[] = {"REG_NONE",
                                             "REG_SZ",
                                             "REG_EXPAND_SZ",
                                             "REG_BINARY",
                                             "REG_DWORD",
                                             "REG_DWORD_BIG_ENDIAN",
                                             "REG_LINK",
                                             "REG_MULTI_SZ",
                                             "REG_RESOURCE_LIST",
                                             "REG_FULL_RESOURCE_DESCRIPTOR",
                                             "REG_RESOURCE_REQUIREMENTS_LIST",
                                             "REG_QWORD"};
    if (type < std::size(kNames))
        return kNames[type];
    return "type " + std::to_string(type);
}

std::string RegistryStore::where() const {
    return "HKCU\\" + toUtf8(m_subkey);
}

bool RegistryStore::exists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, m_subkey.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

SettingsStore::Reading RegistryStore::read() {
    Reading reading;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, m_subkey.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return reading;  // nothing remembered yet
    // Value names are at most 16,383 characters.
    std::wstring name(16384, L'\0');
    for (DWORD i = 0;; ++i) {
        DWORD length = DWORD(name.size()), type = 0, size = 0;
        if (RegEnumValueW(key, i, name.data(), &length, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            break;
        const std::wstring found(name.data(), length);
        Value value{toUtf8(found), portOf(found), {}, {}, {}};
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::wstring wide(size / sizeof(wchar_t) + 1, L'\0');
            size = DWORD(wide.size() * sizeof(wchar_t));
            if (RegQueryValueExW(key, found.c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(wide.data()), &size) != ERROR_SUCCESS)
                continue;
            wide.resize(wcsnlen(wide.c_str(), size / sizeof(wchar_t)));
            value.text = toUtf8(wide);
        } else {
            value.notText = registryTypeName(type);
            value.text = "<" + value.notText + ">";
        }
        value.unknown = "only com1 and com2 are read";
        reading.values.push_back(std::move(value));
    }
    RegCloseKey(key);
    return reading;
}

std::string RegistryStore::write(int port, const std::string& address) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, m_subkey.c_str(), 0, nullptr, 0,
                                     KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const std::wstring wide = toWide(address);
        status = RegSetValueExW(key, valueName(port), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(wide.c_str()),
                                static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS)
        return where() + " " + windowsMessage(static_cast<DWORD>(status));
    return {};
}

}  // namespace r7k::win
