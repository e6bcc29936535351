#pragma once

#include <memory>
#include <string>

#include "pjlink/options.h"

namespace r7k::pjlink::win {

// The service on Windows: the projector's line (COM port or gateway) with its session, PJLink
// on a Winsock listener, search and notification on UDP; everything on the calling thread's
// message loop. Shared by the console run and the Windows service.
class Bridge {
  public:
    explicit Bridge(const Config& config);
    ~Bridge();
    Bridge(const Bridge&) = delete;
    Bridge& operator=(const Bridge&) = delete;

    // Listens and opens the line; false with the message (and exit status 1) in `error`.
    bool start(std::string& error);
    // Closes the port and the sockets.
    void stop();

  private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

}  // namespace r7k::pjlink::win
