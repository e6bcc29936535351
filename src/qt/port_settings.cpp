#include "qt/port_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>

namespace r7k {

namespace {

const QString kGroup = QStringLiteral("ports");
constexpr qint64 kMaxFileBytes = 64 * 1024;

QString key(int port) {
    return QStringLiteral("ports/com%1").arg(port);
}

// UTF-8 text: no bytes that are not, and no control characters but tabs and line ends.
bool isText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError())
        return false;
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c.category() == QChar::Other_Control && c != '\t' && c != '\n' && c != '\r';
    });
}

}  // namespace

PortSettings::PortSettings(QString file) : m_file(std::move(file)) {
    const QFileInfo info(m_file);
    if (!info.exists())
        return;
    // One arg() call: a second would read a "%2" in the file's path as its own place.
    const auto skipped = [this](const QString& why) {
        return QStringLiteral("%1: %2; the default ports are used.").arg(m_file, why);
    };
    if (!info.isFile()) {
        m_problems << skipped("not a file");
        return;
    }
    QFile raw(m_file);
    if (!raw.open(QIODevice::ReadOnly)) {
        m_problems << skipped("cannot be read");
        return;
    }
    // A settings file is a few lines; anything larger was put there by mistake.
    if (info.size() > kMaxFileBytes) {
        m_problems << skipped(
            QStringLiteral("too large for a settings file (%1 bytes)").arg(info.size()));
        return;
    }
    if (!isText(raw.readAll())) {
        m_problems << skipped("not a text file");
        return;
    }
    QSettings settings(m_file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        m_problems << skipped("not a settings file");
        return;
    }
    const QStringList keys = settings.allKeys();
    if (!settings.childGroups().contains(kGroup)) {
        if (keys.isEmpty())
            return;  // nothing kept yet: empty, or comments only
        QString why = QStringLiteral("no [ports] section");
        for (const QString& group : settings.childGroups()) {
            if (group.compare(kGroup, Qt::CaseInsensitive) == 0)
                why += " ([" + group + "] is not [ports]: section names are case-sensitive)";
        }
        m_problems << skipped(why);
        return;
    }
    for (const QString& k : keys) {
        if (k == key(1) || k == key(2))
            continue;
        const bool caseOnly = k.compare(key(1), Qt::CaseInsensitive) == 0 ||
                              k.compare(key(2), Qt::CaseInsensitive) == 0;
        m_problems << QStringLiteral("%1: %2 = \"%3\" was skipped (unknown key; %4).")
                          .arg(m_file, k, settings.value(k).toString(),
                               caseOnly ? "keys are case-sensitive: com1 and com2"
                                        : "[ports] has only com1 and com2");
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
