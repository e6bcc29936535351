#include "pjlink/executor.h"

#include <memory>

namespace r7k::pjlink {

void execute(ctl::Runner& runner, Plan plan,
             std::function<void(const std::string&, const std::string&)> done) {
    if (plan.now)
        return done(*plan.now, {});
    const bool checking = !plan.check.empty();
    std::vector<ctl::Step> steps = ctl::parseSteps(checking ? plan.check : plan.steps).steps;
    const std::size_t count = steps.size();
    auto results = std::make_shared<std::vector<ctl::StepResult>>();
    runner.submit(
        std::move(steps), [results](const ctl::StepResult& r) { results->push_back(r); },
        [&runner, plan = std::move(plan), results, checking, count, done = std::move(done)](
            int status, const std::string& message) mutable {
            if (status != ctl::kExitDone)
                return done("ERR4", message);
            if (results->size() != count || count == 0)
                return done("ERR4", "the steps of the request did not all run");
            if (!checking)
                return done(plan.answer(*results), {});
            if (auto answer = plan.gate(*results))
                return done(*answer, {});
            plan.check.clear();
            execute(runner, std::move(plan), std::move(done));
        });
}

}  // namespace r7k::pjlink
