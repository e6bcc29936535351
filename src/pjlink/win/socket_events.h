#pragma once

#include <winsock2.h>

#include <functional>
#include <string>

namespace r7k::pjlink::win {

// A socket's network events (FD_ACCEPT, FD_READ, ...) on the UI thread's message loop: Winsock
// posts them to a message-only window (WSAAsyncSelect), which hands each to its socket's
// handler, so sockets, timers and the serial port are all served on one thread.
class SocketEvents {
  public:
    using Handler = std::function<void(long event, int error)>;

    // Starts Winsock and makes the window; false with the cause in `error` when either fails.
    static bool start(std::string* error);

    // Makes `socket` non-blocking and reports `events` to `handler` until forget(socket).
    static bool watch(SOCKET socket, long events, Handler handler);
    // Changes the events reported (0: none for now).
    static void select(SOCKET socket, long events);
    static void forget(SOCKET socket);
};

// Winsock's message for an error code, in UTF-8 without the line end.
std::string socketError(int code);

}  // namespace r7k::pjlink::win
