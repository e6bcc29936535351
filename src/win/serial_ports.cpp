#include "win/serial_ports.h"

#include <windows.h>
// After windows.h, which they need.
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <set>

#include "win/late_library.h"
#include "win/wide.h"

namespace r7k::win {
namespace {

// SetupAPI, loaded when the ports are first listed (a right-click on COM1, --list-ports).
struct SetupApi {
    decltype(SetupDiGetClassDevsW)* GetClassDevsW =
        lateFunction<decltype(SetupDiGetClassDevsW)>(kLibrary, "SetupDiGetClassDevsW");
    decltype(SetupDiEnumDeviceInfo)* EnumDeviceInfo =
        lateFunction<decltype(SetupDiEnumDeviceInfo)>(kLibrary, "SetupDiEnumDeviceInfo");
    decltype(SetupDiOpenDevRegKey)* OpenDevRegKey =
        lateFunction<decltype(SetupDiOpenDevRegKey)>(kLibrary, "SetupDiOpenDevRegKey");
    decltype(SetupDiGetDeviceRegistryPropertyW)* GetDeviceRegistryPropertyW =
        lateFunction<decltype(SetupDiGetDeviceRegistryPropertyW)>(
            kLibrary, "SetupDiGetDeviceRegistryPropertyW");
    decltype(SetupDiDestroyDeviceInfoList)* DestroyDeviceInfoList =
        lateFunction<decltype(SetupDiDestroyDeviceInfoList)>(kLibrary,
                                                             "SetupDiDestroyDeviceInfoList");
    static constexpr const wchar_t* kLibrary = L"setupapi.dll";

    bool complete() const {
        return GetClassDevsW && EnumDeviceInfo && OpenDevRegKey && GetDeviceRegistryPropertyW &&
               DestroyDeviceInfoList;
    }
};

const SetupApi& setupApi() {
    static const SetupApi api;
    return api;
}

// The number of "COM7", 0 for anything else.
int comNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6 || _strnicmp(name.c_str(), "COM", 3) != 0)
        return 0;
    int n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

std::string deviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[256] = {};
    DWORD type = 0;
    if (!setupApi().GetDeviceRegistryPropertyW(devices, &device, property, &type,
                                               reinterpret_cast<BYTE*>(buffer), sizeof buffer - 2,
                                               nullptr) ||
        type != REG_SZ)
        return {};
    return toUtf8(buffer);
}

// The Ports device class: what Device Manager shows under "Ports (COM & LPT)".
void fromSetupApi(std::vector<SerialPortInfo>& ports) {
    if (!setupApi().complete())
        return;
    const HDEVINFO devices =
        setupApi().GetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; setupApi().EnumDeviceInfo(devices, i, &device); ++i) {
        const HKEY key =
            setupApi().OpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE)
            continue;
        wchar_t name[64] = {};
        DWORD size = sizeof name - 2;
        DWORD type = 0;
        const bool named =
            RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name),
                             &size) == ERROR_SUCCESS &&
            type == REG_SZ;
        RegCloseKey(key);
        const std::string port = named ? toUtf8(name) : std::string();
        if (comNumber(port) == 0)
            continue;  // a printer port (LPT1) or a port without a name
        SerialPortInfo info{port, deviceProperty(devices, device, SPDRP_FRIENDLYNAME),
                            deviceProperty(devices, device, SPDRP_MFG)};
        if (info.friendlyName.empty())
            info.friendlyName = port;
        ports.push_back(std::move(info));
    }
    setupApi().DestroyDeviceInfoList(devices);
}

// The serial device map the drivers fill in: values are the port names.
void fromDeviceMap(std::vector<SerialPortInfo>& ports) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        wchar_t valueName[256];
        DWORD nameSize = 256;
        wchar_t data[64] = {};
        DWORD dataSize = sizeof data - 2;
        DWORD type = 0;
        const LSTATUS status = RegEnumValueW(key, i, valueName, &nameSize, nullptr, &type,
                                             reinterpret_cast<BYTE*>(data), &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        const std::string port = toUtf8(data);
        if (comNumber(port) != 0)
            ports.push_back({port, port, {}});
    }
    RegCloseKey(key);
}

// The DOS device names, which name every port without opening one (opening could raise its
// control lines). Under Wine, where the lists above know none of them, these include the
// prefix's dosdevices links (com5 -> /dev/pts/3), in lower case.
void fromDosDevices(std::vector<SerialPortInfo>& ports) {
    std::vector<wchar_t> names(64 * 1024);
    DWORD n = 0;
    while ((n = QueryDosDeviceW(nullptr, names.data(), static_cast<DWORD>(names.size()))) == 0) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || names.size() >= 16 * 1024 * 1024)
            return;
        names.resize(names.size() * 4);
    }
    for (const wchar_t* name = names.data(); name < names.data() + n && *name;
         name += wcslen(name) + 1) {
        std::string port = toUtf8(name);
        if (comNumber(port) == 0)
            continue;
        port = "COM" + port.substr(3);
        ports.push_back({port, port, {}});
    }
}

// Wine's ports are links in its prefix's dosdevices folder (com5 -> /dev/pts/3), which Wine
// names only once something has opened them: read the folder itself, through drive Z: (the
// Unix root). Wine's file attributes cannot tell a live link from a dangling one (it reports a
// pseudo-terminal in use as missing), so every link is listed; opening says the rest.
void fromWinePrefix(std::vector<SerialPortInfo>& ports) {
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        return;  // Windows itself
    wchar_t value[1024];
    std::wstring prefix;
    if (DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", value, 1024); n > 0 && n < 1024)
        prefix = value;
    else if (n = GetEnvironmentVariableW(L"HOME", value, 1024); n > 0 && n < 1024)
        prefix = std::wstring(value) + L"/.wine";
    if (prefix.empty() || prefix[0] != L'/')
        return;
    std::replace(prefix.begin(), prefix.end(), L'/', L'\\');
    const std::wstring folder = L"Z:" + prefix + L"\\dosdevices\\";
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileW((folder + L"com*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string port = toUtf8(found.cFileName);
        if (comNumber(port) == 0)
            continue;
        port = "COM" + port.substr(3);
        ports.push_back({port, port, {}});
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

std::vector<SerialPortInfo> availableSerialPorts() {
    std::vector<SerialPortInfo> ports;
    fromSetupApi(ports);
    if (ports.empty()) {
        fromDeviceMap(ports);
        fromDosDevices(ports);
        fromWinePrefix(ports);
    }
    // One entry a port, the first source's; by number.
    std::stable_sort(ports.begin(), ports.end(),
                     [](const SerialPortInfo& a, const SerialPortInfo& b) {
                         return comNumber(a.port) < comNumber(b.port);
                     });
    std::set<int> seen;
    std::erase_if(
        ports, [&seen](const SerialPortInfo& p) { return !seen.insert(comNumber(p.port)).second; });
    return ports;
}

}  // namespace r7k::win
