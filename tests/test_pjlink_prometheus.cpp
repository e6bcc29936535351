// Debian's Prometheus scraping r7k-pjlink --metrics in front of r7k-sim, all on loopback: its
// query API must return the lamp hours and the power state the simulator holds, and the
// endpoint must shrug off bad clients while PJLink is still answered. Skipped without
// /usr/bin/prometheus.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "sim_process.h"

namespace {

const QString kPrometheus = "/usr/bin/prometheus";

// Everything a server sends to `request` until it closes (or `ms` pass).
QByteArray exchange(quint16 port, const QByteArray& request, int ms = 5000) {
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(ms))
        return "(no connection)";
    socket.write(request);
    QByteArray got;
    QDeadlineTimer deadline(ms);
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(100);
        got += socket.readAll();
    }
    return got + socket.readAll();
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The result vector of a PromQL query, as "labels=value" lines.
QStringList query(quint16 port, const QByteArray& promql) {
    const QByteArray reply =
        exchange(port, "GET /api/v1/query?query=" + QUrl::toPercentEncoding(promql) +
                           " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    const QJsonObject body =
        QJsonDocument::fromJson(reply.mid(reply.indexOf("\r\n\r\n") + 4)).object();
    QStringList out;
    for (const QJsonValue& sample : body["data"].toObject()["result"].toArray()) {
        const QJsonObject metric = sample["metric"].toObject();
        out << metric["state"].toString() + "=" + sample["value"].toArray()[1].toString();
    }
    return out;
}

}  // namespace

class TestPjlinkPrometheus : public QObject {
    Q_OBJECT
  private slots:
    void scraped() {
        if (!QFile::exists(kPrometheus))
            QSKIP("Debian's prometheus is not installed");
        SimProcess sim;  // in standby, its lamp at 1234 hours
        QVERIFY(!sim.path.isEmpty());
        QProcess service;
        service.setReadChannel(QProcess::StandardError);
        service.start(qEnvironmentVariable("R7K_PJLINK"),
                      {"--port", sim.path, "--listen", "127.0.0.1:0", "--metrics", "127.0.0.1:0"});
        QByteArray said;
        QTRY_VERIFY((said += service.readAllStandardError()).contains("/metrics\n"));
        const quint16 pjlink = said.split(':').value(2).split(' ').value(0).toUShort();
        const quint16 metrics = said.split(':').value(5).split('/').value(0).toUShort();
        QVERIFY2(pjlink && metrics, said.constData());

        QTemporaryDir dir;
        QFile config(dir.filePath("prometheus.yml"));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write(
            "global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: r7k\n"
            "    static_configs:\n      - targets: ['127.0.0.1:" +
            QByteArray::number(metrics) + "']\n");
        config.close();
        const quint16 web = freePort();
        QProcess prometheus;
        prometheus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        prometheus.start(
            kPrometheus,
            {"--config.file=" + config.fileName(), "--storage.tsdb.path=" + dir.filePath("data"),
             "--web.listen-address=127.0.0.1:" + QString::number(web), "--log.level=warn"});
        QVERIFY(prometheus.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(query(web, "r7k_lamp_hours"), QStringList{"=1234"}, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(query(web, "r7k_power_state == 1"), QStringList{"standby=1"},
                                  10000);
        QCOMPARE(query(web, "r7k_line_up"), QStringList{"=1"});
        prometheus.terminate();
        QVERIFY(prometheus.waitForFinished(10000));

        // Bad clients get an answer or a closed connection, and nothing else changes.
        QVERIFY(exchange(metrics, "GET /x HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 404 "));
        QVERIFY(exchange(metrics, "\x16\x03\x01\x00\xa5").startsWith("HTTP/1.1 400 "));
        const QByteArray huge = "GET /metrics HTTP/1.1\r\nX: " + QByteArray(100'000, 'a');
        const QByteArray refused = exchange(metrics, huge);
        QVERIFY2(refused.isEmpty() || refused.startsWith("HTTP/1.1 431 "), refused.left(80));
        // Slow clients that send nothing: as many as allowed are closed after a while, one
        // more at once.
        std::vector<std::unique_ptr<QTcpSocket>> slow;
        for (int i = 0; i < 9; ++i) {
            slow.push_back(std::make_unique<QTcpSocket>());
            slow.back()->connectToHost("127.0.0.1", metrics);
            QVERIFY(slow.back()->waitForConnected(5000));
        }
        QVERIFY(slow.back()->waitForDisconnected(2000));
        for (auto& socket : slow)
            QVERIFY(socket->state() == QAbstractSocket::UnconnectedState ||
                    socket->waitForDisconnected(10000));
        QVERIFY(exchange(metrics, "GET /metrics HTTP/1.0\r\n\r\n").contains("r7k_lamp_hours 1234"));
        QTcpSocket controller;
        controller.connectToHost("127.0.0.1", pjlink);
        QVERIFY(controller.waitForConnected(5000));
        controller.write("%1POWR ?\r");
        QByteArray answer;
        QTRY_VERIFY((controller.waitForReadyRead(100), answer += controller.readAll())
                        .contains("%1POWR=0\r"));
        service.terminate();
        QVERIFY(service.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(TestPjlinkPrometheus)
#include "test_pjlink_prometheus.moc"
