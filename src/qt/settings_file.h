#pragma once

#include <QString>

#include "panel/stored_ports.h"

namespace r7k {

// The user's settings file as the store of COM1 and COM2: group "ports", keys "com1" and
// "com2". A file that cannot be read as settings is skipped whole, and said so.
class SettingsFile : public SettingsStore {
  public:
    explicit SettingsFile(QString file) : m_file(std::move(file)) {}
    const QString& file() const { return m_file; }

    std::string where() const override { return m_file.toStdString(); }
    bool exists() const override;
    Reading read() override;
    std::string write(int port, const std::string& address) override;

  private:
    QString m_file;
};

// The user's own file: $XDG_CONFIG_HOME/r7k-panel/r7k-panel.conf.
QString userSettingsFile();

}  // namespace r7k
