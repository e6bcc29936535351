#include "qt/settings_file.h"

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

SettingsStore::Reading SettingsFile::read() {
    Reading reading;
    const QFileInfo info(m_file);
    if (!info.exists())
        return reading;
    // One arg() call: a second would read a "%2" in the file's path as its own place.
    const auto skipped = [&](const QString& why) {
        reading.problems.push_back(
            QStringLiteral("%1: %2; the default ports are used.").arg(m_file, why).toStdString());
        return reading;
    };
    if (!info.isFile())
        return skipped("not a file");
    QFile raw(m_file);
    if (!raw.open(QIODevice::ReadOnly))
        return skipped("cannot be read");
    // A settings file is a few lines; anything larger was put there by mistake.
    if (info.size() > kMaxFileBytes)
        return skipped(QStringLiteral("too large for a settings file (%1 bytes)").arg(info.size()));
    if (!isText(raw.readAll()))
        return skipped("not a text file");
    QSettings settings(m_file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return skipped("not a settings file");
    const QStringList keys = settings.allKeys();
    if (!settings.childGroups().contains(kGroup)) {
        if (keys.isEmpty())
            return reading;  // nothing kept yet: empty, or comments only
        QString why = QStringLiteral("no [ports] section");
        for (const QString& group : settings.childGroups()) {
            if (group.compare(kGroup, Qt::CaseInsensitive) == 0)
                why += " ([" + group + "] is not [ports]: section names are case-sensitive)";
        }
        return skipped(why);
    }
    for (const QString& k : keys) {
        if (k == key(1) || k == key(2))
            continue;
        const bool caseOnly = k.compare(key(1), Qt::CaseInsensitive) == 0 ||
                              k.compare(key(2), Qt::CaseInsensitive) == 0;
        reading.values.push_back({k.toStdString(),
                                  0,
                                  settings.value(k).toString().toStdString(),
                                  {},
                                  caseOnly ? "keys are case-sensitive: com1 and com2"
                                           : "[ports] has only com1 and com2"});
    }
    for (int port : {1, 2}) {
        if (settings.contains(key(port)))
            reading.values.push_back({key(port).toStdString(),
                                      port,
                                      settings.value(key(port)).toString().toStdString(),
                                      {},
                                      {}});
    }
    return reading;
}

std::string SettingsFile::write(int port, const std::string& address) {
    const QString folder = QFileInfo(m_file).absolutePath();
    if (!QDir().mkpath(folder))
        return folder.toStdString() + " cannot be made as a folder";
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(key(port), QString::fromStdString(address));
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return m_file.toStdString() + " cannot be written";
    return {};
}

bool SettingsFile::exists() const {
    return QFileInfo::exists(m_file);
}

QString userSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/r7k-panel/r7k-panel.conf");
}

}  // namespace r7k
