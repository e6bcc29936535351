#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "pjlink/requests.h"
#include "transport/timer.h"

namespace r7k::pjlink {

using std::chrono::microseconds;
using std::chrono::milliseconds;

// A controller's connection as the platform gives it to the service.
class Peer {
  public:
    virtual ~Peer() = default;
    // Sends what the connection takes now and keeps the rest for later.
    virtual void write(std::string_view bytes) = 0;
    // Bytes written and not yet taken by the network.
    virtual std::size_t unsent() const = 0;
    // Stops or resumes taking the controller's input.
    virtual void setReading(bool reading) = 0;
    // Closes once what was written has gone (or a short grace has passed). The platform calls
    // Service::gone() when it is closed.
    virtual void finish() = 0;
    virtual std::string address() const = 0;  // the controller's address, "192.0.2.7"
    virtual std::string name() const = 0;     // "address:port", for the log
};

struct ServiceOptions {
    std::string password;  // empty: no authentication
    int maxClients = 16;
    milliseconds idle{30'000};  // a connection without a request is closed
    // Answers not yet taken by a controller beyond which it is read no more, until it reads.
    std::size_t unsentLimit = 64 * 1024;
};

// The PJLink side of the service, toolkit-free: connections, their greeting and
// authentication, and their requests, each connection's answered in order. The platform
// reports a connection's events; the service answers through Peer.
class Service {
  public:
    using Clock = std::function<microseconds()>;
    // What a request was answered, how long it took: for the log and the metrics.
    using AnswerHook = std::function<void(const Request&, const Answered&, microseconds took)>;

    // `random` gives the greeting's random number (8 hex digits) where a password is set.
    Service(Requests& requests, ServiceOptions options, Timer& idle, Clock now,
            std::function<std::string()> random);
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    ~Service();

    // A controller connected. False when as many are open as allowed: the platform closes it at
    // once, without a greeting.
    bool accept(Peer& peer);
    void received(Peer& peer, std::string_view bytes);
    // The controller sends no more; it still gets the answers to what it asked.
    void ended(Peer& peer);
    // Some of what was written has gone.
    void drained(Peer& peer);
    // The connection is closed (by the service's finish, a reset, a failure); the platform may
    // delete the peer after this returns. What it asked is still carried out.
    void gone(Peer& peer);

    std::size_t connections() const { return m_connections.size(); }
    bool full() const { return static_cast<int>(m_connections.size()) >= m_options.maxClients; }
    std::function<void(const std::string&)> onLog;
    // A controller sent a request (the notifications' destination follows it).
    std::function<void(const std::string& address)> onRequest;
    AnswerHook onAnswer;
    // The number of connections changed.
    std::function<void()> onConnections;

  private:
    struct Connection;

    void pump(Connection& c);
    void answered(Peer* peer, const Request& request, const Answered& answer, microseconds started);
    void close(Connection& c, const std::string& why);
    void carryOut(Connection& c);
    void rearm();
    void counted();
    void idleTick();
    void log(const std::string& text);

    Requests& m_requests;
    ServiceOptions m_options;
    Timer& m_idle;
    Clock m_now;
    std::function<std::string()> m_random;
    std::map<Peer*, std::unique_ptr<Connection>> m_connections;
};

// 8 random hex digits for a greeting, from the system's random source.
std::string randomGreeting();

}  // namespace r7k::pjlink
