#include "pjlink/metrics.h"

#include <array>
#include <charconv>
#include <string_view>

#include "pjlink/mapping.h"

namespace r7k::pjlink {

namespace {

using session::Query;
using session::Value;

constexpr std::array<std::string_view, 5> kPowerNames{"on", "standby", "warming_up", "cooling_down",
                                                      "power_fail"};
constexpr std::array<std::string_view, 5> kWarningNames{
    "no_key_input", "lamp_off_by_power_management", "temperature", "temperature_recovered",
    "all_lamps_failed"};
// PJLink's ERST digits in order.
constexpr std::array<std::string_view, 6> kErrorParts{"fan",        "lamp",   "temperature",
                                                      "cover_open", "filter", "other"};

std::string number(double value) {
    std::array<char, 32> text{};
    const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), value);
    return std::string(text.data(), ec == std::errc{} ? end : text.data());
}

class Writer {
  public:
    void family(std::string_view name, std::string_view type, std::string_view help) {
        m_text.append("# HELP r7k_").append(name).append(" ").append(help).append("\n");
        m_text.append("# TYPE r7k_").append(name).append(" ").append(type).append("\n");
    }
    // "r7k_NAME{LABELS} VALUE"; `labels` already in the form a="b",c="d".
    void sample(std::string_view name, std::string_view labels, std::string_view value) {
        m_text.append("r7k_").append(name);
        if (!labels.empty())
            m_text.append("{").append(labels).append("}");
        m_text.append(" ").append(value).append("\n");
    }
    std::string take() { return std::move(m_text); }

  private:
    std::string m_text;
};

std::string label(std::string_view name, std::string_view value) {
    return std::string(name) + "=\"" + std::string(value) + "\"";
}

// The query's value when it came lately enough, else none.
template <typename T>
const T* shown(const MetricsSource& source, Query query) {
    const auto& seen = source.state.last(query);
    if (!seen || source.now - seen->at > kShownFor)
        return nullptr;
    return std::get_if<T>(&seen->value);
}

void line(Writer& out, const MetricsSource& source) {
    out.family("line_up", "gauge", "Whether the projector answers on its serial line (1) or not.");
    out.sample("line_up", "", source.answering ? "1" : "0");
    if (!source.answered)
        return;
    out.family("line_silent_seconds", "gauge", "Seconds since the line last answered.");
    out.sample("line_silent_seconds", "",
               number(std::chrono::duration<double>(source.now - *source.answered).count()));
}

void status(Writer& out, const MetricsSource& source) {
    const auto* s = shown<session::PowerStatus>(source, Query::Status);
    if (!s)
        return;
    out.family("power_state", "gauge", "The projector's power state: 1 for the state it is in.");
    for (std::size_t i = 0; i < kPowerNames.size(); ++i)
        out.sample("power_state", label("state", kPowerNames[i]),
                   static_cast<std::size_t>(s->power) == i ? "1" : "0");
    out.family("warning", "gauge", "The warnings of the power status (1: present).");
    for (std::size_t i = 0; i < kWarningNames.size(); ++i)
        out.sample("warning", label("warning", kWarningNames[i]),
                   s->has(session::Warning(1u << i)) ? "1" : "0");
    out.family("error", "gauge", "PJLink's error status by part: 0 none, 1 warning, 2 error.");
    const std::string digits = errorDigits(*s);
    for (std::size_t i = 0; i < kErrorParts.size() && i < digits.size(); ++i)
        out.sample("error", label("part", kErrorParts[i]), std::string(1, digits[i]));
}

void readings(Writer& out, const MetricsSource& source) {
    if (const auto* h = shown<session::LampHours>(source, Query::LampHours)) {
        out.family("lamp_hours", "gauge", "Hours the lamp has run.");
        out.sample("lamp_hours", "", std::to_string(h->hours));
    }
    if (const auto* l = shown<session::LampState>(source, Query::LampState)) {
        out.family("lamp_lit", "gauge", "Whether each lamp in use is lit (1) or not.");
        for (const int lamp : {1, 2})
            if (l->inUse(lamp))
                out.sample("lamp_lit", label("lamp", std::to_string(lamp)),
                           l->isLit(lamp) ? "1" : "0");
    }
    if (const auto* t = shown<session::Temperatures>(source, Query::Temperatures)) {
        out.family("temperature_celsius", "gauge", "The three sensors' temperatures.");
        for (std::size_t i = 0; i < t->text.size(); ++i)
            out.sample("temperature_celsius", label("sensor", std::to_string(i + 1)), t->text[i]);
    }
    if (const auto* p = shown<session::Pressure>(source, Query::Pressure)) {
        out.family("pressure_hpa", "gauge", "The air pressure the projector measures, in hPa.");
        out.sample("pressure_hpa", "", std::to_string(p->hpa));
    }
    if (const auto* i = shown<session::Input>(source, Query::Input)) {
        out.family("input", "gauge", "The input selected, 1 to 4.");
        out.sample("input", "", std::to_string(i->number));
    }
}

void requests(Writer& out, const MetricsSource& source) {
    const RequestCounts& counts = source.requests;
    out.family("pjlink_controllers", "gauge", "PJLink connections open.");
    out.sample("pjlink_controllers", "", std::to_string(source.controllers));
    out.family("pjlink_requests_total", "counter", "PJLink requests by command and answer.");
    for (std::size_t c = 0; c < RequestCounts::kCommands; ++c) {
        for (std::size_t a = 0; a < RequestCounts::kAnswers.size(); ++a) {
            if (const auto n = counts.requests(c, a))
                out.sample("pjlink_requests_total",
                           label("command", RequestCounts::command(c)) + "," +
                               label("answer", RequestCounts::kAnswers[a]),
                           std::to_string(n));
        }
    }
    out.family("pjlink_request_duration_seconds", "histogram",
               "How long PJLink requests took to be answered.");
    for (std::size_t b = 0; b <= RequestCounts::kBuckets.size(); ++b) {
        const bool last = b == RequestCounts::kBuckets.size();
        out.sample("pjlink_request_duration_seconds_bucket",
                   label("le", last ? "+Inf" : number(RequestCounts::kBuckets[b])),
                   std::to_string(counts.within(b)));
    }
    out.sample("pjlink_request_duration_seconds_sum", "", number(counts.seconds()));
    out.sample("pjlink_request_duration_seconds_count", "", std::to_string(counts.total()));
}

}  // namespace

std::string renderMetrics(const MetricsSource& source) {
    Writer out;
    line(out, source);
    status(out, source);
    readings(out, source);
    requests(out, source);
    return out.take();
}

std::string renderMetrics(const session::Projector& projector, std::size_t controllers,
                          const RequestCounts& requests) {
    return renderMetrics({projector.state(), projector.answering(), projector.answeredAt(),
                          projector.now(), controllers, requests});
}

}  // namespace r7k::pjlink
