#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "transport/line_settings.h"

namespace r7k {

namespace telnet {
inline constexpr unsigned char kSe = 240;
inline constexpr unsigned char kSb = 250;
inline constexpr unsigned char kWill = 251;
inline constexpr unsigned char kWont = 252;
inline constexpr unsigned char kDo = 253;
inline constexpr unsigned char kDont = 254;
inline constexpr unsigned char kIac = 255;
inline constexpr unsigned char kBinary = 0;
inline constexpr unsigned char kSuppressGoAhead = 3;
inline constexpr unsigned char kComPortOption = 44;
// COM-PORT-OPTION commands from the client; the gateway answers each with the same plus 100.
inline constexpr unsigned char kSetBaudRate = 1;
inline constexpr unsigned char kSetDataSize = 2;
inline constexpr unsigned char kSetParity = 3;
inline constexpr unsigned char kSetStopSize = 4;
inline constexpr unsigned char kServerOffset = 100;
}  // namespace telnet

// The client's side of Telnet to a serial-to-network gateway: takes the line's bytes out of
// the received stream, answers the gateway's negotiation (binary both ways, suppress go-ahead
// and the COM-PORT-OPTION are accepted, everything else refused), and builds what goes out.
// Incremental: a command may be split anywhere between two pieces. Of the gateway's
// subnegotiations only its answers to the four settings are kept, the latest of each, so no
// input can make the codec hold more than its few states.
class TelnetCodec {
  public:
    // Whether the gateway agreed to the COM-PORT-OPTION the client offered.
    enum class ComPort : std::uint8_t { Asked, Agreed, Refused };
    // Requests for one option beyond which the gateway is no longer answered: each answer
    // follows a change of state, so this bounds what a peer that keeps asking can get.
    static constexpr int kMaxChanges = 8;

    // Starts a new connection: forgets all state and returns the options the client asks for.
    std::string begin();
    // Appends the data bytes in `received` to `data` and the answers owed to the gateway to
    // `reply`.
    void decode(std::string_view received, std::string& data, std::string& reply);
    // Appends data bytes as they go on the wire (0xFF doubled) to `wire`.
    static void encode(std::string_view data, std::string& wire);
    // SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for a line setting.
    static std::string comPortSettings(const LineSettings& settings);

    ComPort comPort() const { return m_comPort; }
    // The gateway's answers to SET-BAUDRATE (1), -DATASIZE (2), -PARITY (3) or -STOPSIZE (4)
    // that came since the last call, if any did: the last one's value as a number, and how
    // many came (so that answers can be matched to requests in order).
    struct ComPortAnswer {
        std::uint32_t value = 0;
        std::uint8_t count = 0;
    };
    std::optional<ComPortAnswer> takeAnswer(unsigned char command);

  private:
    enum class State : std::uint8_t { Data, Iac, Option, Sub, SubIac };
    // One side of one option: in force, asked for and not yet answered, refused once, and how
    // often its state changed.
    struct Side {
        bool on = false;
        bool asked = false;
        bool refused = false;
        std::uint8_t changes = 0;
    };
    static constexpr std::size_t kSubKept = 6;  // option, command and a four-byte value

    void command(unsigned char c);
    void negotiate(unsigned char verb, unsigned char option, std::string& reply);
    void keepSub(unsigned char c);
    void subnegotiation();

    State m_state = State::Data;
    unsigned char m_verb = 0;
    std::array<Side, 256> m_us{};   // options we perform (WILL / WONT)
    std::array<Side, 256> m_him{};  // options the gateway performs (DO / DONT)
    ComPort m_comPort = ComPort::Asked;
    std::array<unsigned char, kSubKept> m_sub{};  // the start of the subnegotiation being read
    std::size_t m_subSize = 0;                    // its length so far (may pass kSubKept)
    std::array<ComPortAnswer, 4> m_answers{};     // count 0: none since the last take
};

}  // namespace r7k
