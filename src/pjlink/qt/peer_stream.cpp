#include "pjlink/qt/peer_stream.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace r7k::pjlink {

PeerStream::PeerStream(qintptr descriptor, QObject* parent)
    : QObject(parent),
      m_fd(static_cast<int>(descriptor)),
      m_read(descriptor, QSocketNotifier::Read),
      m_write(descriptor, QSocketNotifier::Write) {
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // answers go out at once
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
        m_address.setAddress(reinterpret_cast<const sockaddr*>(&peer));
        m_port = ntohs(peer.ss_family == AF_INET6
                           ? reinterpret_cast<const sockaddr_in6*>(&peer)->sin6_port
                           : reinterpret_cast<const sockaddr_in*>(&peer)->sin_port);
    }
    m_write.setEnabled(false);
    m_grace.setSingleShot(true);
    QObject::connect(&m_read, &QSocketNotifier::activated, this, [this] { readable(); });
    QObject::connect(&m_write, &QSocketNotifier::activated, this, [this] { writable(); });
    QObject::connect(&m_grace, &QTimer::timeout, this, [this] { close(); });
}

PeerStream::~PeerStream() {
    m_read.setEnabled(false);
    m_write.setEnabled(false);
    if (m_fd >= 0)
        ::close(m_fd);
}

std::string PeerStream::name() const {
    if (m_address.isNull())
        return "a controller gone before its address was read";
    return (m_address.toString() + ":" + QString::number(m_port)).toStdString();
}

void PeerStream::write(std::string_view bytes) {
    if (m_fd < 0)
        return;
    m_out.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    m_writing = true;
    writable();
    m_writing = false;
}

void PeerStream::setReading(bool reading) {
    m_reading = reading;
    m_read.setEnabled(m_fd >= 0 && reading && !m_finishing && !m_inputEnded);
}

void PeerStream::finish() {
    if (m_fd < 0 || m_finishing)
        return;
    m_finishing = true;
    m_read.setEnabled(false);
    m_grace.start(kFinishing);  // a controller that never reads is cut off
    writable();
}

void PeerStream::abort() {
    m_out.clear();
    close();
}

void PeerStream::readable() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            if (onData)
                onData(std::string_view(buffer, static_cast<std::size_t>(n)));
            if (m_fd < 0 || m_finishing || !m_reading)
                return;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n < 0)
            return close();        // reset
        m_read.setEnabled(false);  // the end of its input
        m_inputEnded = true;
        if (onEnd)
            onEnd();
        return;
    }
}

void PeerStream::writable() {
    const qsizetype before = m_out.size();
    while (!m_out.isEmpty() && m_fd >= 0) {
        const ssize_t n = ::send(m_fd, m_out.constData(), static_cast<size_t>(m_out.size()),
                                 MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n < 0)
            return close();  // reset, or the controller has gone
        m_out.remove(0, n);
    }
    m_write.setEnabled(m_fd >= 0 && !m_out.isEmpty());
    if (m_finishing && m_out.isEmpty())
        return close();
    if (m_out.size() < before && onDrained)
        onDrained();
}

void PeerStream::close() {
    if (m_fd < 0)
        return;
    m_read.setEnabled(false);
    m_write.setEnabled(false);
    m_grace.stop();
    ::shutdown(m_fd, SHUT_RDWR);
    ::close(m_fd);
    m_fd = -1;
    if (!m_writing) {
        if (onGone)
            onGone();
        return;
    }
    // Told from the event loop: the service is writing to this stream just now.
    QTimer::singleShot(0, this, [this] {
        if (onGone)
            onGone();
    });
}

}  // namespace r7k::pjlink
