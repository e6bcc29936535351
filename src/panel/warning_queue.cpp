#include "panel/warning_queue.h"

#include <algorithm>

namespace r7k {

void WarningQueue::add(std::string_view text) {
    if (m_open == text || std::find(m_waiting.begin(), m_waiting.end(), text) != m_waiting.end())
        return;
    m_waiting.emplace_back(text);
}

std::optional<std::string> WarningQueue::next() {
    if (m_open || m_waiting.empty())
        return std::nullopt;
    m_open = std::move(m_waiting.front());
    m_waiting.pop_front();
    return m_open;
}

}  // namespace r7k
