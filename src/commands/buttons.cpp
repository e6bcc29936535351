// Sending handlers of Form1: one-shot buttons, press-and-hold buttons and the typed entry.
#include "commands/catalogue.h"
#include "commands/typed_text.h"
#include "link/form1.h"

namespace r7k {

void Form1::send(std::string_view code) {
    m.LastCommand = m.CommandPrefix;
    m.LastCommand += code;
    m.LastCommand += '\r';
    Hyouji(m.LastCommand, ModeSend);
}

void Form1::oneShotClick(const OneShotButton& button) {
    if (button.kind == SendKind::Timed) {
        m_timers.Timer2.setInterval(button.timeout);
        m_timers.Timer4.setInterval(button.displayClear);
    }
    send(button.code);
    if (button.kind == SendKind::Menu) {
        m_timers.Timer1.setInterval(kMenuRepeat);
        m.CursorMode = kCursorModeMenu;
    }
}

void Form1::holdPress(const HoldButton& button) {
    if (button.arrow) {
        if (m.CursorMode == kCursorModeMenu) {
            m_timers.Timer2.setInterval(std::chrono::milliseconds{150});
            m_timers.Timer4.setInterval(std::chrono::milliseconds{190});
        } else if (m.CursorMode == kCursorModeDigitalZoom) {
            m_timers.Timer2.setInterval(std::chrono::milliseconds{5});
            m_timers.Timer4.setInterval(std::chrono::milliseconds{5});
        }
        m.HoldCode = button.holdCode;
        send(button.code);
        m_timers.Timer1.setEnabled(true);
        return;
    }
    m.HoldCode = button.holdCode;
    send(button.code);
    // Set after the send: the running time-out and display clear begin a new period.
    m_timers.Timer1.setInterval(button.repeat);
    m_timers.Timer2.setInterval(button.timeout);
    m_timers.Timer4.setInterval(button.displayClear);
    m_timers.Timer1.setEnabled(true);
}

void Form1::Timer1_Timer() {
    const HoldButton* held = findHoldByCode(m.HoldCode);
    if (held == nullptr) {
        // Nothing held (or a code of no button): a stray tick must not keep the repeater alive.
        m_timers.Timer1.setEnabled(false);
        return;
    }
    send(held->code);
    m_timers.Timer1.setEnabled(true);
}

void Form1::holdRelease(const HoldButton& button) {
    m.HoldCode = 0;
    m_timers.Timer1.setEnabled(false);
    m_timers.Timer2.setEnabled(false);
    m_timers.Timer4.setEnabled(true);
    setLine("Label11", "");
    setLine("Label12", "");
    m_timers.Timer2.setInterval(kReleaseTimeout);
    m_timers.Timer4.setInterval(kReleaseDisplayClear);
    clearRxBuffer();
    if (button.digitalZoom) {
        m_timers.Timer1.setInterval(kDigitalZoomArrowRepeat);
        m.CursorMode = kCursorModeDigitalZoom;
    }
}

void Form1::Command95_Click() {
    m_timers.Timer2.setInterval(kTypedTimeout);
    m_timers.Timer4.setInterval(kTypedDisplayClear);
    m.TypedCommand = toSingleByte(m_ui.text("Text1"));
    send(m.TypedCommand);
}

void Form1::Command96_Click() {
    m_ui.setText("Text1", "");
}

}  // namespace r7k
