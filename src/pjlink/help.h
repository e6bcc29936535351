#pragma once

namespace r7k::pjlink {

// r7k-pjlink --help, the same on every platform but for the port's names, the Windows
// service and what stops a run.
inline constexpr const char* kHelp =
    "Usage: r7k-pjlink --port DEVICE [options]\n"
    "Answers PJLink (class 1, and class 2's FREZ, SVOL, SVER, SNUM, INNM, search and status\n"
    "notification) on the network for an R7KM or R7K projector on a serial line.\n"
    "The line carries one command or query at a time; queries are answered from what the\n"
    "projector said lately, which the service keeps fresh while controllers are connected.\n"
    "\n"
    "Options:\n"
#ifdef _WIN32
    "  --port DEVICE         the projector's COM port (COM7, or \\\\.\\NAME) or gateway\n"
    "                        (tcp://HOST:PORT, rfc2217://HOST:PORT)\n"
#else
    "  --port DEVICE         the projector's serial device or gateway (tcp://HOST:PORT,\n"
    "                        rfc2217://HOST:PORT)\n"
#endif
    "  --listen [HOST:]PORT  where to answer PJLink (default 127.0.0.1:4352; an IPv6\n"
    "                        address in brackets; 0.0.0.0 or [::] for every address)\n"
    "  --password-file FILE  require PJLink authentication with the password on the\n"
    "                        file's first line (1 to 32 characters)\n"
    "  --name NAME           the projector's name for NAME ? (default r7k; up to 64 bytes)\n"
    "  --serial-number TEXT  the answer to SNUM ? (default none)\n"
    "  --speed BAUD          line speed: 19200 (default) or 9600\n"
    "  --max-clients N       connections at once, 1 to 1000 (default 16)\n"
    "  --idle-timeout S      close a connection without a request for S seconds, 1 to\n"
    "                        3600 (default 30)\n"
    "  --max-age S           answer a query from what the projector said at most S seconds\n"
    "                        ago, 0 to 60 (default 1; 0 asks the projector every time)\n"
    "  --no-search           answer no search (%2SRCH) on UDP at the PJLink address\n"
    "  --no-notify           send no status notifications (LKUP, POWR, ERST, INPT)\n"
    "  --notify-to HOST[:PORT]\n"
    "                        send status notifications there, LKUP at start included\n"
    "                        (default: to the controller that sent the latest request,\n"
    "                        on the PJLink port)\n"
    "  --metrics [HOST:]PORT serve the projector's state for Prometheus at /metrics there\n"
    "                        (default: not at all; HOST 127.0.0.1 unless given), keeping\n"
    "                        the status, temperatures and pressure fresh\n"
    "  -h, --help            show this help, then exit\n"
    "  -v, --version         show the version, then exit\n"
    "\n"
#ifdef _WIN32
    "As the Windows service, by an administrator:\n"
    "  r7k-pjlink service install --port DEVICE [options]\n"
    "                        copy the program to %ProgramFiles%\\r7k-pjlink and register\n"
    "                        it with these options, to run as LocalService from each start\n"
    "                        of Windows; its messages go to\n"
    "                        %ProgramData%\\r7k-pjlink\\r7k-pjlink.log\n"
    "  r7k-pjlink service start|stop|remove\n"
    "\n"
    "Exit status: 0 stopped by Ctrl+C, Ctrl+Break or the console's closing (a service\n"
    "command: done); 1 the address cannot be listened\n"
#else
    "Exit status: 0 stopped by SIGTERM, SIGINT or SIGHUP; 1 the address cannot be listened\n"
#endif
    "on (TCP, UDP for search and notification, or the metrics address) or the password\n"
    "file cannot be read"
#ifdef _WIN32
    " (a service command: it failed, the cause said)"
#endif
    "; 2 usage error.\n";

}  // namespace r7k::pjlink
