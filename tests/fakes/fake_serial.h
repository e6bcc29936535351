#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_clock.h"
#include "transport/serial.h"

namespace r7k::fakes {

// A serial component that records what is written and fails on demand.
class FakeSerial : public SerialPort {
  public:
    explicit FakeSerial(const FakeClock* clock = nullptr) : m_clock(clock) {}

    SerialResult setCommPort(int port) override {
        calls.push_back("port " + std::to_string(port));
        if (auto r = fail("port"); !r.ok() || m_open)
            return m_open ? SerialResult{"port is open"} : r;
        m_port = port;
        return {};
    }
    int commPort() const override { return m_port; }
    SerialResult setSettings(std::string_view s) override {
        calls.push_back("settings " + std::string(s));
        return fail("settings");
    }
    bool portOpen() const override { return m_open; }
    SerialResult setPortOpen(bool open) override {
        calls.push_back(open ? "open " + std::to_string(m_port) : "close");
        if (open && m_open)
            return {};
        SerialResult r = fail(open ? "open" : "close");
        if (r.ok() && open)
            r = fail("open" + std::to_string(m_port));
        if (r.ok())
            m_open = open;
        return r;
    }
    SerialResult output(std::string_view bytes) override {
        if (!m_open)
            return {"port is closed"};
        writes.push_back({m_clock ? m_clock->now() : milliseconds{0}, std::string(bytes)});
        return {};
    }
    std::string input() override { return std::exchange(m_pending, {}); }
    int commEvent() const override { return m_event; }
    std::string deviceName(int port) const override { return "/dev/fake" + std::to_string(port); }

    // Delivers a piece of input and raises the receive event, as the line would.
    void receive(std::string_view bytes) {
        m_pending += bytes;
        raiseEvent(kComEvReceive);
    }
    void raiseEvent(int kind) {
        m_event = kind;
        raiseComm();
    }
    // The other side hangs up: the port closes and the loss is reported once.
    void hangUp() {
        m_open = false;
        raiseLost(deviceName(m_port) + ": Input/output error");
    }

    // A warning of the component's own (a gateway's remark), passed on as it would be.
    void warn(const std::string& text) { raiseWarning(text); }

    // Operations that fail, by name: "open" (any port), "open1", "open2", "close", "port",
    // "settings"; an empty text fails nothing.
    std::map<std::string, std::string> failures;
    struct Write {
        milliseconds at;
        std::string bytes;
    };
    std::vector<Write> writes;
    std::vector<std::string> calls;  // "port 1", "settings 19200,N,8,1", "open 1", "close"
    // The settings the port was last given.
    std::string settings() const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            if (it->starts_with("settings "))
                return it->substr(9);
        }
        return {};
    }
    std::string written() const {
        std::string all;
        for (const auto& w : writes)
            all += w.bytes;
        return all;
    }

  private:
    SerialResult fail(const std::string& op) const {
        auto it = failures.find(op);
        return {it == failures.end() ? std::string() : it->second};
    }

    const FakeClock* m_clock;
    int m_port = 1;
    bool m_open = false;
    int m_event = 0;
    std::string m_pending;
};

}  // namespace r7k::fakes
