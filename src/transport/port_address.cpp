#include "transport/port_address.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace r7k {
namespace {

constexpr std::string_view kSeparator = "://";

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool isIpv6Char(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

PortAddressResult failure(std::string why) {
    return {std::nullopt, std::move(why)};
}

}  // namespace

std::string PortAddress::hostPort() const {
    const bool ipv6 = host.find(':') != std::string::npos;
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string PortAddress::text() const {
    switch (kind) {
        case PortKind::Tcp:
            return "tcp://" + hostPort();
        case PortKind::Rfc2217:
            return "rfc2217://" + hostPort();
        case PortKind::Device:
            break;
    }
    return device;
}

PortAddressResult parsePortAddress(std::string_view text) {
    if (text.empty())
        return failure("no device or address given");
    const std::size_t separator = text.find(kSeparator);
    if (separator == std::string_view::npos)
        return {PortAddress{PortKind::Device, std::string(text), {}, 0}, {}};

    PortAddress a;
    const std::string scheme = lower(text.substr(0, separator));
    if (scheme == "tcp") {
        a.kind = PortKind::Tcp;
    } else if (scheme == "rfc2217") {
        a.kind = PortKind::Rfc2217;
    } else {
        return failure("unknown scheme \"" + std::string(text.substr(0, separator)) +
                       "://\"; a gateway is tcp://HOST:PORT or rfc2217://HOST:PORT");
    }
    const std::string_view rest = text.substr(separator + kSeparator.size());
    std::string_view host;
    std::string_view port;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return failure("no \"]\" after the IPv6 address");
        host = rest.substr(1, close - 1);
        // A link-local address names its interface after a "%" (fe80::1%eth0).
        const std::string_view ip = host.substr(0, host.find('%'));
        const std::string_view zone = host.substr(ip.size());
        if (ip.find(':') == std::string_view::npos ||
            !std::all_of(ip.begin(), ip.end(), isIpv6Char) || zone.size() == 1 ||
            !std::all_of(zone.begin() + std::min<std::size_t>(zone.size(), 1), zone.end(),
                         isNameChar)) {
            return failure("\"" + std::string(host) + "\" is not an IPv6 address");
        }
        if (rest.substr(close + 1, 1) != ":")
            return failure("no port after the host; the address is " + scheme + "://HOST:PORT");
        port = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos)
            return failure("no port after the host; the address is " + scheme + "://HOST:PORT");
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return failure("an IPv6 address goes in brackets, as in " + scheme + "://[::1]:4001");
        if (!std::all_of(host.begin(), host.end(), isNameChar)) {
            return failure("\"" + std::string(host) +
                           "\" is not a host name, an IPv4 address or a bracketed IPv6 address");
        }
    }
    if (host.empty())
        return failure("no host before the port");
    unsigned number = 0;
    const char* end = port.data() + port.size();
    const auto [stop, ec] = std::from_chars(port.data(), end, number);
    if (port.empty() || ec != std::errc() || stop != end || number < 1 || number > 65535)
        return failure("port \"" + std::string(port) + "\" is not a number from 1 to 65535");
    a.host = host;
    a.port = static_cast<std::uint16_t>(number);
    return {std::move(a), {}};
}

std::string windowsDevicePath(std::string_view device) {
    if (device.find('\\') != std::string_view::npos)
        return std::string(device);
    // A drive ("C:") keeps its colon; a device's name ("COM5:", "LPT1:") is the name without.
    if (device.size() > 2 && device.ends_with(':'))
        device.remove_suffix(1);
    return "\\\\.\\" + std::string(device);
}

}  // namespace r7k
