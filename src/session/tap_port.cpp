#include "session/tap_port.h"

namespace r7k::session {

TapPort::TapPort(SerialPort& inner) : m_inner(inner) {
    m_inner.setCommHandler([this] {
        raiseComm();
        if (afterComm)
            afterComm();
    });
    m_inner.setLostHandler([this](const std::string& why) { raiseLost(why); });
    m_inner.setWarningHandler([this](const std::string& text) { raiseWarning(text); });
    m_inner.setOpenedHandler([this](const SerialResult& outcome) {
        raiseOpened(outcome);
        if (afterOpened)
            afterOpened(outcome);
    });
}

SerialResult TapPort::output(std::string_view bytes) {
    SerialResult r = m_inner.output(bytes);
    if (r.ok() && onOutput)
        onOutput(bytes);
    return r;
}

std::string TapPort::input() {
    std::string bytes = m_inner.input();
    if (onInput)
        onInput(bytes);
    return bytes;
}

}  // namespace r7k::session
