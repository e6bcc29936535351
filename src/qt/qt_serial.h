#pragma once

#include <QSerialPort>
#include <QString>

#include "link/serial.h"

namespace r7k {

// MSComm1 on QSerialPort. Port 1 and 2 stand for two device paths (by default the platform's
// first two serial ports). The first read, write or resource error on an open port closes it
// and is reported once as a lost link: QSerialPort would otherwise report it in a tight loop.
class QtSerial : public SerialPort {
  public:
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

    static QString defaultDevice(int port);

  private:
    QString device(int port) const { return port == 2 ? m_com2 : m_com1; }
    QString describe(int port) const;
    SerialResult apply();
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_serial;
    QString m_com1;
    QString m_com2;
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    int m_event = 0;
};

// The operator-facing text of a failed open: the device, the cause and, where it helps, a hint.
std::string openFailureText(const std::string& port, const std::string& device,
                            const std::string& cause);

}  // namespace r7k
