// libFuzzer target: any stream from a gateway, split anywhere, through the Telnet codec.
#include <cstdint>

#include "transport/gateway_session.h"
#include "transport/telnet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(bytes), size);
    r7k::TelnetCodec whole, split;
    std::string data, reply, splitData, splitReply, wire, back, none;
    whole.decode(in, data, reply);
    split.decode(in.substr(0, size / 3), splitData, splitReply);
    split.decode(in.substr(size / 3), splitData, splitReply);
    // Where a piece ends changes nothing, nothing comes out larger than went in, and what the
    // panel sends passes a gateway's decoding unchanged.
    r7k::TelnetCodec::encode(in, wire);
    r7k::TelnetCodec().decode(wire, back, none);
    // A gateway session on the same stream answers within bounds: the settings once (at most
    // 40 bytes, after 9 of its own greeting) and no more negotiation than came in.
    r7k::GatewaySession session;
    (void)session.connected(true, {9600, 'N', 8, 1});
    const auto step = session.received(in);
    if (splitData != data || splitReply != reply || data.size() + reply.size() > size ||
        back != in || !none.empty() || step.toGateway.size() > reply.size() + 40)
        __builtin_trap();
    return 0;
}
