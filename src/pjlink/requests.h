#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "pjlink/mapping.h"
#include "pjlink/protocol.h"
#include "session/projector.h"

namespace r7k::pjlink {

// How one request was answered: the result after "=", and why it failed (for the log) when
// the projector could not do it.
struct Answered {
    std::string result;
    std::string failure;
    const Row* row = nullptr;  // the mapping's row; none for ERR1 and ERR2
};

// Carries out requests on the projector by the mapping. A query is answered from what the
// projector said within `maxAge`, else asked; a command reads the power state (within the
// same age) and goes out only in a state that takes it. No reply, NAK, an answer of another
// form or a lost line make the answer ERR4.
class Requests {
  public:
    Requests(session::Projector& projector, Identity identity, std::chrono::milliseconds maxAge)
        : m_projector(projector), m_identity(std::move(identity)), m_maxAge(maxAge) {}

    // `done` may be called before this returns (an answer from the identity or the state).
    void carryOut(const Request& request, std::function<void(const Answered&)> done);

    const Identity& identity() const { return m_identity; }
    std::chrono::milliseconds maxAge() const { return m_maxAge; }

  private:
    void ask(const Row& row, std::function<void(const Answered&)> done);
    void tell(const Row& row, std::function<void(const Answered&)> done);
    void send(const Row& row, std::size_t index, std::function<void(const Answered&)> done);

    session::Projector& m_projector;
    Identity m_identity;
    std::chrono::milliseconds m_maxAge;
};

}  // namespace r7k::pjlink
