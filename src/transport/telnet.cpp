#include "transport/telnet.h"

#include <cstring>
#include <utility>

namespace r7k {

using namespace telnet;

namespace {

bool accepted(unsigned char option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPortOption;
}

void put(std::string& out, std::initializer_list<unsigned char> bytes) {
    for (unsigned char b : bytes)
        out += static_cast<char>(b);
}

// One COM-PORT-OPTION subnegotiation with its value bytes, 0xFF doubled.
void subOption(std::string& out, unsigned char command, std::string_view value) {
    put(out, {kIac, kSb, kComPortOption, command});
    TelnetCodec::encode(value, out);
    put(out, {kIac, kSe});
}

}  // namespace

std::string TelnetCodec::begin() {
    *this = TelnetCodec{};
    std::string out;
    // Binary both ways: every byte value passes, and CR is not followed by NUL or LF.
    put(out, {kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kWill, kComPortOption});
    m_us[kBinary].asked = true;
    m_him[kBinary].asked = true;
    m_us[kComPortOption].asked = true;
    return out;
}

void TelnetCodec::decode(std::string_view received, std::string& data, std::string& reply) {
    std::size_t i = 0;
    while (i < received.size()) {
        if (m_state == State::Data) {
            // The line's bytes pass in runs up to the next IAC.
            const void* iac = std::memchr(received.data() + i, kIac, received.size() - i);
            const std::size_t end =
                iac ? std::size_t(static_cast<const char*>(iac) - received.data())
                    : received.size();
            data.append(received.substr(i, end - i));
            if (end == received.size())
                return;
            i = end + 1;
            m_state = State::Iac;
            continue;
        }
        const auto c = static_cast<unsigned char>(received[i++]);
        switch (m_state) {
            case State::Iac:
                if (c == kIac) {
                    data += static_cast<char>(kIac);
                    m_state = State::Data;
                } else {
                    command(c);
                }
                break;
            case State::Option:
                negotiate(m_verb, c, reply);
                m_state = State::Data;
                break;
            case State::Sub:
                if (c == kIac)
                    m_state = State::SubIac;
                else
                    keepSub(c);
                break;
            case State::SubIac:
                if (c == kIac) {
                    m_state = State::Sub;  // a doubled 0xFF in a value
                    keepSub(c);
                } else if (c == kSe) {
                    m_state = State::Data;
                    subnegotiation();
                } else {
                    // A subnegotiation cut short by another command: drop it and take the
                    // command, rather than reading the line's data as part of it.
                    command(c);
                }
                break;
            case State::Data:
                break;
        }
    }
}

void TelnetCodec::command(unsigned char c) {
    m_state = State::Data;
    if (c == kWill || c == kWont || c == kDo || c == kDont) {
        m_verb = c;
        m_state = State::Option;
    } else if (c == kSb) {
        m_state = State::Sub;
        m_subSize = 0;
    }
    // Anything else (NOP, go-ahead, break, a stray SE ...) means nothing to a serial line.
}

// Answers as RFC 1143 does, so that neither side loops: a request is answered only when it
// changes an option's state, an answer to our own request is not answered again, an option
// is refused once, and an option whose state keeps changing is at last left as it is.
void TelnetCodec::negotiate(unsigned char verb, unsigned char option, std::string& reply) {
    const bool his = verb == kWill || verb == kWont;
    const bool enable = verb == kWill || verb == kDo;
    Side& side = his ? m_him[option] : m_us[option];
    const unsigned char yes = his ? kDo : kWill;
    const unsigned char no = his ? kDont : kWont;
    const bool asked = std::exchange(side.asked, false);
    if (side.changes >= kMaxChanges)
        return;
    if (enable && !side.on) {
        if (!accepted(option)) {
            if (!std::exchange(side.refused, true))
                put(reply, {kIac, no, option});
            return;
        }
        side.on = true;
        ++side.changes;
        if (!asked)
            put(reply, {kIac, yes, option});
    } else if (!enable && side.on) {
        side.on = false;
        ++side.changes;
        put(reply, {kIac, no, option});
    }
    if (!his && option == kComPortOption)
        m_comPort = side.on ? ComPort::Agreed : ComPort::Refused;
}

void TelnetCodec::keepSub(unsigned char c) {
    if (m_subSize < kSubKept)
        m_sub[m_subSize] = c;
    ++m_subSize;
}

// Keeps the gateway's answers to the settings (the client's command plus 100, with a value
// of the right length); its other notices (signature, line and modem state) need nothing.
void TelnetCodec::subnegotiation() {
    const unsigned char command = m_sub[1] - kServerOffset;
    const std::size_t length = command == kSetBaudRate ? 6 : 3;
    if (m_subSize != length || m_sub[0] != kComPortOption || command < kSetBaudRate ||
        command > kSetStopSize) {
        return;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < length; ++i)
        value = value << 8 | m_sub[i];
    ComPortAnswer& answer = m_answers[command - 1];
    answer.value = value;
    if (answer.count < 255)
        ++answer.count;
}

std::optional<TelnetCodec::ComPortAnswer> TelnetCodec::takeAnswer(unsigned char command) {
    if (command < kSetBaudRate || command > kSetStopSize || m_answers[command - 1].count == 0)
        return std::nullopt;
    return std::exchange(m_answers[command - 1], ComPortAnswer{});
}

void TelnetCodec::encode(std::string_view data, std::string& wire) {
    for (;;) {
        const std::size_t iac = data.find(static_cast<char>(kIac));
        if (iac == std::string_view::npos) {
            wire.append(data);
            return;
        }
        wire.append(data.substr(0, iac + 1));
        wire += static_cast<char>(kIac);
        data.remove_prefix(iac + 1);
    }
}

std::string TelnetCodec::comPortSettings(const LineSettings& s) {
    const auto baud = static_cast<std::uint32_t>(s.baud);
    const char speed[] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    // RFC 2217 values: parity 1 none, 2 odd, 3 even, 4 mark, 5 space; stop size 1 one, 2 two.
    const std::string_view parities = "NOEMS";
    const char parity = char(parities.find(s.parity) + 1);
    std::string out;
    subOption(out, kSetBaudRate, std::string_view(speed, sizeof speed));
    subOption(out, kSetDataSize, std::string(1, char(s.dataBits)));
    subOption(out, kSetParity, std::string(1, parity));
    subOption(out, kSetStopSize, std::string(1, char(s.stopBits)));
    return out;
}

}  // namespace r7k
