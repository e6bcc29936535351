#include "pjlink/qt/metrics_front.h"

#include <QTcpSocket>
#include <QTimer>
#include <memory>

#include "pjlink/http_responder.h"

namespace r7k::pjlink {

void MetricsFront::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open >= HttpResponder::kMaxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++m_open;
    auto responder = std::make_shared<HttpResponder>(m_render);
    // Whatever the client does, the connection is gone after the time-out.
    QTimer::singleShot(HttpResponder::kClientTimeout, socket, [socket] { socket->abort(); });
    connect(socket, &QTcpSocket::readyRead, socket, [socket, responder] {
        const QByteArray bytes = socket->readAll();
        const HttpResponder::Step step =
            responder->take(std::string_view(bytes.constData(), bytes.size()));
        if (step.verdict == HttpResponder::Verdict::NeedMore)
            return;
        if (step.verdict == HttpResponder::Verdict::Respond)
            socket->write(step.bytes.data(), static_cast<qint64>(step.bytes.size()));
        socket->disconnectFromHost();
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        --m_open;
        socket->deleteLater();
    });
}

}  // namespace r7k::pjlink
