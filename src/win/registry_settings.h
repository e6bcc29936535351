#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transport/port_mapping.h"

namespace r7k::win {

// Where COM1 and COM2 point, remembered for the user in the registry: string values "com1" and
// "com2" under HKCU\Software\r7k-panel\ports. Values that cannot stand for a port are skipped,
// each with one warning in problems().
class RegistrySettings {
  public:
    explicit RegistrySettings(std::wstring subkey = L"Software\\r7k-panel\\ports");

    // The port's address by the common rule: option, else the stored value, else the default.
    PortMapping mapping(int port, std::string_view option) const;
    // Warnings about stored values that were skipped, in the order they were read.
    const std::vector<std::string>& problems() const { return m_problems; }
    // Keeps `address` for the port; empty on success, else why it could not be kept.
    std::string remember(int port, const std::string& address);
    // "HKCU\Software\r7k-panel\ports", for messages.
    std::string where() const;

  private:
    void load();

    std::wstring m_subkey;
    std::string m_stored[2];  // com1, com2 as read; empty when absent or skipped
    std::vector<std::string> m_problems;
};

}  // namespace r7k::win
