#include "port.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace r7k::sim {

namespace {

std::string failure(const std::string& what, const std::string& device) {
    return device + ": " + what + ": " + std::strerror(errno);
}

// Raw 8N1, no flow control, ignoring modem lines; `speed` 0 keeps the current one.
bool makeRaw(int fd, speed_t speed) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | CS8;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (speed != 0 && (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0))
        return false;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

}  // namespace

Port::~Port() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_listener >= 0)
        ::close(m_listener);
}

bool Port::openPty(std::string& error) {
    const std::string device = "/dev/ptmx";
    m_fd = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_fd < 0) {
        error = failure("cannot open a new pseudo-terminal", device);
        return false;
    }
    if (grantpt(m_fd) != 0 || unlockpt(m_fd) != 0) {
        error = failure("cannot unlock the new pseudo-terminal", device);
        return false;
    }
    const char* name = ptsname(m_fd);
    if (name == nullptr) {
        error = failure("cannot name the new pseudo-terminal", device);
        return false;
    }
    m_path = name;
    m_pty = true;
    int flags = fcntl(m_fd, F_GETFL);
    if (flags < 0 || fcntl(m_fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = failure("cannot make it non-blocking", m_path);
        return false;
    }
    // The settings belong to the pair and outlive every opening of the other side.
    if (!makeRaw(m_fd, 0)) {
        error = failure("cannot set raw mode", m_path);
        return false;
    }
    // Until the other side has been opened once, the master reports no hang-up, so it would
    // look connected; one opening and closing here makes "nobody there" visible from the start.
    int slave = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        error = failure("cannot open", m_path);
        return false;
    }
    ::close(slave);
    return true;
}

bool Port::openDevice(const std::string& path, int baud, std::string& error) {
    m_path = path;
    m_pty = false;
    m_fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        error = failure("cannot open", path);
        return false;
    }
    // Anything but a terminal (a file, /dev/null) would take the replies and never answer:
    // refused here, before the line is announced as listening.
    if (!isatty(m_fd)) {
        error = path + ": not a terminal (a serial device or a pseudo-terminal is needed)";
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    if (!makeRaw(m_fd, baud == 9600 ? B9600 : B19200)) {
        error = failure("cannot set raw mode at " + std::to_string(baud) + " baud", path);
        return false;
    }
    return true;
}

bool Port::openListener(const std::string& host, int port, std::string& error) {
    const std::string where = host + ":" + std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found)) {
        error = where + ": cannot listen: " + gai_strerror(rc);
        return false;
    }
    m_listener = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int on = 1;
    const bool ok =
        m_listener >= 0 && setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
        bind(m_listener, found->ai_addr, found->ai_addrlen) == 0 && listen(m_listener, 1) == 0;
    const int cause = errno;
    freeaddrinfo(found);
    errno = cause;
    if (!ok) {
        error = failure("cannot listen", where);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&bound), &length);
    char text[INET6_ADDRSTRLEN] = "";
    int shownPort = 0;
    if (bound.ss_family == AF_INET6) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(&bound);
        inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
        shownPort = ntohs(a->sin6_port);
        m_path = "tcp://[" + std::string(text) + "]:" + std::to_string(shownPort);
    } else {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&bound);
        inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        shownPort = ntohs(a->sin_port);
        m_path = "tcp://" + std::string(text) + ":" + std::to_string(shownPort);
    }
    return true;
}

bool Port::acceptClient() {
    if (m_fd >= 0)
        return true;
    m_fd = accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (m_fd < 0)
        return false;
    // A reply goes out at once, as a serial line would carry it.
    const int on = 1;
    setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

void Port::dropClient() {
    if (m_listener < 0 || m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
}

void Port::discardUnread() {
    if (!m_pty)
        return;
    int slave = ::open(m_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0)
        return;
    tcflush(slave, TCIFLUSH);
    ::close(slave);
}

bool LineLink::create(const std::string& linkPath, const std::string& target, std::string& error) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        error = linkPath + ": exists and is not a symlink; not replacing it";
        return false;
    }
    // Made under a temporary name and renamed over the old link, so the path never goes
    // missing for a panel that is opening it.
    std::string temp = linkPath + ".r7k-sim-" + std::to_string(getpid());
    ::unlink(temp.c_str());
    if (symlink(target.c_str(), temp.c_str()) != 0) {
        error = failure("cannot make a symlink to " + target, temp);
        return false;
    }
    if (rename(temp.c_str(), linkPath.c_str()) != 0) {
        error = failure("cannot make a symlink to " + target, linkPath);
        ::unlink(temp.c_str());
        return false;
    }
    m_link = linkPath;
    m_target = target;
    return true;
}

void LineLink::remove() {
    if (m_link.empty())
        return;
    char buffer[4096];
    ssize_t n = readlink(m_link.c_str(), buffer, sizeof buffer);
    if (n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == m_target) {
        ::unlink(m_link.c_str());
    }
    m_link.clear();
}

}  // namespace r7k::sim
