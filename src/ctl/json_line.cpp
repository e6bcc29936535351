#include "ctl/json_line.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace r7k::ctl {
namespace {

QString bytes(std::string_view b) {
    return QString::fromLatin1(b.data(), static_cast<qsizetype>(b.size()));
}

}  // namespace

QByteArray jsonLine(const StepResult& result) {
    QJsonObject o;
    o["step"] = QString::fromStdString(result.step->word);
    o["outcome"] = bytes(outcomeName(result.outcome));
    o["sent"] = bytes(result.sent);
    o["received"] = bytes(result.received);
    o["sends"] = result.sends;
    o["txd"] = bytes(result.txd);
    o["rxd"] = bytes(result.rxd);
    o["status"] = result.status ? QJsonValue(bytes(*result.status)) : QJsonValue(QJsonValue::Null);
    o["rtt_ms"] = static_cast<double>(result.roundTrip.count()) / 1000.0;
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace r7k::ctl
