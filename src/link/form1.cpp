#include "link/form1.h"

#include <utility>

#include "commands/catalogue.h"
#include "link/traffic.h"
#include "panel/views.h"
#include "replies/decoders.h"

namespace r7k {

using namespace std::chrono_literals;

namespace {
constexpr auto kRelinkPoll = 1000ms;
}  // namespace

Form1::Form1(Form1Timers timers, SerialPort& comm, Window& ui)
    : m_timers(timers), m_comm(comm), m_ui(ui) {
    // Design state of the timers: all stopped, with their laid-out intervals.
    const struct {
        Timer& timer;
        std::chrono::milliseconds interval;
        void (Form1::*tick)();
    } design[] = {{m_timers.Timer1, 200ms, &Form1::Timer1_Timer},
                  {m_timers.Timer2, 500ms, &Form1::Timer2_Timer},
                  {m_timers.Timer3, 5000ms, &Form1::Timer3_Timer},
                  {m_timers.Timer4, 1000ms, &Form1::Timer4_Timer},
                  {m_timers.Relink, kRelinkPoll, &Form1::relinkTick}};
    for (const auto& d : design) {
        d.timer.setEnabled(false);
        d.timer.setInterval(d.interval);
        d.timer.setHandler([this, tick = d.tick] { (this->*tick)(); });
    }
    m_comm.setCommHandler([this] { MSComm1_OnComm(); });
    m_comm.setLostHandler([this](const std::string& why) { linkLost(why); });
    m_comm.setOpenedHandler([this](const SerialResult& outcome) { portOpened(outcome); });
    m_comm.setWarningHandler([this](const std::string& text) { m_ui.warn(text); });
}

std::string_view Form1::lineText(std::string_view label) const {
    if (label == "Label11")
        return m_txdText;
    if (label == "Label12")
        return m_rxdShowsBuffer ? m_rxTraffic : m_rxdOwnText;
    if (label == "Label22")
        return m_statusText;
    return {};
}

void Form1::setLine(std::string_view label, std::string_view text) {
    if (label == "Label11") {
        m_txdText = text;
    } else if (label == "Label12") {
        m_rxdOwnText = text;
        m_rxdShowsBuffer = false;
    } else {
        m_statusText = text;
    }
    m_ui.setText(label, text);
}

void Form1::click(std::string_view control) {
    if (const auto* row = findOneShot(control))
        return oneShotClick(*row);
    static constexpr struct {
        std::string_view name;
        void (Form1::*handler)();
    } kClicks[] = {{"Command16", &Form1::Command16_Click}, {"Command33", &Form1::Command33_Click},
                   {"Command34", &Form1::Command34_Click}, {"Command95", &Form1::Command95_Click},
                   {"Command96", &Form1::Command96_Click}, {"Option1", &Form1::Option1_Click},
                   {"Option2", &Form1::Option2_Click},     {"Option9", &Form1::Option9_Click},
                   {"Option10", &Form1::Option10_Click}};
    for (const auto& c : kClicks) {
        if (c.name == control)
            return (this->*c.handler)();
    }
}

void Form1::mouseDown(std::string_view control) {
    if (const auto* row = findHold(control))
        holdPress(*row);
}

void Form1::mouseUp(std::string_view control) {
    if (const auto* row = findHold(control))
        holdRelease(*row);
}

void Form1::dblClick(std::string_view control) {
    if (control == "Image1")
        Image1_DblClick();
}

void Form1::Form_Load() {
    m.CommSettings = kSettings19200;
    m.CommandPrefix.clear();
    const TwipSize screen = m_ui.screenSize();
    const TwipSize outer = m_ui.outerSize();  // still the design height
    m_ui.move((screen.width - outer.width) / 2, (screen.height - outer.height) / 2);
    m_ui.setOuterHeight(kCompactHeight);
    m.HoldCode = 0;
    m.ReplyWait = 0;
    clearRxBuffer();
    // A failed open here is not reported on its own: selecting COM1 below tries again and
    // tells the operator which device failed and why.
    (void)m_comm.setCommPort(1);
    (void)m_comm.setSettings(m.CommSettings);
    if (open().pending)
        m_openWait = OpenWait::Load;  // superseded by selecting COM1 below
    m_ui.setSelected("Option1");
    Option1_Click();
}

void Form1::Hyouji(std::string_view text, std::uint8_t mode) {
    if (mode == ModeSend) {
        // The TXD line shows only what went to the line. A command that could not go (a port
        // left closed by a failed choice, a write the component refused) says so on the RXD
        // line instead, waits for no reply, and goes with the next display clear.
        const int port = m_comm.commPort();
        const SerialResult written = m_comm.portOpen()
                                         ? m_comm.output(text)
                                         : SerialResult{"COM" + std::to_string(port) + " (" +
                                                        m_comm.deviceName(port) + ") is not open"};
        if (!written.ok()) {
            std::string why = written.error;
            if (why.ends_with('.'))
                why.pop_back();
            setLine("Label11", "");
            setLine("Label12", " Not sent: " + why);
            m_timers.Timer4.setEnabled(true);
            return;
        }
        setLine("Label11", trafficText(text));
        m_timers.Timer2.setEnabled(true);
        m.ReplyWait = 1;
        m_timers.Timer4.setEnabled(true);
        return;
    }
    if (text.data() == m.RxBuffer.data() && text.size() == m.RxBuffer.size()) {
        // The receive buffer's traffic text is kept up to date piece by piece.
        showReceived();
    } else {
        setLine("Label12", trafficText(text));
    }
    DecodeResult decoded = decodeReply(m.CommandPrefix, m.LastCommand, lineText("Label12"));
    if (decoded.pressure)
        m.PressureValue = *decoded.pressure;
    if (decoded.status)
        setLine("Label22", *decoded.status);
}

void Form1::showReceived() {
    m_rxdShowsBuffer = true;
    m_rxdOwnText.clear();
    m_ui.setText("Label12", m_rxTraffic);
}

void Form1::Timer4_Timer() {
    setLine("Label11", "");
    setLine("Label12", "");
    setLine("Label22", "");
    m_timers.Timer4.setEnabled(false);
}

void Form1::MSComm1_OnComm() {
    if (m_comm.commEvent() != kComEvReceive)
        return;
    const std::string input = m_comm.input();
    const std::size_t room = kRxBufferLimit - std::min(kRxBufferLimit, m.RxBuffer.size());
    const std::string_view kept = std::string_view(input).substr(0, room);
    m.RxBuffer += kept;
    appendTraffic(m_rxTraffic, kept);
    m.ReplyWait = 0;
    // Beyond the bound nothing changes, so there is nothing to show or decode again.
    if (!kept.empty() || input.empty())
        Hyouji(m.RxBuffer, ModeReceive);
}

void Form1::Timer2_Timer() {
    if (m.ReplyWait == 1)
        setLine("Label12", kTimeoutMark);
    m_timers.Timer2.setEnabled(false);
    clearRxBuffer();
    m.ReplyWait = 0;
}

void Form1::clearRxBuffer() {
    // The RXD line keeps showing what it shows; only the buffer behind it starts again.
    if (m_rxdShowsBuffer) {
        m_rxdOwnText = std::move(m_rxTraffic);
        m_rxdShowsBuffer = false;
    }
    m.RxBuffer.clear();
    // clear() and push_back rather than assigning " ": GCC 12 warns falsely (-Wrestrict) on
    // assigning a literal to a string that was just moved from.
    m_rxTraffic.clear();
    m_rxTraffic.push_back(' ');
}

void Form1::Timer3_Timer() {
    m_ui.setVisible("Frame8", false);
    m_timers.Timer3.setEnabled(false);
}

void Form1::Command33_Click() {
    m_ui.setVisible("Frame8", true);
    m_timers.Timer3.setEnabled(true);
}

void Form1::Command16_Click() {
    m_openWait = OpenWait::None;
    (void)m_comm.setPortOpen(false);
    m_ui.quit(0);
}

void Form1::Option1_Click() {
    portChange(1);
}
void Form1::Option2_Click() {
    portChange(2);
}
void Form1::Option9_Click() {
    speedChange(kSettings19200);
}
void Form1::Option10_Click() {
    speedChange(kSettings9600);
}

void Form1::selectOptionFor(int port) {
    m_ui.setSelected(port == 2 ? "Option2" : "Option1");
}

void Form1::portChange(int port, bool changingDevice) {
    // The operator's choice ends any watch for a lost device, and any open still going on.
    m_lostPort = 0;
    m_timers.Relink.setEnabled(false);
    const bool opening = std::exchange(m_openWait, OpenWait::None) != OpenWait::None;

    const int previous = m_comm.commPort();
    const bool wasOpen = m_comm.portOpen();
    std::string failure;
    auto step = [&failure](const SerialResult& r) {
        if (failure.empty() && !r.ok())
            failure = r.error;
    };
    if (wasOpen || opening)
        step(m_comm.setPortOpen(false));
    // A device change rides on this choice; one that another choice overtakes goes back.
    if (failure.empty())
        switchDevice(changingDevice);
    if (!changingDevice)
        m_deviceKept = {};
    step(m_comm.setCommPort(port));
    // Choosing a port always opens it, so the operator can get back to a working link.
    if (failure.empty()) {
        const SerialResult opened = open();
        step(opened);
        if (opened.pending) {
            m_openWait = OpenWait::Choice;
            m_choicePrevious = previous;
            m_choiceWasOpen = wasOpen;
            return;
        }
    }
    finishPortChange(failure, previous, wasOpen);
}

void Form1::finishPortChange(const std::string& failure, int previous, bool wasOpen) {
    if (failure.empty()) {
        if (auto kept = std::exchange(m_deviceKept, {}))
            kept();
        m_deviceUse = {};
        m_ui.setVisible("Frame8", false);
        return;
    }
    m_ui.warn(failure);
    // Back to the port (and device) that was in use, open again if it was, and show it as
    // selected. One click gives one box: if the way back fails too, or the port was not open
    // (a device missing since start-up), the panel watches for that port instead.
    (void)m_comm.setPortOpen(false);
    switchDevice(false);
    m_deviceKept = {};
    (void)m_comm.setCommPort(previous);
    if (!wasOpen) {
        watchLostPort(previous);
    } else if (const SerialResult back = open(); !back.ok()) {
        watchLostPort(previous);
    } else if (back.pending) {
        m_openWait = OpenWait::WayBack;
    }
    selectOptionFor(m_comm.commPort());
}

void Form1::switchDevice(bool toNew) {
    if (m_deviceUse)
        m_deviceUse(toNew);
    if (!toNew)
        m_deviceUse = {};
}

void Form1::changePortDevice(int port, std::function<void(bool)> use, std::function<void()> kept) {
    if (port != m_comm.commPort()) {
        use(true);
        kept();
        return;
    }
    m_deviceUse = std::move(use);
    m_deviceKept = std::move(kept);
    portChange(port, true);
}

SerialResult Form1::open() {
    SerialResult r = m_comm.setPortOpen(true);
    if (r.pending)
        ++m_pendingOpens;
    return r;
}

void Form1::portOpened(const SerialResult& outcome) {
    // A provisional open carries bytes already; what it ends is decided by its outcome.
    if (outcome.provisional)
        return;
    // Outcomes come in the order of the opens: only the last open's outcome decides.
    if (m_pendingOpens > 0 && --m_pendingOpens > 0)
        return;
    switch (std::exchange(m_openWait, OpenWait::None)) {
        case OpenWait::Choice:
            finishPortChange(outcome.error, m_choicePrevious, m_choiceWasOpen);
            break;
        case OpenWait::WayBack:
            if (!outcome.ok())
                watchLostPort(m_comm.commPort());
            break;
        case OpenWait::Relink:
            if (outcome.ok())
                relinked();
            break;  // otherwise the next tick tries again
        case OpenWait::Load:
        case OpenWait::None:
            break;  // superseded or stale
    }
}

void Form1::watchLostPort(int port) {
    m_lostPort = port;
    m_timers.Relink.setEnabled(true);
}

void Form1::speedChange(std::string_view settings) {
    const std::string previous = m.CommSettings;
    m.CommSettings = settings;
    const SerialResult r = m_comm.setSettings(m.CommSettings);
    if (r.ok()) {
        m_ui.setVisible("Frame8", false);
        return;
    }
    m_ui.warn(r.error);
    m.CommSettings = previous;
    (void)m_comm.setSettings(m.CommSettings);
    m_ui.setSelected(m.CommSettings == kSettings9600 ? "Option10" : "Option9");
}

void Form1::linkLost(const std::string& why) {
    // Watched from now on: the box waits for the operator, reconnecting does not.
    m_lostPort = m_comm.commPort();
    m_timers.Relink.setEnabled(true);
    m_ui.warn(why + "\n\nThe panel reconnects by itself when the device is back.");
}

void Form1::relinkTick() {
    if (m_openWait == OpenWait::Relink)
        return;  // the last try is still connecting
    if (m_lostPort == 0 || m_comm.portOpen() || m_comm.commPort() != m_lostPort) {
        m_lostPort = 0;
        m_timers.Relink.setEnabled(false);
        return;
    }
    const SerialResult r = open();
    if (!r.ok())
        return;  // not back yet; try at the next tick
    if (r.pending) {
        m_openWait = OpenWait::Relink;
        return;
    }
    relinked();
}

void Form1::relinked() {
    m_lostPort = 0;
    m_timers.Relink.setEnabled(false);
    setLine("Label12", " COM" + std::to_string(m_comm.commPort()) + " (" +
                           m_comm.deviceName(m_comm.commPort()) + ") reconnected");
    // Like any traffic, the line goes with the next display clear.
    m_timers.Timer4.setEnabled(true);
}

}  // namespace r7k
