#include "pjlink/win/service_setup.h"

#include <windows.h>
// After windows.h, which it needs.
#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

#include "pjlink/win/service_host.h"
#include "win/console.h"

namespace r7k::pjlink::win {
namespace {

constexpr DWORD kWaitMs = 10'000;
// The log folder: full control for the system and administrators, read for users, and for
// LocalService (the service's account) what it needs to make and append to its log.
constexpr wchar_t kLogFolderAcl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FR;;;BU)(A;OICI;0x1301bf;;;LS)";

int fail(const std::string& text) {
    r7k::win::writeErr("r7k-pjlink: service: " + text + "\n");
    return 1;
}

// The program's folder in a known folder of the machine (the service's environment may lack
// the variables that name them).
std::wstring folder(const KNOWNFOLDERID& known) {
    wchar_t* path = nullptr;
    std::wstring out = L"C:\\";
    if (SHGetKnownFolderPath(known, 0, nullptr, &path) == S_OK)
        out = path;
    CoTaskMemFree(path);
    return out + L"\\r7k-pjlink";
}

std::string text(const std::wstring& wide) {
    return r7k::win::toUtf8(wide);
}

// The cause of a failed service manager call, in words.
std::string cause(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
            return "only an administrator may do this (run the command prompt as administrator)";
        case ERROR_SERVICE_DOES_NOT_EXIST:
            return "the service r7k-pjlink is not installed ('r7k-pjlink service install' "
                   "installs it)";
        case ERROR_SERVICE_EXISTS:
            return "the service r7k-pjlink is already installed ('r7k-pjlink service remove' "
                   "removes it)";
        case ERROR_SERVICE_MARKED_FOR_DELETE:
            return "the service r7k-pjlink is being removed; try again once it has stopped";
        default:
            return "Windows error " + std::to_string(error);
    }
}

// The service manager, and the service in it with `access`.
struct Handles {
    SC_HANDLE manager = nullptr;
    SC_HANDLE service = nullptr;
    ~Handles() {
        if (service)
            CloseServiceHandle(service);
        if (manager)
            CloseServiceHandle(manager);
    }
    bool open(DWORD managerAccess, DWORD access) {
        manager = OpenSCManagerW(nullptr, nullptr, managerAccess);
        if (manager && access)
            service = OpenServiceW(manager, kServiceName, access);
        return manager && (!access || service);
    }
};

// Waits until the service leaves `pending`; its state then.
SERVICE_STATUS waitWhile(SC_HANDLE service, DWORD pending) {
    SERVICE_STATUS status{};
    for (DWORD waited = 0; QueryServiceStatus(service, &status) &&
                           status.dwCurrentState == pending && waited < kWaitMs;
         waited += 100)
        Sleep(100);
    return status;
}

std::string exitOf(const SERVICE_STATUS& status) {
    const DWORD code = status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR
                           ? status.dwServiceSpecificExitCode
                           : status.dwWin32ExitCode;
    return std::to_string(code);
}

// The options with the password file's name made absolute: the service starts in the system
// folder, where a name relative to the administrator's folder would find nothing.
std::vector<std::string> withFullPaths(std::vector<std::string> options) {
    constexpr std::string_view kOption = "--password-file";
    const auto full = [](const std::string& name) {
        wchar_t path[MAX_PATH];
        const DWORD n = GetFullPathNameW(r7k::win::toWide(name).c_str(), MAX_PATH, path, nullptr);
        return n > 0 && n < MAX_PATH ? r7k::win::toUtf8(path) : name;
    };
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (options[i] == kOption && i + 1 < options.size())
            options[i + 1] = full(options[i + 1]);
        else if (options[i].rfind(std::string(kOption) + "=", 0) == 0)
            options[i] = std::string(kOption) + "=" + full(options[i].substr(kOption.size() + 1));
    }
    return options;
}

}  // namespace

std::wstring installedProgram() {
    return folder(FOLDERID_ProgramFiles) + L"\\r7k-pjlink.exe";
}

std::wstring logFile() {
    return folder(FOLDERID_ProgramData) + L"\\r7k-pjlink.log";
}

std::wstring quoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote, and the quote, are escaped; others stand as they are.
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');  // before the closing quote
    return out + L"\"";
}

int installService(const std::vector<std::string>& options) {
    Handles h;
    if (!h.open(SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE, 0))
        return fail("cannot install: " + cause(GetLastError()));
    if (SC_HANDLE existing = OpenServiceW(h.manager, kServiceName, SERVICE_QUERY_STATUS)) {
        CloseServiceHandle(existing);
        return fail("cannot install: " + cause(ERROR_SERVICE_EXISTS));
    }
    // A service never runs a program a user could overwrite: a copy in a folder that only
    // administrators may write.
    const std::wstring program = installedProgram();
    const std::wstring programFolder = program.substr(0, program.rfind(L'\\'));
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CreateDirectoryW(programFolder.c_str(), nullptr);
    // Run from the installed copy itself, there is nothing to copy (nor could it be written).
    const bool installed = CompareStringOrdinal(self, -1, program.c_str(), -1, TRUE) == CSTR_EQUAL;
    if (!installed && !CopyFileW(self, program.c_str(), FALSE)) {
        const DWORD error = GetLastError();  // before the text's conversion
        return fail("cannot install: " + text(program) + " cannot be written: " + cause(error));
    }
    const std::wstring log = logFile();
    const std::wstring logFolder = log.substr(0, log.rfind(L'\\'));
    SECURITY_ATTRIBUTES security{sizeof security, nullptr, FALSE};
    ConvertStringSecurityDescriptorToSecurityDescriptorW(kLogFolderAcl, SDDL_REVISION_1,
                                                         &security.lpSecurityDescriptor, nullptr);
    CreateDirectoryW(logFolder.c_str(), &security);
    LocalFree(security.lpSecurityDescriptor);

    std::wstring command = quoteArgument(program) + L" service run";
    for (const std::string& option : withFullPaths(options))
        command += L" " + quoteArgument(r7k::win::toWide(option));
    SC_HANDLE service = CreateServiceW(
        h.manager, kServiceName, L"r7k-pjlink: PJLink for the projector", SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command.c_str(),
        nullptr, nullptr, nullptr, L"NT AUTHORITY\\LocalService", nullptr);
    if (!service) {
        const DWORD error = GetLastError();
        if (!installed)
            DeleteFileW(program.c_str());
        return fail("cannot install: " + cause(error));
    }
    wchar_t about[] =
        L"Answers PJLink on the network for the projector on this PC's serial "
        L"port or gateway.";
    SERVICE_DESCRIPTIONW description{about};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description);
    CloseServiceHandle(service);
    r7k::win::writeErr("r7k-pjlink: service installed as " + text(command) +
                       "; it starts with Windows, or now with 'r7k-pjlink service start'; "
                       "its messages go to " +
                       text(log) + "\n");
    return 0;
}

int startService() {
    Handles h;
    if (!h.open(SC_MANAGER_CONNECT, SERVICE_START | SERVICE_QUERY_STATUS))
        return fail("cannot start: " + cause(GetLastError()));
    if (!StartServiceW(h.service, 0, nullptr)) {
        if (GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
            return fail("cannot start: " + cause(GetLastError()));
        r7k::win::writeErr("r7k-pjlink: service: already running\n");
        return 0;
    }
    const SERVICE_STATUS status = waitWhile(h.service, SERVICE_START_PENDING);
    if (status.dwCurrentState != SERVICE_RUNNING)
        return fail("the service stopped as it started (exit status " + exitOf(status) + "): see " +
                    text(logFile()));
    r7k::win::writeErr("r7k-pjlink: service: running\n");
    return 0;
}

int stopService() {
    Handles h;
    if (!h.open(SC_MANAGER_CONNECT, SERVICE_STOP | SERVICE_QUERY_STATUS))
        return fail("cannot stop: " + cause(GetLastError()));
    SERVICE_STATUS status{};
    if (!ControlService(h.service, SERVICE_CONTROL_STOP, &status)) {
        if (GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
            return fail("cannot stop: " + cause(GetLastError()));
        r7k::win::writeErr("r7k-pjlink: service: not running\n");
        return 0;
    }
    status = waitWhile(h.service, SERVICE_STOP_PENDING);
    if (status.dwCurrentState != SERVICE_STOPPED)
        return fail("the service did not stop within 10 seconds");
    r7k::win::writeErr("r7k-pjlink: service: stopped\n");
    return 0;
}

int removeService() {
    Handles h;
    if (!h.open(SC_MANAGER_CONNECT, DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS))
        return fail("cannot remove: " + cause(GetLastError()));
    SERVICE_STATUS status{};
    if (ControlService(h.service, SERVICE_CONTROL_STOP, &status))
        waitWhile(h.service, SERVICE_STOP_PENDING);
    if (!DeleteService(h.service))
        return fail("cannot remove: " + cause(GetLastError()));
    const std::wstring program = installedProgram();
    const DWORD deleted = DeleteFileW(program.c_str()) ? NO_ERROR : GetLastError();
    if (deleted != NO_ERROR && deleted != ERROR_FILE_NOT_FOUND) {
        r7k::win::writeErr("r7k-pjlink: service removed, but " + text(program) +
                           " stays, in use (Windows error " + std::to_string(deleted) +
                           "); delete it once no program runs from there\n");
    }
    RemoveDirectoryW(program.substr(0, program.rfind(L'\\')).c_str());
    r7k::win::writeErr("r7k-pjlink: service removed; its log stays in " + text(logFile()) + "\n");
    return 0;
}

}  // namespace r7k::pjlink::win
