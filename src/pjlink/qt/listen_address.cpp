#include "pjlink/qt/listen_address.h"

namespace r7k::pjlink {

ListenAddress parseListenAddress(const std::string& text) {
    ListenAddress out;
    out.text = text;
    const QString all = QString::fromStdString(text);
    const qsizetype colon = all.lastIndexOf(':');
    QString host = colon < 0 ? QStringLiteral("127.0.0.1") : all.left(colon);
    const QString port = all.mid(colon + 1);
    bool ok = false;
    const uint number = port.toUInt(&ok);
    if (!ok || number > 65535 || port.isEmpty() || !port[0].isDigit()) {
        out.error = "the port must be a number from 0 to 65535";
        return out;
    }
    out.port = static_cast<quint16>(number);
    const bool bracketed = host.startsWith('[') && host.endsWith(']');
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    if (host == QLatin1String("localhost"))
        host = QStringLiteral("127.0.0.1");
    // A bare IPv6 address would be ambiguous with the port's colon.
    if (!out.host.setAddress(host) ||
        (out.host.protocol() == QAbstractSocket::IPv6Protocol) != bracketed) {
        out.error = "expected an IPv4 address, an IPv6 address in brackets or localhost";
        out.host.clear();
    }
    return out;
}

ListenAddress parseControllerAddress(const std::string& text) {
    const QString all = QString::fromStdString(text);
    const bool hasPort = all.startsWith('[') ? all.contains("]:") : all.contains(':');
    ListenAddress out = parseListenAddress(hasPort ? text : text + ":0");
    out.text = text;
    if (out.error.empty() && (out.host.isBroadcast() || out.host == QHostAddress::AnyIPv4 ||
                              out.host == QHostAddress::AnyIPv6)) {
        out.error = "expected the controller's own address, not every or a broadcast address";
        out.host.clear();
    }
    return out;
}

}  // namespace r7k::pjlink
