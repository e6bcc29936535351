#include "transport/port_router.h"

#include "transport/open_failure.h"

namespace r7k {

PortRouter::PortRouter(Lines lines, const PortAddress& com1, const PortAddress& com2)
    : m_lines(std::move(lines)), m_addresses{com1, com2} {
    adopt(m_lines.local);
    for (int port : {1, 2})
        setAddress(port, m_addresses[port - 1]);
}

void PortRouter::adopt(SerialPort& inner) {
    inner.setCommHandler([this] { raiseComm(); });
    inner.setLostHandler([this](const std::string& why) { raiseLost(why); });
    inner.setOpenedHandler([this](const SerialResult& outcome) { raiseOpened(outcome); });
    inner.setWarningHandler([this](const std::string& text) { raiseWarning(text); });
}

SerialPort& PortRouter::of(int port) const {
    const bool network = address(port).isNetwork() && m_net;
    return network ? static_cast<SerialPort&>(*m_net) : m_lines.local;
}

void PortRouter::setAddress(int port, const PortAddress& address) {
    m_addresses[port == 2 ? 1 : 0] = address;
    m_lines.setDevice(port, address.text());
    if (address.isNetwork() && !m_net && m_netError.empty()) {
        m_net = m_lines.makeNetwork(m_netError);
        if (m_net) {
            adopt(*m_net);
            for (int named : {1, 2})
                m_net->setPortName(named, portName(named));
            (void)m_net->setCommPort(m_port);
            (void)m_net->setSettings(m_settings);
        }
    }
    if (m_net)
        m_net->setAddress(port, address.isNetwork() ? std::optional(address) : std::nullopt);
}

void PortRouter::setPortName(int port, std::string name) {
    // The components name the port in their own messages.
    m_lines.local.setPortName(port, name);
    if (m_net)
        m_net->setPortName(port, name);
    SerialPort::setPortName(port, std::move(name));
}

SerialResult PortRouter::setCommPort(int port) {
    // Both components follow the port number; only the current one can be open.
    for (SerialPort* inner : {&m_lines.local, static_cast<SerialPort*>(m_net.get())}) {
        if (inner == nullptr)
            continue;
        if (SerialResult r = inner->setCommPort(port); !r.ok())
            return r;
    }
    m_port = port;
    return {};
}

SerialResult PortRouter::setSettings(std::string_view settings) {
    // Both keep the speed, so that a port change carries it to the other kind of line.
    m_settings = settings;
    const SerialResult r = current().setSettings(settings);
    if (m_net && &current() != m_net.get())
        (void)m_net->setSettings(settings);
    if (&current() != &m_lines.local)
        (void)m_lines.local.setSettings(settings);
    return r;
}

SerialResult PortRouter::setPortOpen(bool open) {
    if (open && address(m_port).isNetwork() && !m_net)
        return {openFailureText(portLabel(m_port), deviceName(m_port), m_netError)};
    return current().setPortOpen(open);
}

}  // namespace r7k
