#pragma once

#include <QString>
#include <QStringList>

#include "panel/stored_ports.h"
#include "qt/settings_file.h"
#include "transport/port_mapping.h"

namespace r7k {

// Where COM1 and COM2 point for this user. The command line comes first, then the settings
// file ($XDG_CONFIG_HOME/r7k-panel/r7k-panel.conf, group "ports", keys "com1" and "com2"),
// then the platform's default. A file or value that cannot be used is skipped, and said so.
class PortSettings {
  public:
    struct Mapping {
        QString address;  // a device path or a gateway address, as the port takes it
        PortOrigin origin = PortOrigin::Default;
    };

    // Reads the file now (the user's own when none is given).
    explicit PortSettings(QString file = userFile());
    static QString userFile();

    const QString& file() const { return m_store.file(); }
    // What port 1 or 2 stands for, given the command line's value (empty: none given).
    Mapping mapping(int port, const QString& option) const;
    // What in the file was skipped and why, one sentence each; empty when all was usable.
    const QStringList& problems() const { return m_problems; }
    // Keeps an address for a port for the next start. Empty, or why it could not be kept.
    QString remember(int port, const QString& address);

  private:
    SettingsFile m_store;
    StoredPorts m_ports;
    QStringList m_problems;
};

}  // namespace r7k
