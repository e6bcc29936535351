#include "qt/port_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace r7k {

namespace {

QString key(int port) {
    return QStringLiteral("ports/com%1").arg(port);
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
        if (const std::string why = unusablePortValue(value.toStdString()); !why.empty()) {
            m_problems << QString::fromStdString(skippedValueText(
                m_file.toStdString(), key(port).toStdString(), value.toStdString(), why, port));
        } else {
            m_values[port - 1] = value;
        }
    }
}

QString PortSettings::userFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/r7k-panel/r7k-panel.conf");
}

PortSettings::Mapping PortSettings::mapping(int port, const QString& option) const {
    const PortMapping m = mapPort(port, option.toStdString(), m_values[port - 1].toStdString());
    return {QString::fromStdString(m.address), m.origin};
}

QString PortSettings::remember(int port, const QString& address) {
    m_values[port - 1] = address;  // used for this run, kept or not
    const QString folder = QFileInfo(m_file).absolutePath();
    const auto notKept = [&](const QString& where, std::string_view why) {
        return QString::fromStdString(
            notRememberedText(port, address.toStdString(), where.toStdString(), why));
    };
    if (!QDir().mkpath(folder))
        return notKept(folder, "cannot be made as a folder");
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key(port), address);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return notKept(m_file, "cannot be written");
    return {};
}

}  // namespace r7k
