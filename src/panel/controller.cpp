// The panel controller: events by control name, start-up, the traffic lines and the receive
// path with its reply time-out.
#include "panel/controller.h"

#include <algorithm>
#include <utility>

#include "panel/controls.h"
#include "panel/views.h"
#include "protocol/catalogue.h"
#include "protocol/decoders.h"
#include "protocol/traffic.h"

namespace r7k {

using namespace std::chrono_literals;

namespace {
constexpr auto kPortRetryPoll = 1000ms;
}  // namespace

PanelController::PanelController(PanelTimers timers, SerialPort& comm, Window& ui)
    : m_timers(timers), m_comm(comm), m_ui(ui) {
    // Design state of the timers: all stopped, with their laid-out intervals.
    const struct {
        Timer& timer;
        std::chrono::milliseconds interval;
        void (PanelController::*tick)();
    } design[] = {{m_timers.holdRepeat, 200ms, &PanelController::repeatHeld},
                  {m_timers.replyTimeout, 500ms, &PanelController::replyTimedOut},
                  {m_timers.portGroupHide, 5000ms, &PanelController::hidePortGroup},
                  {m_timers.displayClear, 1000ms, &PanelController::clearDisplay},
                  {m_timers.portRetry, kPortRetryPoll, &PanelController::retryLostPort}};
    for (const auto& d : design) {
        d.timer.setEnabled(false);
        d.timer.setInterval(d.interval);
        d.timer.setHandler([this, tick = d.tick] { (this->*tick)(); });
    }
    m_comm.setCommHandler([this] { onCommEvent(); });
    m_comm.setLostHandler([this](const std::string& why) { linkLost(why); });
    m_comm.setOpenedHandler([this](const SerialResult& outcome) { portOpened(outcome); });
    m_comm.setWarningHandler([this](const std::string& text) { m_ui.warn(text); });
}

std::string_view PanelController::lineText(std::string_view line) const {
    if (line == control::kTxdLine)
        return m_txdText;
    if (line == control::kRxdLine)
        return m_rxdShowsBuffer ? m_rxTraffic : m_rxdOwnText;
    if (line == control::kStatusLine)
        return m_statusText;
    return {};
}

void PanelController::setLine(std::string_view line, std::string_view text) {
    if (line == control::kTxdLine) {
        m_txdText = text;
    } else if (line == control::kRxdLine) {
        m_rxdOwnText = text;
        m_rxdShowsBuffer = false;
    } else {
        m_statusText = text;
    }
    m_ui.setText(line, text);
}

void PanelController::click(std::string_view name) {
    if (const auto* row = findOneShot(name))
        return oneShotClick(*row);
    static constexpr struct {
        std::string_view name;
        void (PanelController::*handler)();
    } kClicks[] = {{control::kEnd, &PanelController::end},
                   {control::kPortButton, &PanelController::showPortGroup},
                   {control::kViewButton, &PanelController::toggleDataView},
                   {control::kSend, &PanelController::sendTyped},
                   {control::kClearEntry, &PanelController::clearEntry}};
    for (const auto& c : kClicks) {
        if (c.name == name)
            return (this->*c.handler)();
    }
    if (name == control::kCom1 || name == control::kCom2)
        return choosePort(name == control::kCom2 ? 2 : 1);
    if (name == control::kSpeed19200 || name == control::kSpeed9600)
        return chooseSpeed(name == control::kSpeed9600 ? kSettings9600 : kSettings19200);
}

void PanelController::mouseDown(std::string_view name) {
    if (const auto* row = findHold(name))
        holdPress(*row);
}

void PanelController::mouseUp(std::string_view name) {
    if (const auto* row = findHold(name))
        holdRelease(*row);
}

void PanelController::dblClick(std::string_view name) {
    if (name == control::kLogo)
        revealFull();
}

void PanelController::load() {
    m_state.lineSettings = kSettings19200;
    m_state.commandPrefix.clear();
    const TwipSize screen = m_ui.screenSize();
    const TwipSize outer = m_ui.outerSize();  // still the design height
    m_ui.move((screen.width - outer.width) / 2, (screen.height - outer.height) / 2);
    m_ui.setOuterHeight(kCompactHeight);
    m_state.heldCode = 0;
    m_state.replyWait = 0;
    emptyReceived();
    // A failed open here is not reported on its own: selecting COM1 below tries again and
    // tells the operator which device failed and why.
    (void)m_comm.setCommPort(1);
    (void)m_comm.setSettings(m_state.lineSettings);
    if (open().pending)
        m_openWait = OpenWait::Load;  // superseded by selecting COM1 below
    m_ui.setSelected(control::kCom1);
    choosePort(1);
}

void PanelController::transmit(std::string_view command) {
    // The TXD line shows only what went to the line. A command that could not go (a port left
    // closed by a failed choice, a write the component refused) says so on the RXD line
    // instead, waits for no reply, and goes with the next display clear.
    const int port = m_comm.commPort();
    const SerialResult written = m_comm.portOpen()
                                     ? m_comm.output(command)
                                     : SerialResult{m_comm.portLabel(port) + " is not open"};
    if (!written.ok()) {
        std::string why = written.error;
        if (why.ends_with('.'))
            why.pop_back();
        setLine(control::kTxdLine, "");
        setLine(control::kRxdLine, " Not sent: " + why);
        m_timers.displayClear.setEnabled(true);
        return;
    }
    setLine(control::kTxdLine, trafficText(command));
    m_timers.replyTimeout.setEnabled(true);
    m_state.replyWait = 1;
    m_timers.displayClear.setEnabled(true);
}

void PanelController::onCommEvent() {
    if (m_comm.commEvent() != kComEvReceive)
        return;
    const std::string input = m_comm.input();
    const std::size_t room = kRxBufferLimit - std::min(kRxBufferLimit, m_state.received.size());
    const std::string_view kept = std::string_view(input).substr(0, room);
    m_state.received += kept;
    appendTraffic(m_rxTraffic, kept);
    m_state.replyWait = 0;
    // Beyond the bound nothing changes, so there is nothing to show or decode again.
    if (!kept.empty() || input.empty())
        showReply();
}

void PanelController::showReply() {
    // The received buffer's traffic text is kept up to date piece by piece.
    m_rxdShowsBuffer = true;
    m_rxdOwnText.clear();
    m_ui.setText(control::kRxdLine, m_rxTraffic);
    DecodeResult decoded =
        decodeReply(m_state.commandPrefix, m_state.lastCommand, lineText(control::kRxdLine));
    if (decoded.pressure)
        m_state.pressure = *decoded.pressure;
    if (decoded.status)
        setLine(control::kStatusLine, *decoded.status);
}

void PanelController::clearDisplay() {
    setLine(control::kTxdLine, "");
    setLine(control::kRxdLine, "");
    setLine(control::kStatusLine, "");
    m_timers.displayClear.setEnabled(false);
}

void PanelController::replyTimedOut() {
    if (m_state.replyWait == 1)
        setLine(control::kRxdLine, kTimeoutMark);
    m_timers.replyTimeout.setEnabled(false);
    emptyReceived();
    m_state.replyWait = 0;
}

void PanelController::emptyReceived() {
    // The RXD line keeps showing what it shows; only the buffer behind it starts again.
    if (m_rxdShowsBuffer) {
        m_rxdOwnText = std::move(m_rxTraffic);
        m_rxdShowsBuffer = false;
    }
    m_state.received.clear();
    // clear() and push_back rather than assigning " ": GCC 12 warns falsely (-Wrestrict) on
    // assigning a literal to a string that was just moved from.
    m_rxTraffic.clear();
    m_rxTraffic.push_back(' ');
}

}  // namespace r7k
