#include "qt/port_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "link/port_address.h"
#include "qt/qt_serial.h"

namespace r7k {

namespace {

QString key(int port) {
    return QStringLiteral("ports/com%1").arg(port);
}

// Empty, or why `value` cannot stand for a port: a device must be named by its whole path,
// since a program started from the desktop's menu has no useful working folder.
QString unusable(const QString& value) {
    const PortAddressResult parsed = parsePortAddress(value.toStdString());
    if (!parsed.address)
        return QString::fromStdString(parsed.error);
    if (!parsed.address->isNetwork() && !QDir::isAbsolutePath(value))
        return QStringLiteral("not a whole device path");
    return {};
}

}  // namespace

PortSettings::PortSettings(QString file) : m_file(std::move(file)) {
    const QFileInfo info(m_file);
    if (!info.exists())
        return;
    const QString skipped = QStringLiteral("%1: %2; the default ports are used.").arg(m_file);
    if (!info.isFile()) {
        m_problems << skipped.arg("not a file");
        return;
    }
    QSettings settings(m_file, QSettings::IniFormat);
    if (!info.isReadable() || settings.status() != QSettings::NoError) {
        m_problems << skipped.arg(info.isReadable() ? "not a settings file" : "cannot be read");
        return;
    }
    for (int port : {1, 2}) {
        if (!settings.contains(key(port)))
            continue;
        const QString value = settings.value(key(port)).toString();
        if (const QString why = unusable(value); !why.isEmpty()) {
            m_problems << QStringLiteral("%1: %2 = \"%3\" was skipped (%4); COM%5 is %6.")
                              .arg(m_file, key(port), value, why)
                              .arg(port)
                              .arg(QtSerial::defaultDevice(port));
        } else {
            m_values[port - 1] = value;
        }
    }
}

QString PortSettings::userFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/r7k-panel/r7k-panel.conf");
}

QString PortSettings::originText(Origin origin) {
    switch (origin) {
        case Origin::Option:
            return QStringLiteral("option");
        case Origin::File:
            return QStringLiteral("settings file");
        case Origin::Default:
            break;
    }
    return QStringLiteral("default");
}

PortSettings::Mapping PortSettings::mapping(int port, const QString& option) const {
    if (!option.isEmpty())
        return {option, Origin::Option};
    if (!m_values[port - 1].isEmpty())
        return {m_values[port - 1], Origin::File};
    return {QtSerial::defaultDevice(port), Origin::Default};
}

QString PortSettings::remember(int port, const QString& address) {
    m_values[port - 1] = address;  // used for this run, kept or not
    const QString folder = QFileInfo(m_file).absolutePath();
    const QString notKept =
        QStringLiteral("COM%1 = %2 is used now but could not be remembered: %3 %4.")
            .arg(port)
            .arg(address);
    if (!QDir().mkpath(folder))
        return notKept.arg(folder, "cannot be made as a folder");
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key(port), address);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return notKept.arg(m_file, "cannot be written");
    return {};
}

}  // namespace r7k
