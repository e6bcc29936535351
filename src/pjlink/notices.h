#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/runner.h"

namespace r7k::pjlink {

// Class 2's datagrams on UDP: a controller's search ("%2SRCH") is answered with
// "%2ACKN=<MAC>"; anything else that arrives is no search and gets nothing.
bool isSearch(std::string_view datagram);
std::optional<std::string> searchAnswer(std::string_view datagram, std::string_view mac);

// "%2LKUP=<MAC>": the service is up and can be reached.
std::string linkUp(std::string_view mac);

// What the replies seen so far say of the projector, and what changed: a STATUS result may
// change the power state and the error status, a MODE result the input. Each change is a
// notification line ("%2POWR=3" and CR). The first of each is no change: it is what the
// controller finds when it asks.
class StatusWatch {
  public:
    std::vector<std::string> see(const ctl::StepResult& result);
    bool poweredOn() const { return m_power == "1"; }

  private:
    std::optional<std::string> m_power;
    std::optional<std::string> m_errors;
    std::optional<std::string> m_input;
};

}  // namespace r7k::pjlink
