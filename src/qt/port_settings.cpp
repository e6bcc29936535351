#include "qt/port_settings.h"

#include <QStandardPaths>

namespace r7k {

PortSettings::PortSettings(QString file) : m_store(std::move(file)), m_ports(m_store) {
    for (const std::string& problem : m_ports.problems())
        m_problems << QString::fromStdString(problem);
}

QString PortSettings::userFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/r7k-panel/r7k-panel.conf");
}

PortSettings::Mapping PortSettings::mapping(int port, const QString& option) const {
    const PortMapping m = m_ports.mapping(port, option.toStdString());
    return {QString::fromStdString(m.address), m.origin};
}

QString PortSettings::remember(int port, const QString& address) {
    return QString::fromStdString(m_ports.remember(port, address.toStdString()));
}

}  // namespace r7k
