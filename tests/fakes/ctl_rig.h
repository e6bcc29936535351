#pragma once

#include <QMap>
#include <QStringList>

#include "ctl/steps.h"
#include "fakes/panel_rig.h"
#include "session/script_runner.h"

namespace r7k::fakes {

using session::microseconds;

// A runner on virtual time, steps joined by ','. The projector answers a command (CR removed)
// with its pieces in `replies` ("hangup" hangs up); without an entry the reply is dropped.
struct CtlRig : VirtualLink {
    FakeWindow window{&clock};
    FakeTimer& pace = clock.make("pace");
    session::ScriptRunner runner{timers(), serial, window, pace,
                                 [this] { return microseconds(clock.now()); }};
    QMap<QString, QStringList> replies;
    std::vector<session::StepResult> results;
    int status = -1;

    void run(const QString& words, session::RunOptions options = {}) {
        std::vector<std::string> texts;
        for (const QString& w : words.split(','))
            texts.push_back(w.toStdString());
        runner.start(
            ctl::parseSteps(texts).steps, options,
            [this](const session::StepResult& r) { results.push_back(r); },
            [this](int s, const std::string&) { status = s; });
        until([this] { return runner.done(); });
    }

    // Answers what is written and lets time pass, a millisecond at a time, until `done`.
    template <typename Done>
    void until(Done done) {
        do {
            for (; m_answered < serial.writes.size(); ++m_answered) {
                const auto& bytes = serial.writes[m_answered].bytes;
                const QString command = QString::fromLatin1(bytes).chopped(1);
                for (const QString& p : replies.value(command))
                    p == "hangup" ? serial.hangUp() : serial.receive(p.toLatin1().toStdString());
            }
        } while (!done() &&
                 (clock.advance(milliseconds{1}), clock.now() < std::chrono::minutes(10)));
    }

  private:
    std::size_t m_answered = 0;
};

}  // namespace r7k::fakes
