#include "panel/hold_tracker.h"

#include <utility>

namespace r7k {

bool HoldTracker::press(std::string_view name, int key, bool repeat) {
    if (m_name || repeat)
        return false;  // one hold at a time; it ends at the first release
    m_name = std::string(name);
    m_key = key;
    return true;
}

std::optional<std::string> HoldTracker::end() {
    std::optional<std::string> name = std::exchange(m_name, std::nullopt);
    m_key = kMouse;
    return name;
}

}  // namespace r7k
