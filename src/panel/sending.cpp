// Sending: one-shot buttons, press-and-hold buttons and the typed entry.
#include "panel/controller.h"
#include "panel/controls.h"
#include "protocol/catalogue.h"
#include "protocol/typed_text.h"

namespace r7k {

void PanelController::send(std::string_view code) {
    m_state.lastCommand = m_state.commandPrefix;
    m_state.lastCommand += code;
    m_state.lastCommand += '\r';
    transmit(m_state.lastCommand);
}

void PanelController::oneShotClick(const OneShotButton& button) {
    if (button.kind == SendKind::Timed) {
        m_timers.replyTimeout.setInterval(button.timeout);
        m_timers.displayClear.setInterval(button.displayClear);
    }
    send(button.code);
    if (button.kind == SendKind::Menu) {
        m_timers.holdRepeat.setInterval(kMenuRepeat);
        m_state.cursorMode = kCursorModeMenu;
    }
}

void PanelController::holdPress(const HoldButton& button) {
    if (button.arrow) {
        if (m_state.cursorMode == kCursorModeMenu) {
            m_timers.replyTimeout.setInterval(std::chrono::milliseconds{150});
            m_timers.displayClear.setInterval(std::chrono::milliseconds{190});
        } else if (m_state.cursorMode == kCursorModeDigitalZoom) {
            m_timers.replyTimeout.setInterval(std::chrono::milliseconds{5});
            m_timers.displayClear.setInterval(std::chrono::milliseconds{5});
        }
        m_state.heldCode = button.holdCode;
        send(button.code);
        m_timers.holdRepeat.setEnabled(true);
        return;
    }
    m_state.heldCode = button.holdCode;
    send(button.code);
    // Set after the send: the running time-out and display clear begin a new period.
    m_timers.holdRepeat.setInterval(button.repeat);
    m_timers.replyTimeout.setInterval(button.timeout);
    m_timers.displayClear.setInterval(button.displayClear);
    m_timers.holdRepeat.setEnabled(true);
}

void PanelController::repeatHeld() {
    const HoldButton* held = findHoldByCode(m_state.heldCode);
    if (held == nullptr) {
        // Nothing held (or a code of no button): a stray tick must not keep the repeater alive.
        m_timers.holdRepeat.setEnabled(false);
        return;
    }
    send(held->code);
    m_timers.holdRepeat.setEnabled(true);
}

void PanelController::holdRelease(const HoldButton& button) {
    m_state.heldCode = 0;
    m_timers.holdRepeat.setEnabled(false);
    m_timers.replyTimeout.setEnabled(false);
    m_timers.displayClear.setEnabled(true);
    setLine(control::kTxdLine, "");
    setLine(control::kRxdLine, "");
    m_timers.replyTimeout.setInterval(kReleaseTimeout);
    m_timers.displayClear.setInterval(kReleaseDisplayClear);
    emptyReceived();
    if (button.digitalZoom) {
        m_timers.holdRepeat.setInterval(kDigitalZoomArrowRepeat);
        m_state.cursorMode = kCursorModeDigitalZoom;
    }
}

void PanelController::sendTyped() {
    m_timers.replyTimeout.setInterval(kTypedTimeout);
    m_timers.displayClear.setInterval(kTypedDisplayClear);
    m_state.typedCommand = toSingleByte(m_ui.text(control::kCommandEntry));
    send(m_state.typedCommand);
}

void PanelController::clearEntry() {
    m_ui.setText(control::kCommandEntry, "");
}

}  // namespace r7k
