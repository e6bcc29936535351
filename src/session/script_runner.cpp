#include "session/script_runner.h"

#include <algorithm>
#include <utility>

#include "panel/controls.h"
#include "protocol/traffic.h"
#include "transport/open_failure.h"

namespace r7k::session {

using namespace std::chrono_literals;

namespace {

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The warning box's first paragraph: the device and the cause. What follows is advice for the
// window's operator (the panel reconnecting by itself), which does not apply to a script.
std::string firstParagraph(std::string_view text) {
    return std::string(text.substr(0, text.find("\n\n")));
}

}  // namespace

ScriptRunner::ScriptRunner(PanelTimers timers, SerialPort& port, HeadlessWindow& window,
                           Timer& pace, Clock now)
    : m_port(port),
      m_window(window),
      m_panel(timers, m_port, window),
      m_replyTimer(timers.replyTimeout),
      m_pace(pace),
      m_now(std::move(now)) {
    m_pace.setEnabled(false);
    m_pace.setHandler([this] {
        m_pace.setEnabled(false);
        if (auto action = std::exchange(m_next, nullptr))
            action();
    });
    m_port.onOutput = [this](std::string_view bytes) { sent(bytes); };
    m_port.onInput = [this](std::string_view bytes) { received(bytes); };
    m_port.afterComm = [this] { afterComm(); };
    // Whoever watched the window before (a trace, a test) keeps watching.
    m_window.onText = [this, before = std::move(m_window.onText)](std::string_view control,
                                                                  std::string_view text) {
        if (before)
            before(control, text);
        if (control == control::kStatusLine && !text.empty() && m_phase != Phase::Idle &&
            m_phase != Phase::Done) {
            m_status = std::string(text);
        }
    };
    m_window.onWarn = [this, before = std::move(m_window.onWarn)](std::string_view text) {
        if (before)
            before(text);
        portFailed(text);
    };
}

void ScriptRunner::start(std::vector<Step> steps, RunOptions options,
                         std::function<void(const StepResult&)> onResult,
                         std::function<void(int, const std::string&)> onDone) {
    m_steps = std::move(steps);
    m_options = options;
    m_onResult = std::move(onResult);
    m_onDone = std::move(onDone);
    m_index = 0;
    openPort();
}

void ScriptRunner::openPort() {
    m_loading = true;
    m_panel.load();
    if (m_options.speed9600 && m_portFailure.empty())
        m_panel.click(control::kSpeed9600);
    m_loading = false;
    if (!m_portFailure.empty())
        return finish(kExitPort, m_portFailure);
    if (m_port.portOpen())
        return nextStep();
    // A gateway's port opens once connected; its outcome comes from the event loop, and a
    // failure through the panel's warning.
    m_phase = Phase::Opening;
    m_openUndecided = true;
    m_port.afterOpened = [this](const SerialResult& outcome) {
        // A provisional open carries the steps already; a failure that follows is the run's.
        m_openUndecided = outcome.provisional;
        if (m_phase == Phase::Opening && m_port.portOpen())
            schedule(0ms, [this] { nextStep(); });
    };
}

void ScriptRunner::interrupt(int status, const std::string& why) {
    finish(status, why + "; the port is closed.");
}

void ScriptRunner::schedule(milliseconds delay, std::function<void()> action) {
    m_next = std::move(action);
    m_pace.setInterval(std::max(delay, 0ms));
    m_pace.setEnabled(true);
}

milliseconds ScriptRunner::untilEnd(microseconds start, milliseconds span) const {
    return std::max(std::chrono::ceil<milliseconds>(start + span - m_now()), 0ms);
}

std::string ScriptRunner::where() const {
    return m_port.portLabel(m_port.commPort());
}

void ScriptRunner::nextStep() {
    m_phase = Phase::Idle;
    if (m_index == m_steps.size())
        return finish(kExitDone, {});
    const Step& step = m_steps[m_index];
    m_result = StepResult{};
    m_result.step = &step;
    m_status.reset();
    m_terminated = false;
    m_complete = false;
    m_awaitingReply = false;
    m_replyStart = 0;
    if (step.kind == StepKind::Wait) {
        m_phase = Phase::Waiting;
        m_stepStart = m_now();
        return schedule(step.wait, [this] {
            m_result.outcome = Outcome::Waited;
            m_result.roundTrip = m_now() - m_stepStart;
            endStep();
        });
    }
    // While the panel's reply window of the last send is open, its buffer still holds that
    // reply, and a new reply would be decoded behind it: the next command waits, as an operator
    // waits for the answer before clicking again.
    if (m_replyTimer.isEnabled()) {
        return schedule(std::max(untilEnd(m_sentAt, m_panelWindow), 1ms), [this] { nextStep(); });
    }
    act();
}

void ScriptRunner::act() {
    const Step& step = m_steps[m_index];
    if (!m_port.portOpen()) {
        // A provisional open that failed meanwhile: its outcome, on its way, says why.
        if (m_openUndecided && m_portFailure.empty()) {
            m_phase = Phase::Opening;
            return;
        }
        return finish(kExitPort, m_portFailure.empty() ? where() + " is not open." : m_portFailure);
    }
    switch (step.kind) {
        case StepKind::OneShot:
            m_phase = Phase::Awaiting;
            m_awaitingReply = true;
            m_expected = expectationFor(step.oneShot->code);
            m_panel.click(step.oneShot->name);
            break;
        case StepKind::Send:
            m_phase = Phase::Awaiting;
            m_awaitingReply = true;
            m_expected = expectationFor(step.text);
            m_window.setText(control::kCommandEntry, step.text);
            m_panel.click(control::kSend);
            break;
        case StepKind::Hold:
            m_phase = Phase::Holding;
            m_expected = {Answer::Ack};
            m_panel.mouseDown(step.hold->name);
            break;
        case StepKind::Wait:
            break;
    }
    m_result.txd = m_panel.lineText(control::kTxdLine);
    // Read after the handler: a held button sets its time-out right after its first send.
    m_panelWindow = m_replyTimer.interval();
    m_replyWindow = m_options.timeout.value_or(m_panelWindow);
    if (m_result.sends == 0)
        return finish(kExitPort, where() + ": the command could not be written.");
    if (m_phase == Phase::Awaiting)
        schedule(m_replyWindow, [this] { timedOut(); });
}

void ScriptRunner::sent(std::string_view bytes) {
    if (m_phase != Phase::Awaiting && m_phase != Phase::Holding)
        return;
    m_result.sent += bytes;
    ++m_result.sends;
    m_sentAt = m_now();
    const Step& step = m_steps[m_index];
    if (step.kind == StepKind::Hold && m_result.sends == step.count) {
        // The last send of the hold: let go before the repeater sends again. Not from inside
        // the panel's own tick, though.
        m_phase = Phase::Releasing;
        m_awaitingReply = true;
        m_replyStart = m_result.received.size();
        schedule(0ms, [this] { release(); });
    }
}

void ScriptRunner::release() {
    m_result.txd =
        m_panel.lineText(control::kTxdLine);  // the last send, before the release blanks it
    m_panel.mouseUp(m_steps[m_index].hold->name);
    m_phase = Phase::Awaiting;
    if (m_complete)
        return endStep();
    // The release abandons the panel's time-out of the last send; the runner keeps its own.
    schedule(untilEnd(m_sentAt, m_replyWindow), [this] { timedOut(); });
}

void ScriptRunner::received(std::string_view bytes) {
    if (m_phase == Phase::Idle || m_phase == Phase::Waiting || m_phase == Phase::Done)
        return;
    const std::size_t room = kRxBufferLimit - std::min(kRxBufferLimit, m_result.received.size());
    m_result.received += bytes.substr(0, room);
    if (m_awaitingReply && bytes.find_first_of(kAnswerEnds) != std::string_view::npos)
        m_terminated = true;
}

void ScriptRunner::afterComm() {
    if (!m_terminated || m_complete ||
        (m_phase != Phase::Awaiting && m_phase != Phase::Releasing)) {
        return;
    }
    // Taken now, right after the panel decoded the reply, before anything blanks the lines.
    m_complete = true;
    capture();
    judgeAnswer();
    if (m_phase == Phase::Awaiting)
        schedule(0ms, [this] { endStep(); });
}

void ScriptRunner::capture() {
    m_result.rxd = m_panel.lineText(control::kRxdLine);
    m_result.status = m_status;
    m_result.roundTrip = m_now() - m_sentAt;
}

// Holds the answer against what the step's command is answered with, and reads a query's value.
void ScriptRunner::judgeAnswer() {
    Judgement j = judge(m_expected, std::string_view(m_result.received).substr(m_replyStart));
    m_result.outcome = j.outcome;
    m_result.value = std::move(j.value);
    m_result.line = std::move(j.line);
}

void ScriptRunner::timedOut() {
    capture();
    // Whichever time-out ran out first, the panel's or the runner's, a step without its reply
    // reads the same.
    m_result.rxd = kTimeoutMark;
    m_result.status.reset();
    m_result.outcome = Outcome::Timeout;
    if (m_onResult)
        m_onResult(m_result);
    finish(kExitNoReply, m_result.step->word + ": no reply within " +
                             std::to_string(m_replyWindow.count()) + " ms on " + where() + ".");
}

void ScriptRunner::endStep() {
    if (m_onResult)
        m_onResult(m_result);
    const Step& step = m_steps[m_index];
    if (step.kind == StepKind::Hold && !m_panel.state().received.empty()) {
        // The reply came after the release, and with no time-out running nothing would empty
        // the buffer before the next step's reply lands behind it. Letting go once more empties
        // it; everything else a release sets is already so.
        m_panel.mouseUp(step.hold->name);
    }
    if (m_result.outcome == Outcome::Nak) {
        return finish(kExitNak, m_result.step->word + ": the projector answered NAK (0x15) on " +
                                    where() + ".");
    }
    if (m_result.outcome == Outcome::Unexpected) {
        std::string_view answer = std::string_view(m_result.received).substr(m_replyStart);
        answer = answer.substr(0, answer.find_first_of(kAnswerEnds) + 1);
        return finish(kExitUnexpected, m_result.step->word + ": expected " + describe(m_expected) +
                                           ", got '" + trimmed(trafficText(answer)) + "' on " +
                                           where() + "; is this the projector's port?");
    }
    ++m_index;
    nextStep();
}

void ScriptRunner::portFailed(std::string_view text) {
    if (m_portFailure.empty())
        m_portFailure = forScripts(firstParagraph(text));
    if (m_loading || m_phase == Phase::Done)
        return;  // start() reports a failure to open
    if (m_phase == Phase::Opening)
        return schedule(0ms, [this] { finish(kExitPort, m_portFailure); });
    // Called from inside the panel's handlers: the run ends from the runner's own tick. A port
    // that comes back later does not resume it.
    const bool inStep = m_phase != Phase::Idle;
    schedule(0ms, [this, inStep] {
        if (inStep) {
            capture();
            m_result.outcome = Outcome::Lost;
            if (m_onResult)
                m_onResult(m_result);
        }
        finish(kExitPort, m_portFailure);
    });
}

void ScriptRunner::finish(int status, std::string message) {
    if (m_phase == Phase::Done)
        return;
    m_next = nullptr;
    m_pace.setEnabled(false);
    m_phase = Phase::Done;
    // The panel's END: closes the port.
    m_panel.click(control::kEnd);
    if (m_onDone)
        m_onDone(status, message);
}

}  // namespace r7k::session
