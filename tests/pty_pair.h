#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QtTest>
#include <string>

// A pseudo-terminal whose master side the test plays as the projector.
struct PtyPair {
    int master = -1;
    std::string slave;

    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
            return;
        slave = ptsname(master);
        termios t{};
        tcgetattr(master, &t);
        cfmakeraw(&t);
        tcsetattr(master, TCSANOW, &t);
        fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { hangUp(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    void hangUp() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    // Writes everything, letting the event loop run while the line's buffer is full.
    void write(const std::string& bytes) const {
        std::size_t done = 0;
        QElapsedTimer t;
        t.start();
        while (done < bytes.size() && t.elapsed() < 10000) {
            const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            done += std::size_t(std::max<ssize_t>(n, 0));
            if (n <= 0)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        QCOMPARE(done, bytes.size());
    }
    // Reads what arrives until `count` bytes are there or `ms` pass, running the event loop.
    std::string read(std::size_t count, int ms = 2000) const {
        std::string got;
        QElapsedTimer t;
        t.start();
        while (got.size() < count && t.elapsed() < ms) {
            char buf[4096];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<std::size_t>(n));
                continue;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            pollfd p{master, POLLIN, 0};
            ::poll(&p, 1, 2);
        }
        return got;
    }
};
