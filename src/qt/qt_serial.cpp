#include "qt/qt_serial.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "transport/line_settings.h"
#include "transport/open_failure.h"

namespace r7k {
namespace {

// A look at the device without opening it: whether it is there, a folder, and who may open
// it, for the advice of a failed open.
PathProbe probe(const QString& device) {
    const QByteArray path = device.toLocal8Bit();
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return {.missing = errno == ENOENT || errno == ENOTDIR,
                .folder = false,
                .mayOpen = true,
                .access = {}};
    const passwd* owner = ::getpwuid(info.st_uid);
    const group* group = ::getgrgid(info.st_gid);
    return {.missing = false,
            .folder = S_ISDIR(info.st_mode),
            .mayOpen = ::access(path.constData(), R_OK | W_OK) == 0,
            .access = DeviceAccess{owner ? owner->pw_name : std::to_string(info.st_uid),
                                   group ? group->gr_name : std::to_string(info.st_gid),
                                   static_cast<std::uint32_t>(info.st_mode & 07777),
                                   (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)}};
}

// Qt keeps only its own kind of error; the errno each stands for. A lock another program
// holds is reported as a permission error: the probe tells the two apart.
int errnoOf(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return ENOENT;
        case QSerialPort::PermissionError:
            return EACCES;
        case QSerialPort::OpenError:
            return EBUSY;
        default:
            return 0;
    }
}

}  // namespace

QtSerial::QtSerial(QString com1Device, QString com2Device)
    : m_com1(std::move(com1Device)), m_com2(std::move(com2Device)) {
    m_gather.setSingleShot(true);
    m_gather.setTimerType(Qt::PreciseTimer);
    m_gather.setInterval(kGather);
    QObject::connect(&m_gather, &QTimer::timeout, [this] { endGather(); });
    QObject::connect(&m_serial, &QSerialPort::readyRead, [this] { onReadyRead(); });
    QObject::connect(&m_serial, &QSerialPort::errorOccurred,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
}

QtSerial::~QtSerial() {
    QObject::disconnect(&m_serial, nullptr, nullptr, nullptr);
    m_gather.stop();
    m_serial.close();
}

std::string QtSerial::deviceName(int port) const {
    return device(port).toStdString();
}

QString QtSerial::describe(int port) const {
    return QString::fromStdString(portLabel(port));
}

SerialResult QtSerial::setCommPort(int port) {
    if (std::string why = notAPanelPort(port); !why.empty())
        return {why};
    if (m_serial.isOpen())
        return {describe(m_port).toStdString() + " is open; close it first."};
    m_port = port;
    return {};
}

SerialResult QtSerial::setSettings(std::string_view settings) {
    if (!parseLineSettings(settings)) {
        return {"Invalid serial settings \"" + std::string(settings) + "\"."};
    }
    m_settings = settings;
    return m_serial.isOpen() ? apply() : SerialResult{};
}

SerialResult QtSerial::apply() {
    const LineSettings s = *parseLineSettings(m_settings);
    const QSerialPort::Parity parity = s.parity == 'E'   ? QSerialPort::EvenParity
                                       : s.parity == 'O' ? QSerialPort::OddParity
                                       : s.parity == 'M' ? QSerialPort::MarkParity
                                       : s.parity == 'S' ? QSerialPort::SpaceParity
                                                         : QSerialPort::NoParity;
    const bool ok =
        m_serial.setBaudRate(s.baud) &&
        m_serial.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
        m_serial.setParity(parity) &&
        m_serial.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        m_serial.setFlowControl(QSerialPort::NoFlowControl);
    if (ok)
        return {};
    const std::string why = m_serial.errorString().toStdString();
    m_serial.clearError();
    return {describe(m_port).toStdString() + ": cannot set " + m_settings + ": " + why + "."};
}

SerialResult QtSerial::setPortOpen(bool open) {
    if (!open) {
        stopGathering();
        if (m_serial.isOpen())
            m_serial.close();
        m_serial.clearError();
        return {};
    }
    if (m_serial.isOpen())
        return {};
    stopGathering();
    m_serial.setPortName(device(m_port));
    if (!m_serial.open(QIODevice::ReadWrite)) {
        const std::string why = m_serial.errorString().toStdString();
        const LocalFault fault{.code = errnoOf(m_serial.error()), .probe = probe(device(m_port))};
        m_serial.clearError();
        return {openFailureText(portLabel(m_port), deviceName(m_port), why, fault)};
    }
    if (SerialResult r = apply(); !r.ok()) {
        m_serial.close();
        m_serial.clearError();
        return r;
    }
    return {};
}

SerialResult QtSerial::output(std::string_view bytes) {
    if (!m_serial.isOpen())
        return {describe(m_port).toStdString() + " is not open."};
    const qint64 n = m_serial.write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (n != static_cast<qint64>(bytes.size()))
        return {describe(m_port).toStdString() + ": write failed."};
    // Hand the bytes to the driver now rather than on the next turn of the event loop.
    m_serial.flush();
    return {};
}

std::string QtSerial::input() {
    const QByteArray data = m_serial.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

void QtSerial::onReadyRead() {
    if (m_gathering || m_draining)
        return;  // reported when the gathering ends
    // Streaming: more bytes soon after the last report, and arriving slowly (a fast line's
    // reads are large, or come in quick succession, and are worth reporting at once).
    bool streaming = false;
    if (m_sinceReport.isValid()) {
        const qint64 ns = m_sinceReport.nsecsElapsed();
        const qint64 bytes = m_serial.bytesAvailable();
        streaming = ns < std::chrono::nanoseconds(kStreaming).count() &&
                    bytes * 1'000'000'000 < kTrickle * ns;
    }
    report(streaming);
}

void QtSerial::report(bool gather) {
    const qint64 waiting = m_serial.bytesAvailable();
    m_event = kComEvReceive;
    raiseComm();
    m_sinceReport.start();
    // Only a trickle is worth gathering: a fast line already brings plenty with every wake-up.
    // And only once the handler took everything, as the panel's does.
    if (!gather || !m_serial.isOpen() || waiting >= kBulk || m_serial.bytesAvailable() != 0)
        return;
    // With a read buffer of one byte, QSerialPort stops watching the line once it holds a
    // byte, until that is read: the bytes after it wait in the driver meanwhile, and endGather
    // takes them in one read.
    m_gathering = true;
    m_serial.setReadBufferSize(1);
    m_gather.start();
}

void QtSerial::endGather() {
    m_gathering = false;
    if (!m_serial.isOpen())
        return;
    m_serial.setReadBufferSize(0);
    // Takes what waits in the driver now, without waiting, in as many reads as it takes (up to
    // a bound, so a line faster than the reads cannot hold the event loop); the readyRead of
    // these reads is not a new report.
    m_draining = true;
    while (m_serial.isOpen() && m_serial.bytesAvailable() < kDrainLimit &&
           m_serial.waitForReadyRead(0)) {
    }
    m_draining = false;
    if (!m_serial.isOpen())
        return;  // a read failed: the port is closed and the loss reported
    if (m_serial.error() == QSerialPort::TimeoutError)
        m_serial.clearError();  // "nothing more waiting" is no error
    if (m_serial.bytesAvailable() > 0)
        report(true);
    // Otherwise the line went quiet and the next byte is reported at once.
}

void QtSerial::stopGathering() {
    m_gather.stop();
    m_gathering = false;
    m_serial.setReadBufferSize(0);
}

void QtSerial::onError(QSerialPort::SerialPortError error) {
    const bool fatal = error == QSerialPort::ReadError || error == QSerialPort::WriteError ||
                       error == QSerialPort::ResourceError;
    if (!fatal || !m_serial.isOpen())
        return;
    const std::string why = lostLinkCause(m_serial.errorString().toStdString());
    // Closing at the first error stops the error storm of a vanished device at once.
    stopGathering();
    m_serial.close();
    m_serial.clearError();
    m_event = 0;
    // Reported from the event loop: the error may surface inside a write of a running handler.
    const std::string text = describe(m_port).toStdString() + " was lost: " + why + ".";
    QMetaObject::invokeMethod(
        &m_serial, [this, text] { raiseLost(text); }, Qt::QueuedConnection);
}

}  // namespace r7k
