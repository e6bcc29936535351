#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "transport/serial.h"

namespace r7k::win {

// The serial port on a Windows COM port: "COM7" or "\\.\COM12" opened as \\.\COMn with overlapped
// I/O, the settings string set into the DCB, a reader thread that posts what arrives to the UI
// thread (reported there as kComEvReceive), every output written in one operation. A device
// that goes away (a USB adapter pulled out) closes the port and is reported once as a lost link,
// in Windows' own words.
class WinSerial : public SerialPort {
  public:
    WinSerial(std::string com1Device, std::string com2Device);
    ~WinSerial() override;
    WinSerial(const WinSerial&) = delete;
    WinSerial& operator=(const WinSerial&) = delete;

    SerialResult setCommPort(int port) override;
    int commPort() const override { return m_port; }
    SerialResult setSettings(std::string_view settings) override;
    bool portOpen() const override;
    SerialResult setPortOpen(bool open) override;
    SerialResult output(std::string_view bytes) override;
    std::string input() override;
    int commEvent() const override { return m_event; }
    std::string deviceName(int port) const override { return port == 2 ? m_com2 : m_com1; }
    // Another device for a port number; takes effect at its next open.
    void setDevice(int port, std::string device) {
        (port == 2 ? m_com2 : m_com1) = std::move(device);
    }

  private:
    struct Line;  // the open handle, its reader thread and what it has read

    SerialResult apply(HANDLE handle);
    void close();
    // On the UI thread, from the reader: bytes are waiting; the line failed.
    void report(Line& line);
    void lose(Line& line, DWORD error);

    std::string m_com1;
    std::string m_com2;
    int m_port = 1;
    std::string m_settings = "9600,N,8,1";
    int m_event = 0;
    std::shared_ptr<Line> m_line;  // shared with the reader thread; null while closed
};

}  // namespace r7k::win
