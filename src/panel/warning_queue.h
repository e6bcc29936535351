#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace r7k {

// Which warning box comes next, for both front ends: one box at a time, in the order the
// warnings came, and a warning that is open or waiting already is not added again (a port
// lost and found eight times behind an open box leaves one box, not eight).
class WarningQueue {
  public:
    // Queues a warning, unless the same text is open or waiting.
    void add(std::string_view text);
    // The warning to show now, marked open; nothing while a box is open or none waits.
    std::optional<std::string> next();
    // The open box was closed.
    void closed() { m_open.reset(); }
    bool waiting() const { return !m_waiting.empty(); }

  private:
    std::optional<std::string> m_open;
    std::deque<std::string> m_waiting;
};

}  // namespace r7k
