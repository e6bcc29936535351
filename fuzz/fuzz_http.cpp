// libFuzzer target: any bytes a client of the metrics endpoint sends, in any pieces, and any
// address text: a request gets the same response however it is cut, the metrics only with
// 200 to GET, one response at most; an address read back from its own text is the same.
// Byte 0 chooses the longest piece, byte 1 the cuts.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pjlink/http_responder.h"
#include "pjlink/net_address.h"

using namespace r7k::pjlink;

namespace {

void require(bool ok, const char* what) {
    if (!ok)
        std::fprintf(stderr, "http invariant broken: %s\n", what), std::abort();
}

HttpResponder::Step feed(std::string_view in, std::size_t longest, unsigned seed) {
    HttpResponder responder([] { return std::string("r7k_line_up 1\n"); });
    HttpResponder::Step last;
    while (!in.empty() && last.verdict == HttpResponder::Verdict::NeedMore) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t n = longest ? std::min(in.size(), 1 + (seed >> 16) % longest) : in.size();
        last = responder.take(in.substr(0, n));
        in.remove_prefix(n);
    }
    if (last.verdict == HttpResponder::Verdict::Respond)
        require(responder.take(in).verdict == HttpResponder::Verdict::Close, "a second answer");
    return last;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::string_view in(reinterpret_cast<const char*>(data) + 2, size - 2);
    const HttpResponder::Step whole = feed(in, 0, 0);
    const HttpResponder::Step cut = feed(in, data[0] % 16, data[1]);
    require(whole.verdict == cut.verdict && whole.bytes == cut.bytes, "cut differently");
    require(whole.bytes.empty() || whole.bytes.starts_with("HTTP/1.1 "), "not a response");
    require(whole.bytes.ends_with("r7k_line_up 1\n") == (whole.status == 200 && in[0] == 'G'),
            "metrics without a GET of them");
    for (const auto parse : {parseListenAddress, parseControllerAddress}) {
        const NetAddressResult first = parse(in);
        require(first.address.has_value() == first.error.empty(), "neither address nor error");
        if (!first.address)
            continue;
        const NetAddressResult again = parseListenAddress(first.address->hostPort());
        require(again.address && again.address->host == first.address->host &&
                    again.address->port == first.address->port,
                "an address that does not read back");
    }
    return 0;
}
