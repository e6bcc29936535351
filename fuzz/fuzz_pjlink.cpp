// libFuzzer target: any bytes from a PJLink controller, in any pieces, with and without a
// password, through the session and the mapping: whatever comes in, the projector gets only
// mapped commands, and a datagram is answered only when it is a search. Byte 0 chooses the
// password (bit 0) and longest piece, byte 1 the cuts.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "ctl/steps.h"
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
    return r.cls + r.body + (r.param.empty() ? "" : " " + r.param);
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

void checkPlan(const pjlink::Request& request) {
    const pjlink::Plan plan = pjlink::planFor(request, pjlink::Identity{});
    const std::string line = pjlink::response(request, plan.now.value_or("?"));
    require(line.find_first_of("\r\n") == line.size() - 1, "a CR or LF inside an answer");
    require(plan.now ? plan.steps.empty() && plan.check.empty()
                     : plan.answer && !plan.steps.empty() && (plan.check.empty() || plan.gate),
            "a plan that cannot run");
    for (const auto* words : {&plan.check, &plan.steps}) {
        const ctl::ParsedSteps parsed = ctl::parseSteps(*words);
        require(parsed.error.empty(), "a step r7k-ctl does not know");
        for (const ctl::Step& s : parsed.steps)
            require(s.count == 1 && s.kind != ctl::StepKind::Wait &&
                        (s.kind != ctl::StepKind::Send || s.text == "CRA" || s.text == "CR7"),
                    "a step outside the mapping");
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
    // A line longer than allowed (the digest's 32 bytes besides, first) closes the session.
    std::size_t start = 0, allowance = pjlink::kMaxLine - 1 + (password ? 32 : 0);
    for (std::size_t end; start <= in.size(); start = end + 1, allowance = pjlink::kMaxLine - 1) {
        end = std::min(in.find('\r', start), in.size());
        require(end - start <= allowance || !whole.close.empty(), "an overlong line taken");
    }
    for (const std::string& line : whole.requests) {
        require(line.size() + 2 <= pjlink::kMaxLine, "a request longer than a line");
        const auto request = pjlink::parseRequest("%" + line);
        require(request && text(*request) == line, "a request read back otherwise");
        checkPlan(*request);
    }
    // The same bytes as a datagram: answered only when they are a search, and then alike.
    if (const auto answer = pjlink::searchAnswer(in, "0A:0B:0C:0D:0E:0F"))
        require(*answer == "%2ACKN=0A:0B:0C:0D:0E:0F\r" && in.size() <= 8 && in[0] == '%',
                "an answer to no search");
    return 0;
}
