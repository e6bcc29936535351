#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ctl/runner.h"
#include "pjlink/mapping.h"

namespace r7k::pjlink {

// Answers requests: at once, or by running a plan's check and steps, each as one batch on the
// runner's line. A batch that fails (no reply, NAK, a wrong answer, a lost line) answers ERR4
// and says why in `failure`.
//
// The line takes one query about every half second (the panel's reply window), so queries
// are shared: a query asked while the same one is queued or under way gets that one's reply.
// Commands are never shared.
class Executor {
  public:
    using Done = std::function<void(const std::string& result, const std::string& failure)>;

    explicit Executor(ctl::Runner& runner) : m_runner(runner) {}
    void execute(Plan plan, Done done);
    // Every step's result, as it comes, whoever asked for it.
    void observe(std::function<void(const ctl::StepResult&)> observer) {
        m_observer = std::move(observer);
    }

  private:
    using Results = std::vector<ctl::StepResult>;
    using Finished = std::function<void(int status, const std::string& message, const Results&)>;
    struct Shared;

    void run(const std::vector<std::string>& words, bool share, Finished finished);

    ctl::Runner& m_runner;
    std::function<void(const ctl::StepResult&)> m_observer;
    std::map<std::string, std::shared_ptr<Shared>> m_queries;  // by their step words
};

}  // namespace r7k::pjlink
