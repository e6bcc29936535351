#include "transport/gateway_session.h"

#include <algorithm>
#include <utility>

#include "transport/gateway_causes.h"

namespace r7k {

using namespace telnet;

namespace {

constexpr std::size_t kReasonLimit = 160;
constexpr std::uint8_t kAllAnswers = 0b1111;

// A setting's value as the operator knows it: "9600", "8", "N", "1".
std::string valueText(unsigned char command, std::uint32_t value) {
    if (command == kSetParity)
        return std::string(1, value >= 1 && value <= 5 ? "NOEMS"[value - 1] : '?');
    if (command == kSetStopSize && value == 3)
        return "1.5";
    return std::to_string(value);
}

// How an answer reads in a warning: "at 4800 baud", "with 7 data bits".
std::string settingText(unsigned char command, std::uint32_t value) {
    const std::string v = valueText(command, value);
    switch (command) {
        case kSetBaudRate:
            return "at " + v + " baud";
        case kSetDataSize:
            return "with " + v + " data bits";
        case kSetParity:
            return "with parity " + v;
        default:
            return "with " + v + " stop bits";
    }
}

std::uint32_t askedValue(unsigned char command, const LineSettings& s) {
    switch (command) {
        case kSetBaudRate:
            return std::uint32_t(s.baud);
        case kSetDataSize:
            return std::uint32_t(s.dataBits);
        case kSetParity:
            return std::uint32_t(std::string_view("NOEMS").find(s.parity) + 1);
        default:
            return std::uint32_t(s.stopBits);
    }
}

}  // namespace

GatewaySession::Step GatewaySession::connected(bool telnet, const LineSettings& settings) {
    *this = GatewaySession{};
    m_isTelnet = telnet;
    m_phase = Phase::Opening;
    m_asked = settings;
    Step step;
    // A raw stream carries bytes from now on; over Telnet the settings, and the line's bytes,
    // follow once the gateway has agreed to the COM-PORT-OPTION.
    step.usable = !telnet;
    if (telnet)
        step.toGateway = m_telnet.begin();
    return step;
}

GatewaySession::Step GatewaySession::received(std::string_view bytes) {
    Step step;
    if (m_phase == Phase::Failed)
        return step;
    std::string data;
    if (m_isTelnet)
        m_telnet.decode(bytes, data, step.toGateway);
    else
        data = bytes;
    if (m_phase == Phase::Open) {
        step.data = std::move(data);
    } else {
        const bool overflow = m_seen.size() + data.size() > kHoldLimit;
        m_seen.append(data, 0, kHoldLimit - m_seen.size());
        // A raw stream that brings this much is no gateway's farewell.
        if (!m_isTelnet && overflow) {
            m_phase = Phase::Open;
            step.opened = true;
            step.data = std::exchange(m_held, {}) + data;
        } else {
            m_held.append(data, 0, kHoldLimit - std::min(kHoldLimit, m_held.size()));
            // After a write an answer is due, wanted long before the open is decided: it is
            // taken in once the stream has stayed up a moment after it, which a gateway that
            // sends its reason and closes never does.
            step.holdQuiet = !m_isTelnet && m_wroteWhileOpening && !data.empty();
        }
    }
    if (!m_isTelnet)
        return step;
    if (m_phase == Phase::Opening) {
        if (m_telnet.comPort() == TelnetCodec::ComPort::Refused) {
            Step failed = fail("the gateway does not offer RFC 2217 port control: use tcp://");
            failed.toGateway = std::move(step.toGateway);
            return failed;
        }
        if (m_telnet.comPort() == TelnetCodec::ComPort::Agreed && !m_settingsSent) {
            askSettings(step);
            step.usable = true;
        }
    }
    checkAnswers(step);
    return step;
}

void GatewaySession::askSettings(Step& step) {
    // What came before this request answers earlier ones (or nothing asked).
    checkAnswers(step);
    step.toGateway += TelnetCodec::comPortSettings(m_asked);
    m_requested = m_asked;
    for (std::uint8_t& pending : m_pending)
        pending = std::uint8_t(std::min(pending + 1, 255));
    m_outstanding = kAllAnswers;
    m_settingsSent = true;
    m_differs.clear();
}

void GatewaySession::checkAnswers(Step& step) {
    for (unsigned char command = kSetBaudRate; command <= kSetStopSize; ++command) {
        const auto answer = m_telnet.takeAnswer(command);
        std::uint8_t& pending = m_pending[command - 1];
        const std::uint8_t answered = answer ? std::min(answer->count, pending) : 0;
        if (answered == 0)
            continue;  // an answer to nothing asked counts for nothing
        pending = std::uint8_t(pending - answered);
        // The first answer to the speed is what makes the open usable.
        if (command == kSetBaudRate && m_phase == Phase::Opening) {
            m_phase = Phase::Open;
            step.opened = true;
            step.data = std::exchange(m_held, {});
            // What the panel wrote meanwhile goes now, at the speed it was meant for.
            TelnetCodec::encode(std::exchange(m_outHeld, {}), step.toGateway);
        }
        // Answers come in the order of the requests: only the answer to the last request says
        // how the line runs now (a speed chosen twice in a row is answered twice).
        if (pending > 0)
            continue;
        m_outstanding &= std::uint8_t(~(1u << (command - 1)));
        const std::uint32_t asked = askedValue(command, m_requested);
        if (answer->value != asked) {
            m_differs += (m_differs.empty() ? "runs " : "; runs ") +
                         settingText(command, answer->value) + ": the gateway refused " +
                         valueText(command, asked);
        }
    }
    if (m_outstanding == 0 && !m_differs.empty())
        step.warning = std::exchange(m_differs, {});
}

GatewaySession::Step GatewaySession::write(std::string_view data) {
    Step step;
    if (m_phase == Phase::Failed) {
        step.refused = true;
        return step;
    }
    if (m_phase == Phase::Opening && !data.empty()) {
        if (m_isTelnet) {
            if (m_outHeld.size() + data.size() > kHoldLimit) {
                step.refused = true;
                return step;
            }
            m_outHeld += data;
            m_wroteWhileOpening = true;
            return step;
        }
        m_wroteWhileOpening = true;
    }
    if (m_isTelnet)
        TelnetCodec::encode(data, step.toGateway);
    else
        step.toGateway = data;
    return step;
}

GatewaySession::Step GatewaySession::quiet() {
    // An answer to what was written came and the stream stayed up: the link works.
    Step step;
    if (m_phase == Phase::Opening && !m_isTelnet && m_wroteWhileOpening) {
        m_phase = Phase::Open;
        step.opened = true;
        step.data = std::exchange(m_held, {});
    }
    return step;
}

GatewaySession::Step GatewaySession::settled() {
    Step step;
    if (m_phase == Phase::Opening && !m_isTelnet) {
        m_phase = Phase::Open;
        step.opened = true;
        step.data = std::exchange(m_held, {});
    } else if (m_phase == Phase::Open && !m_differs.empty()) {
        // Settings the gateway never answered in full: say what the answers that came show.
        m_outstanding = 0;
        step.warning = std::exchange(m_differs, {});
    }
    return step;
}

GatewaySession::Step GatewaySession::timedOut() {
    if (m_phase != Phase::Opening)
        return {};
    std::string cause = !m_isTelnet ? "the gateway did not answer"
                        : m_telnet.comPort() == TelnetCodec::ComPort::Agreed
                            ? "the gateway did not answer the RFC 2217 port settings"
                            : "the gateway did not answer the RFC 2217 negotiation";
    if (const std::string reason = gatewayReason(m_seen); !reason.empty())
        cause += ": " + reason;
    return fail(std::move(cause));
}

std::string GatewaySession::reason() const {
    return gatewayReason(m_seen);
}

std::string GatewaySession::closed(std::string_view cause) {
    if (std::exchange(m_phase, Phase::Failed) != Phase::Opening)
        return std::string(cause);
    std::string text =
        cause == kCauseClosed ? "the gateway closed the connection" : std::string(cause);
    if (const std::string reason = gatewayReason(m_seen); !reason.empty())
        text += ": " + reason;
    return text;
}

GatewaySession::Step GatewaySession::setSettings(const LineSettings& settings) {
    m_asked = settings;
    Step step;
    if (m_isTelnet && m_phase != Phase::Failed &&
        m_telnet.comPort() == TelnetCodec::ComPort::Agreed) {
        askSettings(step);
    }
    return step;
}

GatewaySession::Step GatewaySession::fail(std::string cause) {
    m_phase = Phase::Failed;
    Step step;
    step.failure = std::move(cause);
    return step;
}

std::string gatewayReason(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const bool printable = c > ' ' && c < '\x7f';
        if (printable)
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
        if (out.size() >= kReasonLimit)
            break;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

}  // namespace r7k
