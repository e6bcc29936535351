#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace r7k {

// How a port's bytes travel: a local serial device, or a serial-to-network gateway carrying
// them as a raw TCP stream or as Telnet with the COM-PORT-OPTION.
enum class PortKind : std::uint8_t { Device, Tcp, Rfc2217 };

// Where a port number's line is: a device path, or a gateway's HOST:PORT.
struct PortAddress {
    PortKind kind = PortKind::Device;
    std::string device;      // a device path
    std::string host;        // a gateway: name or IP address, without the brackets of IPv6
    std::uint16_t port = 0;  // a gateway: its TCP port

    bool isNetwork() const { return kind != PortKind::Device; }
    // "HOST:PORT", an IPv6 address in brackets.
    std::string hostPort() const;
    // The canonical address: the device path, "tcp://HOST:PORT" or "rfc2217://HOST:PORT".
    std::string text() const;
};

// A parsed address, or what is wrong with the text.
struct PortAddressResult {
    std::optional<PortAddress> address;
    std::string error;
};

// Reads a port address: a text with "://" must be tcp:// or rfc2217:// and HOST:PORT (HOST a
// name, an IPv4 address or a bracketed IPv6 address, with a zone id after "%" if it has one;
// PORT 1 to 65535); any other non-empty text
// is a device path.
PortAddressResult parsePortAddress(std::string_view text);

// The path Windows opens for a device name: "COM7" as \\.\COM7 (which also reaches COM10 and
// above), "COM5:" likewise, as Windows' own programs take it; a name with a backslash as it is.
std::string windowsDevicePath(std::string_view device);

}  // namespace r7k
