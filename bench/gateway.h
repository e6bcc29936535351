#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace r7k::bench {

// ser2net on a free loopback port carrying a device (a pseudo-terminal) as raw TCP ("tcp") or
// RFC 2217 ("rfc2217"); without a mode, nothing runs and the panel uses the device itself.
class Gateway {
  public:
    Gateway(const std::string& device, const QString& mode) : m_line(device), m_mode(mode) {
        if (mode.isEmpty())
            return;
        QTcpServer unused;  // a free port for ser2net
        unused.listen(QHostAddress::LocalHost);
        const quint16 port = unused.serverPort();
        unused.close();
        const QString accepter = mode == "rfc2217" ? "telnet(rfc2217),tcp" : "tcp";
        m_ser2net.setProgram(QStringLiteral("ser2net"));
        m_ser2net.setArguments({"-n", "-u", "-Y", "connection: &bench", "-Y",
                                QString("  accepter: %1,127.0.0.1,%2").arg(accepter).arg(port),
                                "-Y",
                                QString("  connector: serialdev,%1,19200n81,local")
                                    .arg(QString::fromStdString(device))});
        m_ser2net.setStandardErrorFile(QProcess::nullDevice());  // its mdns notice
        m_ser2net.start();
        QTcpSocket probe;
        QElapsedTimer waited;
        waited.start();
        bool up = m_ser2net.waitForStarted(5000);
        while (up && waited.elapsed() < 5000) {
            probe.abort();
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(100))
                break;
            QThread::msleep(20);
        }
        if (!up || probe.state() != QAbstractSocket::ConnectedState) {
            std::fprintf(stderr, "r7k-bench: ser2net did not start (scripts/setup-debian.sh)\n");
            std::exit(1);
        }
        probe.abort();
        QThread::msleep(100);  // ser2net has closed the line after the probe
        m_line = mode.toStdString() + "://127.0.0.1:" + std::to_string(port);
    }
    ~Gateway() {
        if (m_mode.isEmpty())
            return;
        m_ser2net.terminate();
        m_ser2net.waitForFinished(3000);
    }
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    // What the panel opens as COM1.
    const std::string& line() const { return m_line; }
    // How the JSON lines name the path: "pty" or "ser2net tcp" / "ser2net rfc2217".
    std::string path() const {
        return m_mode.isEmpty() ? std::string("pty") : "ser2net " + m_mode.toStdString();
    }

  private:
    std::string m_line;
    QString m_mode;
    QProcess m_ser2net;
};

}  // namespace r7k::bench
