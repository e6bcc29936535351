#pragma once

#include <QElapsedTimer>
#include <QSerialPort>
#include <QString>
#include <QTimer>
#include <chrono>

#include "transport/serial.h"

namespace r7k {

// The serial port on QSerialPort. Port 1 and 2 stand for two device paths (by default the
// platform's first two serial ports). The first read, write or resource error on an open port
// closes it and is reported once as a lost link: QSerialPort would otherwise report it in a tight
// loop. Received bytes are reported at once when they follow a quiet line. When they keep coming (a
// stream of single bytes, as a pseudo-terminal or a UART without FIFO delivers them), they are
// gathered for a few milliseconds and reported together, rather than waking the program for every
// byte.
class QtSerial : public SerialPort {
  public:
    // Bytes that arrive this soon after the last report, and slower than kTrickle bytes a
    // second, mean the line is streaming.
    static constexpr std::chrono::milliseconds kStreaming{2};
    static constexpr qint64 kTrickle = 64 * 1024;
    // How long a streaming line's bytes are gathered before the next report.
    static constexpr std::chrono::milliseconds kGather{20};
    // A report at least this large is not followed by gathering (a fast line, not a trickle).
    static constexpr qint64 kBulk = 256;
    // The most one gathering takes in before it reports.
    static constexpr qint64 kDrainLimit = 64 * 1024;

    QtSerial(QString com1Device, QString com2Device);
    ~QtSerial() override;

    SerialResult setCommPort(int port) override;
    int commPort() const override { return m_port; }
    SerialResult setSettings(std::string_view settings) override;
    bool portOpen() const override { return m_serial.isOpen(); }
    SerialResult setPortOpen(bool open) override;
    SerialResult output(std::string_view bytes) override;
    std::string input() override;
    int commEvent() const override { return m_event; }
    std::string deviceName(int port) const override;
    // Another device for a port number; takes effect at its next open.
    void setDevice(int port, QString device) { (port == 2 ? m_com2 : m_com1) = std::move(device); }

  private:
    QString device(int port) const { return port == 2 ? m_com2 : m_com1; }
    QString describe(int port) const;
    SerialResult apply();
    void onError(QSerialPort::SerialPortError error);
    void onReadyRead();
    void report(bool gather);
    void endGather();
    void stopGathering();

    QSerialPort m_serial;
    QTimer m_gather;
    QElapsedTimer m_sinceReport;  // invalid until the first report
    bool m_gathering = false;     // reports held back until m_gather fires
    bool m_draining = false;      // inside endGather's own read
    QString m_com1;
    QString m_com2;
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    int m_event = 0;
};

}  // namespace r7k
