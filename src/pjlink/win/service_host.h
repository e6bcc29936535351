#pragma once

#include <functional>

namespace r7k::pjlink::win {

// The service's name with the service manager.
constexpr wchar_t kServiceName[] = L"r7k-pjlink";

// A run under the service manager, as the program's run sees it.
struct ServiceRun {
    // Tells the manager the service runs (its port and sockets are open).
    std::function<void()> running;
    // Set by the run before running(): called on the manager's thread at STOP or SHUTDOWN.
    std::function<void()> onStop;
};

// Hands the process to the service manager (StartServiceCtrlDispatcher), whose thread calls
// `run`; its return is the exit status the manager records (0 after a stop). Returns false at
// once when the process was not started by the service manager.
bool runAsService(std::function<int(ServiceRun&)> run);

}  // namespace r7k::pjlink::win
