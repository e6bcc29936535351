#include "fakes/fake_serial.h"

#include <utility>

namespace r7k::fakes {

SerialResult FakeSerial::fail(const std::string& op) const {
    auto it = failures.find(op);
    if (it == failures.end() || it->second.empty())
        return {};
    return {it->second};
}

SerialResult FakeSerial::setCommPort(int port) {
    calls.push_back("port " + std::to_string(port));
    if (auto r = fail("port"); !r.ok())
        return r;
    if (m_open)
        return {"port is open"};
    m_port = port;
    return {};
}

SerialResult FakeSerial::setSettings(std::string_view s) {
    calls.push_back("settings " + std::string(s));
    if (auto r = fail("settings"); !r.ok())
        return r;
    settings = s;
    return {};
}

SerialResult FakeSerial::setPortOpen(bool open) {
    if (!open) {
        calls.push_back("close");
        if (auto r = fail("close"); !r.ok())
            return r;
        m_open = false;
        return {};
    }
    calls.push_back("open " + std::to_string(m_port));
    if (m_open)
        return {};
    if (auto r = fail("open"); !r.ok())
        return r;
    if (auto r = fail("open" + std::to_string(m_port)); !r.ok())
        return r;
    m_open = true;
    ++opens;
    return {};
}

SerialResult FakeSerial::output(std::string_view bytes) {
    if (!m_open)
        return {"port is closed"};
    if (auto r = fail("output"); !r.ok())
        return r;
    writes.push_back({m_clock ? m_clock->now() : milliseconds{0}, m_port, std::string(bytes)});
    return {};
}

std::string FakeSerial::input() {
    return std::exchange(m_pending, {});
}

void FakeSerial::receive(std::string_view bytes) {
    m_pending += bytes;
    m_event = kComEvReceive;
    raiseComm();
}

void FakeSerial::raiseEvent(int kind) {
    m_event = kind;
    raiseComm();
}

void FakeSerial::hangUp(const std::string& why) {
    m_open = false;
    raiseLost(deviceName(m_port) + ": " + why);
}

std::string FakeSerial::written() const {
    std::string all;
    for (const auto& w : writes)
        all += w.bytes;
    return all;
}

}  // namespace r7k::fakes
