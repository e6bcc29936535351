#include "pjlink/executor.h"

namespace r7k::pjlink {

struct Executor::Shared {
    std::vector<Finished> waiting;
    Results results;
};

void Executor::execute(Plan plan, Done done) {
    if (plan.now)
        return done(*plan.now, {});
    const bool checking = !plan.check.empty();
    // A check reads the projector's state and may be shared; the steps after it change it.
    const std::vector<std::string> words = checking ? plan.check : plan.steps;
    const bool share = checking || !plan.gate;
    run(words, share,
        [this, plan = std::move(plan), checking, done = std::move(done)](
            int status, const std::string& message, const Results& results) mutable {
            if (status != ctl::kExitDone)
                return done("ERR4", message);
            if (!checking)
                return done(plan.answer(results), {});
            if (auto answer = plan.gate(results))
                return done(*answer, {});
            plan.check.clear();
            execute(std::move(plan), std::move(done));
        });
}

void Executor::run(const std::vector<std::string>& words, bool share, Finished finished) {
    std::string key;
    for (const std::string& w : words)
        key += w + '\n';
    if (share) {
        if (const auto it = m_queries.find(key); it != m_queries.end()) {
            it->second->waiting.push_back(std::move(finished));
            return;
        }
    }
    std::vector<ctl::Step> steps = ctl::parseSteps(words).steps;
    const std::size_t count = steps.size();
    auto shared = std::make_shared<Shared>();
    shared->waiting.push_back(std::move(finished));
    if (share)
        m_queries[key] = shared;
    m_runner.submit(
        std::move(steps),
        [this, shared](const ctl::StepResult& r) {
            shared->results.push_back(r);
            if (m_observer)
                m_observer(r);
        },
        [this, shared, key, share, count](int status, const std::string& message) {
            if (share)
                m_queries.erase(key);
            const bool complete = shared->results.size() == count && count != 0;
            for (Finished& f : shared->waiting) {
                if (status == ctl::kExitDone && !complete)
                    f(ctl::kExitPort, "the steps of the request did not all run", {});
                else
                    f(status, message, shared->results);
            }
        });
}

}  // namespace r7k::pjlink
