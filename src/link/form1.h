#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/serial.h"
#include "link/timer.h"
#include "link/window.h"

namespace r7k {

struct OneShotButton;
struct HoldButton;

inline constexpr std::uint8_t ModeSend = 1;
inline constexpr std::uint8_t ModeReceive = 2;

// Received characters kept for one reply; what arrives beyond this is dropped. It matches the
// longest source a traffic line was ever meant to render.
inline constexpr std::size_t kRxBufferLimit = 32767;

inline constexpr std::string_view kSettings19200 = "19200,N,8,1";
inline constexpr std::string_view kSettings9600 = "9600,N,8,1";
inline constexpr std::string_view kTimeoutMark = " X X X X";

// The panel's fields, named as the panel has always named them.
struct Form1State {
    std::uint8_t HoldCode = 0;
    std::uint8_t ReplyWait = 0;
    std::uint8_t CursorMode = 0;
    std::string LastCommand;
    std::string RxBuffer;
    std::int16_t PressureValue = 0;
    std::int16_t PanelMode = 0;
    std::string TypedCommand;
    std::string CommSettings;
    std::string CommandPrefix;
};

// The timers the panel runs on; Relink watches for a lost port to come back.
struct Form1Timers {
    Timer& Timer1;
    Timer& Timer2;
    Timer& Timer3;
    Timer& Timer4;
    Timer& Relink;
};

// The panel: its state and every handler, toolkit-free. Events arrive by control name.
class Form1 {
  public:
    Form1(Form1Timers timers, SerialPort& comm, Window& ui);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    const Form1State& state() const { return m; }
    // The text the core holds for a traffic line (Label11, Label12, Label22); the window may
    // paint only the part that fits.
    std::string_view lineText(std::string_view label) const;

    // Events from the window, by control name. Unknown names are ignored.
    void click(std::string_view control);
    void mouseDown(std::string_view control);
    void mouseUp(std::string_view control);
    void dblClick(std::string_view control);

    void Form_Load();
    void Form_KeyDown(int keyCode, int shift);

    void Hyouji(std::string_view text, std::uint8_t mode);
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void Timer4_Timer();
    void MSComm1_OnComm();

    void Option1_Click();
    void Option2_Click();
    void Option9_Click();
    void Option10_Click();
    void Command16_Click();
    void Command33_Click();
    void Command34_Click();
    void Command95_Click();
    void Command96_Click();
    void Image1_DblClick();

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
    void setLine(std::string_view label, std::string_view text);
    void showReceived();
    void clearRxBuffer();
    void send(std::string_view code);
    void portChange(int port, bool changingDevice = false);
    void switchDevice(bool toNew);
    void finishPortChange(const std::string& failure, int previous, bool wasOpen);
    // Opens the port, counting an open whose outcome is still to come.
    SerialResult open();
    void portOpened(const SerialResult& outcome);
    void watchLostPort(int port);
    void relinked();
    void speedChange(std::string_view settings);
    void linkLost(const std::string& why);
    void relinkTick();
    void selectOptionFor(int port);

    Form1State m;
    Form1Timers m_timers;
    SerialPort& m_comm;
    Window& m_ui;

    std::string m_txdText;
    std::string m_statusText;
    std::string m_rxdOwnText;       // Label12 when it shows something other than RxBuffer
    std::string m_rxTraffic = " ";  // traffic text of RxBuffer, kept in step with it
    bool m_rxdShowsBuffer = false;
    int m_lostPort = 0;  // port being watched for after a loss; 0 = none

    // An open whose outcome is still to come (a network port connecting), and what it ends:
    // start-up's open, an operator's port choice, the way back after a failed choice, or a
    // reconnect of a lost port.
    enum class OpenWait : std::uint8_t { None, Load, Choice, WayBack, Relink };
    OpenWait m_openWait = OpenWait::None;
    int m_pendingOpens = 0;        // opens whose outcome is still to come
    int m_choicePrevious = 0;      // the choice's port in use before it
    bool m_choiceWasOpen = false;  // and whether that port was open
    // A device change under way with the port choice it rides on.
    std::function<void(bool)> m_deviceUse;
    std::function<void()> m_deviceKept;
};

}  // namespace r7k
