#include "ctl/json_line.h"

#include <charconv>

#include "base/json_text.h"

namespace r7k::ctl {
namespace {

void appendKey(std::string& out, std::string_view key) {
    out += out.size() == 1 ? "\"" : ",\"";
    out += key;
    out += "\":";
}

}  // namespace

std::string jsonLine(const StepResult& result) {
    std::string o = "{";
    appendKey(o, "outcome");
    appendJsonBytes(o, outcomeName(result.outcome));
    appendKey(o, "received");
    appendJsonBytes(o, result.received);
    appendKey(o, "rtt_ms");
    // Milliseconds with up to three decimals, written in full (never an exponent).
    char number[64];
    const double ms = static_cast<double>(result.roundTrip.count()) / 1000.0;
    const auto written =
        std::to_chars(number, number + sizeof number, ms, std::chars_format::fixed);
    o.append(number, written.ptr);
    appendKey(o, "rxd");
    appendJsonBytes(o, result.rxd);
    appendKey(o, "sends");
    o += std::to_string(result.sends);
    appendKey(o, "sent");
    appendJsonBytes(o, result.sent);
    appendKey(o, "status");
    if (result.status)
        appendJsonBytes(o, *result.status);
    else
        o += "null";
    appendKey(o, "step");
    appendJsonText(o, result.step ? result.step->word : std::string());
    appendKey(o, "txd");
    appendJsonBytes(o, result.txd);
    appendKey(o, "value");
    o += result.value ? result.value->json : "null";
    o += "}\n";
    return o;
}

}  // namespace r7k::ctl
