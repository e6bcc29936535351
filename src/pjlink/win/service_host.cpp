#include "pjlink/win/service_host.h"

#include <windows.h>

namespace r7k::pjlink::win {
namespace {

std::function<int(ServiceRun&)> g_run;
ServiceRun g_control;
SERVICE_STATUS_HANDLE g_handle = nullptr;
SERVICE_STATUS g_status{};

void report(DWORD state, DWORD accepted = 0, int exitStatus = 0) {
    g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    g_status.dwCurrentState = state;
    g_status.dwControlsAccepted = accepted;
    // A failed run shows its exit status as the service's own error code.
    g_status.dwWin32ExitCode = exitStatus == 0 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
    g_status.dwServiceSpecificExitCode = static_cast<DWORD>(exitStatus);
    g_status.dwWaitHint =
        state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ? 5000 : 0;
    ++g_status.dwCheckPoint;
    SetServiceStatus(g_handle, &g_status);
}

DWORD WINAPI control(DWORD code, DWORD, void*, void*) {
    switch (code) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            report(SERVICE_STOP_PENDING);
            if (g_control.onStop)
                g_control.onStop();
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI serviceMain(DWORD, wchar_t**) {
    g_handle = RegisterServiceCtrlHandlerExW(kServiceName, control, nullptr);
    if (!g_handle)
        return;
    report(SERVICE_START_PENDING);
    g_control.running = [] {
        report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN);
    };
    const int status = g_run(g_control);
    report(SERVICE_STOPPED, 0, status);
}

}  // namespace

bool runAsService(std::function<int(ServiceRun&)> run) {
    g_run = std::move(run);
    static wchar_t name[] = L"r7k-pjlink";
    const SERVICE_TABLE_ENTRYW table[] = {{name, serviceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) != 0;
}

}  // namespace r7k::pjlink::win
