#include "pjlink/net_address.h"

#include <charconv>
#include <cstdlib>

namespace r7k::pjlink {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHex(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Groups of up to four hex digits between colons; `groups` counts them, an IPv4 tail as two.
bool hexGroups(std::string_view text, int& groups) {
    groups = 0;
    if (text.empty())
        return true;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        const std::string_view group = text.substr(start, colon - start);
        if (colon == std::string_view::npos && group.find('.') != std::string_view::npos) {
            groups += 2;
            return isIPv4(group);
        }
        if (group.empty() || group.size() > 4)
            return false;
        for (const char c : group)
            if (!isHex(c))
                return false;
        ++groups;
        if (colon == std::string_view::npos)
            return true;
        start = colon + 1;
    }
}

std::optional<std::uint16_t> portNumber(std::string_view text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || !isDigit(text[0]) || ec != std::errc{} || stop != end || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

bool isIPv4(std::string_view text) {
    int parts = 0;
    std::size_t start = 0;
    while (parts < 4) {
        const std::size_t dot = text.find('.', start);
        const std::string_view part = text.substr(start, dot - start);
        unsigned value = 0;
        const auto [stop, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || part.size() > 3 || !isDigit(part[0]) || ec != std::errc{} ||
            stop != part.data() + part.size() || value > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return parts == 4 && text.find('.', start) == std::string_view::npos;
}

bool isIPv6(std::string_view text) {
    if (const std::size_t zone = text.find('%'); zone != std::string_view::npos) {
        if (zone + 1 == text.size())
            return false;
        text = text.substr(0, zone);
    }
    const std::size_t gap = text.find("::");
    int head = 0;
    int tail = 0;
    if (gap == std::string_view::npos)
        return hexGroups(text, head) && head == 8;
    const std::string_view after = text.substr(gap + 2);
    return after.find("::") == std::string_view::npos && hexGroups(text.substr(0, gap), head) &&
           hexGroups(after, tail) && head + tail <= 7;
}

bool NetAddress::isLoopback() const {
    return v6 ? host == "::1" || host == "0:0:0:0:0:0:0:1" : host.starts_with("127.");
}

bool NetAddress::isAny() const {
    return v6 ? host.find_first_not_of(":0") == std::string::npos : host == "0.0.0.0";
}

std::string NetAddress::hostPort() const {
    const std::string name = v6 ? "[" + host + "]" : host;
    return name + ":" + std::to_string(port);
}

NetAddressResult parseListenAddress(std::string_view text) {
    NetAddressResult out;
    const std::size_t colon = text.rfind(':');
    const auto port = portNumber(text.substr(colon == std::string_view::npos ? 0 : colon + 1));
    if (!port) {
        out.error = "the port must be a number from 0 to 65535";
        return out;
    }
    NetAddress address;
    address.text = std::string(text);
    address.port = *port;
    std::string_view host = colon == std::string_view::npos ? "127.0.0.1" : text.substr(0, colon);
    // A bare IPv6 address would be ambiguous with the port's colon.
    const bool bracketed = host.size() >= 2 && host.front() == '[' && host.back() == ']';
    if (bracketed)
        host = host.substr(1, host.size() - 2);
    if (host == "localhost")
        host = "127.0.0.1";
    address.v6 = bracketed;
    if (bracketed ? !isIPv6(host) : !isIPv4(host)) {
        out.error = "expected an IPv4 address, an IPv6 address in brackets or localhost";
        return out;
    }
    address.host = std::string(host);
    out.address = std::move(address);
    return out;
}

NetAddressResult parseControllerAddress(std::string_view text) {
    const bool hasPort = text.starts_with('[') ? text.find("]:") != std::string_view::npos
                                               : text.find(':') != std::string_view::npos;
    NetAddressResult out =
        parseListenAddress(hasPort ? std::string(text) : std::string(text) + ":0");
    if (!out.address)
        return out;
    out.address->text = std::string(text);
    if (out.address->isAny() || out.address->host == "255.255.255.255") {
        out.address.reset();
        out.error = "expected the controller's own address, not every or a broadcast address";
    }
    return out;
}

}  // namespace r7k::pjlink
