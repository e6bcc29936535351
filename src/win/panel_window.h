#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "panel/hold_tracker.h"
#include "panel/layout.h"
#include "panel/warning_queue.h"
#include "panel/window.h"
#include "win/accessibility.h"
#include "win/fonts.h"

namespace r7k {
class PanelController;
}

namespace r7k::win {

// The panel's window on the Windows API: every control built from the layout table at the
// window's resolution. It forwards the operator's clicks, presses, releases, keys and
// double-clicks to PanelController by control name and shows what PanelController sets; it makes no
// decision of the panel itself.
class PanelWindow : public Window {
  public:
    using TraceSink = std::function<void(std::string_view tag, std::string_view text)>;
    using PortMenuHandler = std::function<void(int port, POINT screenPoint)>;

    PanelWindow();  // created hidden
    ~PanelWindow() override;
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;

    // Events go to this panel from now on (nullptr: nowhere).
    void attach(PanelController* form) { m_form = form; }
    // Called on every set of the TXD, RXD and status lines with the full text, also unchanged.
    void setTraceSink(TraceSink sink) { m_trace = std::move(sink); }
    // A right-click on COM1 or COM2 asks for the port's menu.
    void setPortMenuHandler(PortMenuHandler handler) { m_portMenu = std::move(handler); }
    // Tells the operator which device each port button stands for (their tooltips).
    void setPortDevices(const std::string& com1, const std::string& com2);
    // Shows the window, then the warnings that waited for it.
    void show();
    // The message loop's preview: the key preview, Tab order, Enter on a button, the end of a
    // hold on a release anywhere. True when it took the message.
    bool preview(MSG& msg);

    HWND hwnd() const { return m_hwnd; }
    HWND control(std::string_view name) const;
    double twipsPerPixel() const { return m_twipsPerPixel; }

    void setText(std::string_view control, std::string_view text) override;
    std::string text(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    bool isVisible(std::string_view control) const override;
    void setCaption(std::string_view control, std::string_view caption) override;
    std::string caption(std::string_view control) const override;
    void setSelected(std::string_view option) override;
    bool isSelected(std::string_view option) const override;
    TwipSize outerSize() const override;
    void setOuterHeight(double twips) override;
    void move(double left, double top) override;
    TwipSize screenSize() const override;
    void warn(std::string_view text) override;
    void quit(int status) override;

  private:
    // One laid-out control and what the program set on it.
    struct Control {
        const ControlSpec* row = nullptr;
        HWND hwnd = nullptr;
        std::string caption;  // buttons and options: as set; labels: their text
        bool visible = true;  // as the program set it
        bool hold = false;    // a hold button (repeats while pressed)
        // The fitted caption of an owner-drawn button, for its size and resolution.
        std::vector<std::wstring> lines;
        double points = 0;
        bool fitted = false;
    };

    static LRESULT CALLBACK windowProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK frameProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK controlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(UINT code, HWND from);
    LRESULT handleControl(Control& c, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    void build();
    void scaleTo(UINT dpi);   // twips per pixel and fonts for a resolution
    void layOut(bool place);  // fonts, logo and height for it; `place` moves the controls too
    void nameControls();      // for screen readers, once the window is on screen
    void setClientHeight();
    Control* find(std::string_view name);
    const Control* find(std::string_view name) const;
    Control* find(HWND hwnd);

    // panel_paint.cpp
    void paintWindow(HDC dc);
    void paintFrame(HWND frame, HDC dc);
    void drawItem(const DRAWITEMSTRUCT& item);
    void drawButton(Control& c, const DRAWITEMSTRUCT& item);
    void drawLabel(const Control& c, const DRAWITEMSTRUCT& item);
    void fitCaption(Control& c, HDC dc, const RECT& room);
    HBRUSH brushFor(const Colour& colour);

    // panel_input.cpp
    void beginHold(Control& c, int key, bool repeat = false);
    void endHold();
    bool previewKey(const MSG& msg);
    void moveFocus(bool backwards);
    void showWarning(const std::string& text);
    void showPendingWarnings();

    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    double m_twipsPerPixel = 15;
    double m_outerHeight = kClientHeight + kFrameHeight;
    PanelController* m_form = nullptr;
    TraceSink m_trace;
    PortMenuHandler m_portMenu;
    Fonts m_fonts;
    Accessibility m_access;
    std::map<std::string, Control, std::less<>> m_controls;
    std::vector<Control*> m_tabOrder;
    std::map<COLORREF, HBRUSH> m_brushes;
    HBITMAP m_logo = nullptr;
    bool m_logo2x = false;

    HWND m_lastFocus = nullptr;  // given back when the window is activated again
    Control* m_held = nullptr;
    // The option whose port menu is open.
    const Control* m_menuFor = nullptr;
    HoldTracker m_hold;  // m_held is its button

    WarningQueue m_warnings;
};

}  // namespace r7k::win
