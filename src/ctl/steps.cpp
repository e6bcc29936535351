#include "ctl/steps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace r7k::ctl {

const char* const kDescription =
    "Sends the control panel's commands and queries to an R7KM or R7K projector on a serial\n"
    "line and prints, for each step, the panel's status line (or, for a command that decodes\n"
    "nothing, its RXD line). Each step must get the answer its command is answered with: ACK\n"
    "for a command, a reply of the query's form for a query.\n"
    "\n"
    "Steps:\n"
    "  NAME            click a button of the panel: power-on, status, image-real, ...\n"
    "                  ('r7k-ctl list' shows every name with its code)\n"
    "  NAME:COUNT      hold a repeating button for COUNT sends at its pace (vol-up:5)\n"
    "  send CODE       send one typed command as the panel's command entry does (send CR7)\n"
    "  wait SECONDS    pause; fractions allowed (wait 2.5)\n"
    "\n"
    "Exit status: 0 every step got its answer; 2 usage error; 3 a step got no reply in time;\n"
    "4 the port could not be opened or was lost; 5 the projector answered NAK; 6 a step got\n"
    "an answer other than its command's (the wrong device, or a device that echoes).";
namespace {

constexpr std::string_view kSend = "send";
constexpr std::string_view kWait = "wait";
constexpr std::string_view kList = "list";

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Edit distance, case ignored: how many letters to change, add or remove.
std::size_t distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t change = diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min({change, above + 1, row[j - 1] + 1});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::vector<std::string_view> allNames() {
    std::vector<std::string_view> names;
    for (const auto& b : kOneShotButtons)
        names.push_back(b.stepName);
    for (const auto& b : kHoldButtons)
        names.push_back(b.stepName);
    names.insert(names.end(), {kSend, kWait});
    return names;
}

std::string unknownStep(std::string_view word) {
    std::string text = "unknown step '" + std::string(word) + "'";
    // Someone who knows the codes may type one: say which button sends it.
    for (const auto& b : kOneShotButtons) {
        if (b.code == word) {
            return text + "; " + std::string(b.code) + " is what " + std::string(b.stepName) +
                   " sends (or use: send " + std::string(word) + ")";
        }
    }
    const auto near = nearestNames(word);
    if (!near.empty()) {
        text += "; did you mean ";
        for (std::size_t i = 0; i < near.size(); ++i)
            text += (i == 0 ? "" : i + 1 == near.size() ? " or " : ", ") + std::string(near[i]);
        text += "?";
    }
    return text + " ('r7k-ctl list' shows every name)";
}

// Seconds written as digits with an optional fraction ("2", "0.5"), within the limit.
std::optional<milliseconds> seconds(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (ec != std::errc{} || ptr != end || text.empty() || text[0] == '-' || !std::isfinite(value))
        return std::nullopt;
    const double ms = std::round(value * 1000);
    if (ms > static_cast<double>(kMaxWait.count()))
        return std::nullopt;
    return milliseconds{static_cast<long long>(ms)};
}

// Empty, or why a typed command cannot be sent as one command: a CR or LF inside would end it
// early and start another, and other control bytes are no part of any command.
std::string unsendable(std::string_view code) {
    if (code.empty())
        return "send: the command is empty (send CR0)";
    for (std::size_t i = 0; i < code.size(); ++i) {
        const auto c = static_cast<unsigned char>(code[i]);
        if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", c);
            return "send: the command holds the control character " + std::string(hex) +
                   " at position " + std::to_string(i + 1) +
                   "; send takes one command, without CR or LF (send CR0)";
        }
    }
    return {};
}

std::optional<int> count(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || value < 1 || value > kMaxHoldCount)
        return std::nullopt;
    return value;
}

}  // namespace

std::vector<std::string_view> nearestNames(std::string_view word, std::size_t most) {
    struct Candidate {
        std::size_t score;
        std::size_t order;
        std::string_view name;
    };
    std::vector<Candidate> candidates;
    const std::vector<std::string_view> names = allNames();
    const std::size_t tolerance = std::max<std::size_t>(2, word.size() / 3);
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::size_t score = distance(word, names[i]);
        // "lens" or "terminal-4" should lead to the names that contain them.
        if (word.size() >= 3 && names[i].find(word) != std::string_view::npos)
            score = 0;
        if (score <= tolerance)
            candidates.push_back({score, i, names[i]});
    }
    std::ranges::sort(candidates, [](const Candidate& a, const Candidate& b) {
        return a.score != b.score ? a.score < b.score : a.order < b.order;
    });
    // Only the close ones: a name two edits further than the best is no help.
    std::vector<std::string_view> best;
    for (std::size_t i = 0; i < candidates.size() && i < most; ++i) {
        if (candidates[i].score <= candidates[0].score + 1)
            best.push_back(candidates[i].name);
    }
    return best;
}

ParsedSteps parseSteps(const std::vector<std::string>& words) {
    ParsedSteps parsed;
    auto fail = [&parsed](std::string message) {
        parsed.steps.clear();
        parsed.error = std::move(message);
        return parsed;
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        // Step names in any case ("STATUS", "Send"); what follows "send" keeps its own.
        const std::string& typed = words[i];
        std::string word = typed;
        std::transform(word.begin(), word.end(), word.begin(), lower);
        Step step;
        step.word = word;
        if (word == kSend || word == kWait) {
            if (i + 1 == words.size()) {
                return fail(word == kSend ? "'send' needs the command to send (send CR0)"
                                          : "'wait' needs the seconds to wait (wait 2.5)");
            }
            const std::string& value = words[++i];
            step.word += " " + value;
            if (word == kSend) {
                if (auto why = unsendable(value); !why.empty())
                    return fail(std::move(why));
                step.kind = StepKind::Send;
                step.text = value;
            } else {
                const auto ms = seconds(value);
                if (!ms) {
                    return fail("wait " + value +
                                ": expected seconds from 0 to 86400, digits with an optional "
                                "fraction (wait 2.5)");
                }
                step.kind = StepKind::Wait;
                step.wait = *ms;
            }
        } else if (word == kList) {
            return fail("'list' stands alone: r7k-ctl list");
        } else if (word.starts_with("-")) {
            return fail("'" + typed + "': options go before the steps");
        } else {
            const std::size_t colon = word.find(':');
            const std::string_view name = std::string_view(word).substr(0, colon);
            if (const auto* held = findHoldStep(name)) {
                step.kind = StepKind::Hold;
                step.hold = held;
                if (colon != std::string::npos) {
                    const auto n = count(std::string_view(word).substr(colon + 1));
                    if (!n) {
                        return fail(typed +
                                    ": the count after ':' must be a whole number from 1 "
                                    "to " +
                                    std::to_string(kMaxHoldCount));
                    }
                    step.count = *n;
                }
            } else if (const auto* button = findOneShotStep(name)) {
                if (colon != std::string::npos) {
                    return fail(typed + ": only held buttons take a count (vol-up:5); " +
                                std::string(name) + " sends once per step");
                }
                step.kind = StepKind::OneShot;
                step.oneShot = button;
            } else {
                return fail(unknownStep(typed));
            }
        }
        parsed.steps.push_back(std::move(step));
    }
    return parsed;
}

std::string stepListing() {
    std::string out;
    auto line = [&out](std::string_view name, std::string_view kind, std::string_view code) {
        char buffer[128];
        std::snprintf(buffer, sizeof buffer, "%-24.*s%-10.*s", static_cast<int>(name.size()),
                      name.data(), static_cast<int>(kind.size()), kind.data());
        out += buffer;
        out += code;
        out += '\n';
    };
    for (const auto& b : kOneShotButtons)
        line(b.stepName, "one-shot", b.code);
    for (const auto& b : kHoldButtons)
        line(b.stepName, "hold", b.code);
    return out;
}

}  // namespace r7k::ctl
