// The panel controller's link control: the port group, the choice of a port or a speed, a
// port's device changed, a lost port watched for, and END.
#include <utility>

#include "panel/controller.h"
#include "panel/controls.h"

namespace r7k {

void PanelController::hidePortGroup() {
    m_ui.setVisible(control::kPortGroup, false);
    m_timers.portGroupHide.setEnabled(false);
}

void PanelController::showPortGroup() {
    m_ui.setVisible(control::kPortGroup, true);
    m_timers.portGroupHide.setEnabled(true);
}

void PanelController::end() {
    m_openWait = OpenWait::None;
    (void)m_comm.setPortOpen(false);
    m_ui.quit(0);
}

void PanelController::selectOptionFor(int port) {
    m_ui.setSelected(control::portOption(port));
}

void PanelController::choosePort(int port, bool changingDevice) {
    // The operator's choice ends any watch for a lost device, and any open still going on.
    m_lostPort = 0;
    m_timers.portRetry.setEnabled(false);
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
    finishPortChoice(failure, previous, wasOpen);
}

void PanelController::finishPortChoice(const std::string& failure, int previous, bool wasOpen) {
    if (failure.empty()) {
        if (auto kept = std::exchange(m_deviceKept, {}))
            kept();
        m_deviceUse = {};
        m_ui.setVisible(control::kPortGroup, false);
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

void PanelController::switchDevice(bool toNew) {
    if (m_deviceUse)
        m_deviceUse(toNew);
    if (!toNew)
        m_deviceUse = {};
}

void PanelController::changePortDevice(int port, std::function<void(bool)> use,
                                       std::function<void()> kept) {
    if (port != m_comm.commPort()) {
        use(true);
        kept();
        return;
    }
    m_deviceUse = std::move(use);
    m_deviceKept = std::move(kept);
    choosePort(port, true);
}

SerialResult PanelController::open() {
    SerialResult r = m_comm.setPortOpen(true);
    if (r.pending)
        ++m_pendingOpens;
    return r;
}

void PanelController::portOpened(const SerialResult& outcome) {
    // A provisional open carries bytes already; what it ends is decided by its outcome.
    if (outcome.provisional)
        return;
    // Outcomes come in the order of the opens: only the last open's outcome decides.
    if (m_pendingOpens > 0 && --m_pendingOpens > 0)
        return;
    switch (std::exchange(m_openWait, OpenWait::None)) {
        case OpenWait::Choice:
            finishPortChoice(outcome.error, m_choicePrevious, m_choiceWasOpen);
            break;
        case OpenWait::WayBack:
            if (!outcome.ok())
                watchLostPort(m_comm.commPort());
            break;
        case OpenWait::Retry:
            if (outcome.ok())
                reconnected();
            break;  // otherwise the next tick tries again
        case OpenWait::Load:
        case OpenWait::None:
            break;  // superseded or stale
    }
}

void PanelController::watchLostPort(int port) {
    m_lostPort = port;
    m_timers.portRetry.setEnabled(true);
}

void PanelController::chooseSpeed(std::string_view settings) {
    const std::string previous = m_state.lineSettings;
    m_state.lineSettings = settings;
    const SerialResult r = m_comm.setSettings(m_state.lineSettings);
    if (r.ok()) {
        m_ui.setVisible(control::kPortGroup, false);
        return;
    }
    m_ui.warn(r.error);
    m_state.lineSettings = previous;
    (void)m_comm.setSettings(m_state.lineSettings);
    m_ui.setSelected(m_state.lineSettings == kSettings9600 ? control::kSpeed9600
                                                           : control::kSpeed19200);
}

void PanelController::linkLost(const std::string& why) {
    // Watched from now on: the box waits for the operator, reconnecting does not.
    m_lostPort = m_comm.commPort();
    m_timers.portRetry.setEnabled(true);
    m_ui.warn(why + "\n\nThe panel reconnects by itself when the device is back.");
}

void PanelController::retryLostPort() {
    if (m_openWait == OpenWait::Retry)
        return;  // the last try is still connecting
    if (m_lostPort == 0 || m_comm.portOpen() || m_comm.commPort() != m_lostPort) {
        m_lostPort = 0;
        m_timers.portRetry.setEnabled(false);
        return;
    }
    const SerialResult r = open();
    if (!r.ok())
        return;  // not back yet; try at the next tick
    if (r.pending) {
        m_openWait = OpenWait::Retry;
        return;
    }
    reconnected();
}

void PanelController::reconnected() {
    m_lostPort = 0;
    m_timers.portRetry.setEnabled(false);
    setLine(control::kRxdLine, " COM" + std::to_string(m_comm.commPort()) + " (" +
                                   m_comm.deviceName(m_comm.commPort()) + ") reconnected");
    // Like any traffic, the line goes with the next display clear.
    m_timers.displayClear.setEnabled(true);
}

}  // namespace r7k
