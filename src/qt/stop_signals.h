#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace r7k {

// SIGINT, SIGTERM and SIGHUP delivered to the event loop: the handler only writes the signal's
// number to a socket pair, the one thing a signal handler may safely do, and `stop` runs from
// the loop. One at a time per process.
class StopSignals {
  public:
    explicit StopSignals(std::function<void(int signo)> stop);
    ~StopSignals();
    bool ok() const { return m_notifier != nullptr; }

  private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace r7k
