#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "panel/window.h"
#include "transport/serial.h"
#include "transport/timer.h"

namespace r7k {

struct OneShotButton;
struct HoldButton;

// Received characters kept for one reply; what arrives beyond this is dropped. It matches the
// longest source a traffic line was ever meant to render.
inline constexpr std::size_t kRxBufferLimit = 32767;

inline constexpr std::string_view kSettings19200 = "19200,N,8,1";
inline constexpr std::string_view kSettings9600 = "9600,N,8,1";
inline constexpr std::string_view kTimeoutMark = " X X X X";

// The panel's state: what the handlers share between events.
struct PanelState {
    std::uint8_t heldCode = 0;    // the hold code being repeated; 0 = nothing held
    std::uint8_t replyWait = 0;   // 1 from a send until the first piece of its reply
    std::uint8_t cursorMode = 0;  // how the cursor arrows pace a hold
    std::string lastCommand;      // the command string last sent; replies are read against it
    std::string received;         // every character received since the buffer was emptied
    std::int16_t pressure = 0;    // the last pressure reading, then the pressure in hPa
    std::int16_t revealed = 0;    // 1 once the extended panel was revealed
    std::string typedCommand;     // the text the last SEND took from the command entry
    std::string lineSettings;     // "19200,N,8,1" or "9600,N,8,1"
    std::string commandPrefix;    // put before every code; always empty
};

// The timers the panel runs on.
struct PanelTimers {
    Timer& holdRepeat;     // repeats the held command
    Timer& replyTimeout;   // marks a command that got no reply in time
    Timer& portGroupHide;  // hides the port group again
    Timer& displayClear;   // blanks the traffic lines
    Timer& portRetry;      // looks for a lost port to come back
};

// The panel's five timers of one platform's kind, built and owned together.
template <typename T>
struct TimerSet {
    T holdRepeat, replyTimeout, portGroupHide, displayClear, portRetry;
    PanelTimers panel() {
        return {holdRepeat, replyTimeout, portGroupHide, displayClear, portRetry};
    }
};

// The panel: its state and every handler, toolkit-free. Events arrive by control name, as
// laid out; the window is driven through Window, the line through SerialPort.
class PanelController {
  public:
    PanelController(PanelTimers timers, SerialPort& comm, Window& ui);
    PanelController(const PanelController&) = delete;
    PanelController& operator=(const PanelController&) = delete;

    const PanelState& state() const { return m_state; }
    // The text the core holds for a traffic line (the TXD, RXD or status line); the window may
    // paint only the part that fits.
    std::string_view lineText(std::string_view line) const;

    // Events from the window, by control name. Unknown names are ignored.
    void click(std::string_view control);
    void mouseDown(std::string_view control);
    void mouseUp(std::string_view control);
    void dblClick(std::string_view control);

    // The window is shown for the first time: place it, open COM1.
    void load();
    // A key went down in the window: Ctrl+J reveals the extended panel.
    void keyDown(int keyCode, int shift);

    // The operator gave `port` another device. When that port is in use the link moves to it by
    // the rules of a port choice: `use(true)` switches the component to the new device once
    // the old one is closed; if the new one cannot be opened there is one box, `use(false)`
    // switches back and the old one is opened again. `kept` runs once the new device is in use,
    // or at once when the port is not in use.
    void changePortDevice(int port, std::function<void(bool)> use, std::function<void()> kept);

    void oneShotClick(const OneShotButton& button);
    void holdPress(const HoldButton& button);
    void holdRelease(const HoldButton& button);

  private:
    // Sending (sending.cpp): the command's string is kept and goes to the line.
    void send(std::string_view code);
    void repeatHeld();
    void sendTyped();
    void clearEntry();

    // The traffic lines and the receive path (controller.cpp).
    void transmit(std::string_view command);
    void onCommEvent();
    void showReply();
    void replyTimedOut();
    void clearDisplay();
    void setLine(std::string_view line, std::string_view text);
    void emptyReceived();

    // Views (views.cpp).
    void toggleDataView();
    void revealFull();

    // The port group, port and speed choice, a lost port, END (port_control.cpp).
    void showPortGroup();
    void hidePortGroup();
    void choosePort(int port, bool changingDevice = false);
    void chooseSpeed(std::string_view settings);
    void end();
    void switchDevice(bool toNew);
    void finishPortChoice(const std::string& failure, int previous, bool wasOpen);
    // Opens the port, counting an open whose outcome is still to come.
    SerialResult open();
    void portOpened(const SerialResult& outcome);
    void watchLostPort(int port);
    void retryLostPort();
    void reconnected();
    void linkLost(const std::string& why);
    void selectOptionFor(int port);

    PanelState m_state;
    PanelTimers m_timers;
    SerialPort& m_comm;
    Window& m_ui;

    std::string m_txdText;
    std::string m_statusText;
    std::string m_rxdOwnText;       // the RXD line when it shows something other than received
    std::string m_rxTraffic = " ";  // traffic text of the received buffer, kept in step with it
    bool m_rxdShowsBuffer = false;
    int m_lostPort = 0;  // port being watched for after a loss; 0 = none

    // An open whose outcome is still to come (a network port connecting), and what it ends:
    // start-up's open, an operator's port choice, the way back after a failed choice, or a
    // reconnect of a lost port.
    enum class OpenWait : std::uint8_t { None, Load, Choice, WayBack, Retry };
    OpenWait m_openWait = OpenWait::None;
    int m_pendingOpens = 0;        // opens whose outcome is still to come
    int m_choicePrevious = 0;      // the choice's port in use before it
    bool m_choiceWasOpen = false;  // and whether that port was open
    // A device change under way with the port choice it rides on.
    std::function<void(bool)> m_deviceUse;
    std::function<void()> m_deviceKept;
};

}  // namespace r7k
