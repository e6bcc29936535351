// libFuzzer target: any bytes from a PJLink controller, in any pieces, with and without a
// password, through the session and the mapping: whatever comes in, a request is read the same
// however it is cut, is answered by one row of the mapping or an error, and a datagram is
// answered only when it is a search. Byte 0 chooses the password (bit 0) and longest piece,
// byte 1 the cuts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "pjlink/mapping.h"
#include "pjlink/notices.h"

using namespace r7k;

namespace {

// The digest of greeting 5a1c03e7 and password "secret".
constexpr std::string_view kDigest = "70463d8e97ce5d9fe1e7e0b864dfd93d";

void require(bool ok, const char* what) {
    if (!ok)
        std::fprintf(stderr, "pjlink invariant broken: %s\n", what), std::abort();
}

std::string text(const pjlink::Request& r) {  // "1POWR ?"
    return r.cls + r.body + (r.param.empty() ? "" : " " + r.param) + (r.overLong ? "+" : "");
}

struct Outcome {
    std::vector<std::string> requests;
    std::string close;  // reply and reason, once closed
};

Outcome feed(std::string_view in, bool password, std::size_t longest, unsigned seed) {
    pjlink::Session session(password ? std::string(kDigest) : "");
    Outcome out;
    while (!in.empty()) {
        seed = seed * 1103515245u + 12345u;
        const std::size_t n = longest ? std::min(in.size(), 1 + (seed >> 16) % longest) : in.size();
        const pjlink::Intake intake = session.take(in.substr(0, n));
        in.remove_prefix(n);
        require(out.close.empty() || intake.requests.empty(), "a request after a close");
        for (const pjlink::Request& r : intake.requests)
            out.requests.push_back(text(r));
        if (intake.close && out.close.empty())
            out.close = intake.reply + intake.why;
    }
    return out;
}

void checkMapping(const pjlink::Request& request) {
    const pjlink::Found found = pjlink::find(request);
    require((found.row == nullptr) != found.error.empty(), "a row and an error, or neither");
    if (!found.row)
        return require(found.error == "ERR1" || found.error == "ERR2", "an error of another kind");
    const pjlink::Row& row = *found.row;
    require(row.body == request.body && row.param == request.param, "another request's row");
    require(request.cls == '2' || row.cls == '1', "a class 2 body answered to class 1");
    if (row.does == pjlink::Does::Identity) {
        const std::string line =
            pjlink::response(request, pjlink::identityAnswer(row, pjlink::Identity{}));
        require(line.find_first_of("\r\n") == line.size() - 1, "a CR or LF inside an answer");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const bool password = data[0] & 1;
    const std::string_view in(reinterpret_cast<const char*>(data + 2), size - 2);
    const Outcome whole = feed(in, password, 0, 0);
    const Outcome cut = feed(in, password, 1 + (data[0] >> 1), data[1]);
    require(cut.requests == whole.requests && cut.close == whole.close, "pieces change requests");
    for (const std::string& line : whole.requests) {
        require(line.size() + 2 <= pjlink::kMaxLine, "a request longer than a line");
        if (line.ends_with('+'))
            continue;  // an over-long line's request, answered ERR2 whatever it holds
        const auto request = pjlink::parseRequest("%" + line);
        require(request && text(*request) == line, "a request read back otherwise");
        checkMapping(*request);
    }
    // The same bytes as a datagram: answered only when they are a search, and then alike.
    if (const auto answer = pjlink::searchAnswer(in, "0A:0B:0C:0D:0E:0F"))
        require(*answer == "%2ACKN=0A:0B:0C:0D:0E:0F\r" && in.size() <= 8 && in[0] == '%',
                "an answer to no search");
    return 0;
}
