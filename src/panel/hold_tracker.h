#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace r7k {

// The hold of a hold button, the same on both front ends: one at a time, started by any mouse
// button or by Space or Enter on the button, ended by the release of that key or of any mouse
// button anywhere, or by whatever takes the input away: focus leaving the button, the window hidden
// or losing the input, a warning box, quitting. A key's auto-repeat neither starts nor ends a
// hold. The front end tells the controller of each start and end it is given, once each.
class HoldTracker {
  public:
    // The key of a hold a mouse button started.
    static constexpr int kMouse = 0;

    // A press of `key` on hold button `name`: true when it starts the hold.
    bool press(std::string_view name, int key, bool repeat = false);
    // Whether the release of `key` (kMouse: a mouse button) ends the hold.
    bool endsAt(int key, bool repeat = false) const {
        return m_name && !repeat && (key == kMouse || key == m_key);
    }
    // Ends the hold: its button, or nothing when none was held.
    std::optional<std::string> end();
    // The held button; empty when none is held.
    std::string_view held() const {
        return m_name ? std::string_view(*m_name) : std::string_view();
    }

  private:
    std::optional<std::string> m_name;
    int m_key = kMouse;
};

}  // namespace r7k
