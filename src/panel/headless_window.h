#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "panel/window.h"

namespace r7k {

// The window's controls kept as plain data, so the panel core runs without a screen (the
// command-line tool, tests). It starts in the laid-out state: visibility, captions and
// selected options as the layout table gives them, the design outer size.
class HeadlessWindow : public Window {
  public:
    HeadlessWindow();

    void setText(std::string_view control, std::string_view text) override;
    std::string text(std::string_view control) const override {
        return std::string(textOf(control));
    }
    // The same without a copy: a traffic line may hold tens of kilobytes.
    std::string_view textOf(std::string_view control) const;
    void setVisible(std::string_view control, bool visible) override;
    bool isVisible(std::string_view control) const override;
    void setCaption(std::string_view control, std::string_view caption) override;
    std::string caption(std::string_view control) const override;
    void setSelected(std::string_view option) override;
    bool isSelected(std::string_view option) const override;
    TwipSize outerSize() const override { return m_outer; }
    void setOuterHeight(double twips) override { m_outer.height = twips; }
    void move(double left, double top) override;
    TwipSize screenSize() const override { return screen; }
    void warn(std::string_view text) override;
    void quit(int status) override;

    // Called on every text set (also when unchanged) and on every warning.
    std::function<void(std::string_view control, std::string_view text)> onText;
    std::function<void(std::string_view text)> onWarn;

    std::vector<std::string> warnings;
    TwipSize screen{1024 * 15.0, 768 * 15.0};
    double left = 0;
    double top = 0;
    int quitStatus = -1;  // -1 until quit

  private:
    TwipSize m_outer;
    std::map<std::string, std::string, std::less<>> m_texts;
    std::map<std::string, bool, std::less<>> m_visible;
    std::map<std::string, std::string, std::less<>> m_captions;
    std::map<std::string, bool, std::less<>> m_selected;
};

}  // namespace r7k
