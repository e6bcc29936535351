#include "qt/port_router.h"

#include "link/open_failure.h"

namespace r7k {

PortRouter::PortRouter(const PortAddress& com1, const PortAddress& com2)
    : m_local(QString::fromStdString(com1.text()), QString::fromStdString(com2.text())),
      m_addresses{com1, com2} {
    adopt(m_local);
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
    const bool network = m_addresses[port == 2 ? 1 : 0].isNetwork() && m_net;
    return network ? static_cast<SerialPort&>(*m_net) : const_cast<QtSerial&>(m_local);
}

void PortRouter::setAddress(int port, const PortAddress& address) {
    m_addresses[port == 2 ? 1 : 0] = address;
    m_local.setDevice(port, QString::fromStdString(address.text()));
    if (address.isNetwork() && !m_net && m_netError.empty()) {
        m_net = loadNetworkPort(m_netError);
        if (m_net) {
            adopt(*m_net);
            (void)m_net->setCommPort(m_port);
            (void)m_net->setSettings(m_settings);
        }
    }
    if (m_net)
        m_net->setAddress(port, address.isNetwork() ? std::optional(address) : std::nullopt);
}

SerialResult PortRouter::setCommPort(int port) {
    // Both adapters follow the port number; only the current one can be open.
    for (SerialPort* inner :
         {static_cast<SerialPort*>(&m_local), static_cast<SerialPort*>(m_net.get())}) {
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
    if (&current() != &m_local)
        (void)m_local.setSettings(settings);
    return r;
}

SerialResult PortRouter::setPortOpen(bool open) {
    if (open && address(m_port).isNetwork() && !m_net)
        return {openFailureText("COM" + std::to_string(m_port), deviceName(m_port), m_netError)};
    return current().setPortOpen(open);
}

std::unique_ptr<SerialPort> makeSerialPort(const PortAddress& com1, const PortAddress& com2) {
    return std::make_unique<PortRouter>(com1, com2);
}

}  // namespace r7k
