#include "qt/port_router.h"

namespace r7k {

namespace {

std::optional<PortAddress> ifNetwork(const PortAddress& a) {
    return a.isNetwork() ? std::optional(a) : std::nullopt;
}

}  // namespace

PortRouter::PortRouter(const PortAddress& com1, const PortAddress& com2)
    : m_local(QString::fromStdString(com1.text()), QString::fromStdString(com2.text())),
      m_net(ifNetwork(com1), ifNetwork(com2)),
      m_lines{com1.isNetwork() ? static_cast<SerialPort*>(&m_net) : &m_local,
              com2.isNetwork() ? static_cast<SerialPort*>(&m_net) : &m_local},
      m_addresses{com1, com2} {
    for (SerialPort* inner :
         {static_cast<SerialPort*>(&m_local), static_cast<SerialPort*>(&m_net)}) {
        inner->setCommHandler([this] { raiseComm(); });
        inner->setLostHandler([this](const std::string& why) { raiseLost(why); });
        inner->setOpenedHandler([this](const SerialResult& outcome) { raiseOpened(outcome); });
    }
}

SerialResult PortRouter::setCommPort(int port) {
    // Both adapters follow the port number; only the current one can be open.
    if (SerialResult r = current().setCommPort(port); !r.ok())
        return r;
    if (SerialResult r = idle().setCommPort(port); !r.ok())
        return r;
    m_port = port;
    return {};
}

SerialResult PortRouter::setSettings(std::string_view settings) {
    // Both keep the speed, so that a port change carries it to the other kind of line.
    const SerialResult r = current().setSettings(settings);
    (void)idle().setSettings(settings);
    return r;
}

void PortRouter::setAddress(int port, const PortAddress& address) {
    const int i = port == 2 ? 1 : 0;
    m_local.setDevice(port, QString::fromStdString(address.text()));
    m_net.setAddress(port, ifNetwork(address));
    m_lines[i] = address.isNetwork() ? static_cast<SerialPort*>(&m_net) : &m_local;
    m_addresses[i] = address;
}

std::unique_ptr<SerialPort> makeSerialPort(const PortAddress& com1, const PortAddress& com2) {
    return std::make_unique<PortRouter>(com1, com2);
}

}  // namespace r7k
