#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "link/window.h"

namespace r7k::fakes {

// The window's controls as plain data, with the design state at creation.
class FakeWindow : public Window {
  public:
    explicit FakeWindow(const FakeClock* clock = nullptr);

    void setText(std::string_view control, std::string_view text) override;
    std::string text(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    bool isVisible(std::string_view control) const override;
    void setCaption(std::string_view control, std::string_view caption) override;
    std::string caption(std::string_view control) const override;
    void setSelected(std::string_view option) override;
    bool isSelected(std::string_view option) const override;
    TwipSize outerSize() const override { return m_outer; }
    void setOuterHeight(double twips) override { m_outer.height = twips; }
    void move(double left, double top) override {
        this->left = left;
        this->top = top;
    }
    TwipSize screenSize() const override { return screen; }
    void warn(std::string_view text) override;
    void quit(int status) override { quitStatus = status; }

    // A line set on the TXD, RXD or status line, with the virtual time it was set.
    struct LineSet {
        milliseconds at;
        std::string label;
        std::string text;
    };
    std::vector<LineSet> lineSets;
    std::vector<std::string> warnings;
    std::function<void()> duringWarning;  // runs while the box is "open"
    TwipSize screen{1024 * 15.0, 768 * 15.0};
    double left = 0;
    double top = 0;
    int quitStatus = -1;

  private:
    const FakeClock* m_clock;
    TwipSize m_outer{9495 + 120, 8730 + 370};
    std::map<std::string, std::string, std::less<>> m_texts;
    std::map<std::string, bool, std::less<>> m_visible;
    std::map<std::string, std::string, std::less<>> m_captions;
    std::map<std::string, bool, std::less<>> m_selected;
};

}  // namespace r7k::fakes
