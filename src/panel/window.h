#pragma once

#include <string>
#include <string_view>

namespace r7k {

// Screen or window size in twips.
struct TwipSize {
    double width = 0;
    double height = 0;
};

// The window's controls as the panel core drives them. Controls are named as laid out
// ("Label11", "Frame8", "Command34", "Option1", "Text1"). Texts are UTF-8; traffic and status
// texts are plain ASCII and must be shown as plain text, never interpreted.
class Window {
  public:
    virtual ~Window() = default;

    // Label text (TXD, RXD and status lines) or text box text.
    virtual void setText(std::string_view control, std::string_view text) = 0;
    virtual std::string text(std::string_view control) const = 0;
    virtual void setVisible(std::string_view control, bool visible) = 0;
    virtual bool isVisible(std::string_view control) const = 0;
    virtual void setCaption(std::string_view control, std::string_view caption) = 0;
    virtual std::string caption(std::string_view control) const = 0;
    // Marks an option button selected (its group partner deselected); raises no click.
    virtual void setSelected(std::string_view option) = 0;
    virtual bool isSelected(std::string_view option) const = 0;

    // Outer window geometry in twips (title bar and borders included, as the core reasons).
    virtual TwipSize outerSize() const = 0;
    virtual void setOuterHeight(double twips) = 0;
    virtual void move(double left, double top) = 0;
    virtual TwipSize screenSize() const = 0;

    // Modal warning box with an OK button; returns when the operator has closed it.
    virtual void warn(std::string_view text) = 0;
    // Closes the window and ends the program with the given exit status.
    virtual void quit(int status) = 0;
};

}  // namespace r7k
