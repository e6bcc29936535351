#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "fakes/panel_rig.h"

namespace r7k::fakes {

// Reads choices from a byte string (a fuzzer's input or a seeded generator's output); past the
// end every read yields 0.
class ByteSource {
  public:
    explicit ByteSource(std::string_view bytes) : m_bytes(bytes) {}
    bool empty() const { return m_pos >= m_bytes.size(); }
    std::uint8_t byte() { return empty() ? 0 : static_cast<std::uint8_t>(m_bytes[m_pos++]); }
    std::string_view take(std::size_t n);

  private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

// Drives a loaded panel with random operator, line and time events and checks the panel's
// invariants after every one. A broken invariant is returned as a text; empty means all held.
class EventDriver {
  public:
    explicit EventDriver(PanelRig& rig);
    // Performs one event chosen from `in`; returns false once the panel has ended (END).
    bool step(ByteSource& in);
    std::string check() const;
    std::uint64_t events() const { return m_events; }

  private:
    PanelRig& m_rig;
    std::uint64_t m_events = 0;
    std::size_t m_writesBeforeTick = 0;
    bool m_heldBeforeTick = false;
    std::string m_tickFault;
};

}  // namespace r7k::fakes
