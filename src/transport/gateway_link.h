#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace r7k {

// One TCP connection to a gateway at a time, on the platform's sockets and event loop. It only
// moves bytes; what they mean and when an open has worked is the gateway port's to decide.
class GatewayLink {
  public:
    // What the link reports, always from the event loop: a connect has worked (the socket is
    // set up for a serial line: no delay, keepalive); a connect failed or the connection ended,
    // with the cause in plain words (see gateway_causes.h); received bytes are waiting.
    struct Events {
        std::function<void()> connected;
        std::function<void(const std::string& cause)> ended;
        std::function<void()> readable;
    };

    virtual ~GatewayLink() = default;
    void setEvents(Events events) { m_events = std::move(events); }

    // Looks the host up if it is a name, then connects, in the background.
    virtual void connect(const std::string& host, std::uint16_t port) = 0;
    // Lets the connection go, and any connect under way; nothing more is reported of it.
    virtual void drop() = 0;
    // A connection is made or being made, and has not ended.
    virtual bool live() const = 0;
    virtual bool connected() const = 0;
    // Received bytes not yet read; they stay readable after the connection ended.
    virtual std::size_t available() const = 0;
    virtual std::string read(std::size_t limit) = 0;
    // Bytes written and not yet handed to the network.
    virtual std::size_t unsent() const = 0;
    virtual void write(std::string_view bytes) = 0;
    // Runs `work` from the event loop, after what is already waiting there.
    virtual void post(std::function<void()> work) = 0;

  protected:
    const Events& events() const { return m_events; }

  private:
    Events m_events;
};

}  // namespace r7k
