#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "panel/controller.h"
#include "panel/headless_window.h"
#include "protocol/answers.h"
#include "session/judge.h"
#include "session/step.h"
#include "session/tap_port.h"

namespace r7k::session {

using std::chrono::microseconds;

// Exit statuses of a run.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoReply = 3;
inline constexpr int kExitPort = 4;
inline constexpr int kExitNak = 5;
inline constexpr int kExitUnexpected = 6;

// One step's result, taken when its reply completed or its time ran out, before the panel's
// display clear blanks the lines.
struct StepResult {
    const Step* step = nullptr;
    Outcome outcome = Outcome::Reply;
    std::string sent;      // every byte the step wrote
    std::string received;  // every byte received during the step, bounded like RxBuffer
    std::string txd;       // the TXD line after the (last) send
    std::string rxd;       // the RXD line
    std::optional<std::string> status;  // the status line, when a decoder wrote it for the step
    std::optional<Value> value;         // what a query's reply says, when it says it
    std::optional<std::string> line;    // a line taken as it came (CR9, P-FAIL)
    int sends = 0;
    microseconds roundTrip{0};  // from the (last) send to the reply; the pause of a wait
};

// What the command line chooses for a run besides the steps.
struct RunOptions {
    bool speed9600 = false;
    std::optional<milliseconds> timeout;  // in place of the panel's reply time-out
};

// Runs a script's steps on the panel core behind a headless window: each step is the click,
// press and release, or typed SEND the window would make, its reply is the panel's, and the
// next step follows once that reply is complete and the panel's reply window has closed. So a
// script keeps the panel's timing exactly, the intervals each button leaves behind included.
class ScriptRunner {
  public:
    using Clock = std::function<microseconds()>;

    // `pace` is the runner's own timer (pauses, time-outs, hold releases); `now` a steady clock.
    ScriptRunner(PanelTimers timers, SerialPort& port, HeadlessWindow& window, Timer& pace,
                 Clock now);
    ScriptRunner(const ScriptRunner&) = delete;
    ScriptRunner& operator=(const ScriptRunner&) = delete;

    // Opens the port as the panel does at start, then runs the steps one after the other.
    // onResult gets each step's result as it ends; onDone the exit status and, on failure, the
    // message for the operator, once.
    void start(std::vector<Step> steps, RunOptions options,
               std::function<void(const StepResult&)> onResult,
               std::function<void(int status, const std::string& message)> onDone);
    // Ends the run at once (a stop signal): the port is closed, no further step runs.
    void interrupt(int status, const std::string& why = "interrupted");

    bool done() const { return m_phase == Phase::Done; }
    PanelController& panel() { return m_panel; }

  private:
    enum class Phase : std::uint8_t { Opening, Idle, Holding, Releasing, Awaiting, Waiting, Done };

    void openPort();
    void schedule(milliseconds delay, std::function<void()> action);
    void nextStep();
    void act();
    void release();
    void received(std::string_view bytes);
    void sent(std::string_view bytes);
    void afterComm();
    void capture();
    void timedOut();
    void judgeAnswer();
    void endStep();
    void portFailed(std::string_view text);
    void finish(int status, std::string message);
    milliseconds untilEnd(microseconds start, milliseconds span) const;
    std::string where() const;

    TapPort m_port;
    HeadlessWindow& m_window;
    PanelController m_panel;
    const Timer& m_replyTimer;  // the panel's reply time-out
    Timer& m_pace;
    Clock m_now;

    std::vector<Step> m_steps;
    RunOptions m_options;
    std::function<void(const StepResult&)> m_onResult;
    std::function<void(int, const std::string&)> m_onDone;
    std::function<void()> m_next;  // what the pace timer does when it ticks

    Phase m_phase = Phase::Idle;
    bool m_loading = false;        // opening the port at start
    bool m_openUndecided = false;  // the port's open is provisional, its outcome to come
    std::size_t m_index = 0;
    StepResult m_result;
    std::optional<std::string> m_status;  // last status line a decoder wrote during the step
    bool m_awaitingReply = false;         // the step's (last) send is out; its reply counts
    std::size_t m_replyStart = 0;         // where in the step's input that reply begins
    Expectation m_expected;               // what that reply should be
    bool m_terminated = false;            // the CR, ACK or NAK that ends the reply came
    bool m_complete = false;
    std::string m_portFailure;
    microseconds m_sentAt{0};       // the last send
    milliseconds m_replyWindow{0};  // how long the step waits for its reply
    milliseconds m_panelWindow{0};  // the panel's own reply time-out for the last send
    microseconds m_stepStart{0};    // when a pause began
};

}  // namespace r7k::session
