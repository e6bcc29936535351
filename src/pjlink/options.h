#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pjlink/mapping.h"
#include "pjlink/net_address.h"
#include "pjlink/service.h"
#include "transport/port_address.h"

namespace r7k::pjlink {

// What r7k-pjlink is to do, from its command line.
struct Config {
    std::string device;  // --port as given, for the log
    PortAddress port;
    NetAddress listen;
    std::string lineSettings = "19200,N,8,1";
    std::chrono::milliseconds maxAge{1000};
    ServiceOptions service;
    Identity identity;
    bool search = true;  // answer "%2SRCH"
    bool notify = true;  // send LKUP at start and POWR, ERST, INPT changes
    // Where notifications go (port 0: the PJLink port); none: the latest controller.
    std::optional<NetAddress> notifyTo;
    std::optional<NetAddress> metrics;  // where /metrics is served; none: not at all
};

// The command line read: a configuration to run, or what to print and the exit status
// (0 after --help or --version, 1 a password file that cannot be read, 2 a usage error).
struct Invocation {
    std::optional<Config> config;
    int status = 0;
    std::string out;  // for standard output
    std::string err;  // for standard error, whole lines
};

// Reads r7k-pjlink's arguments (without the program's name); `version` for --version and the
// identity's answers.
Invocation readOptions(const std::vector<std::string>& args, std::string_view version);

}  // namespace r7k::pjlink
