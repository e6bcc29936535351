#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "panel/stored_ports.h"

namespace r7k::win {

// Where the panel keeps its ports under HKEY_CURRENT_USER.
inline constexpr const wchar_t* kPortsSubkey = L"Software\\r7k-panel\\ports";

// The registry as the store of COM1 and COM2: string values "com1" and "com2" under
// HKCU\Software\r7k-panel\ports (value names, as Windows has them, in any case).
class RegistryStore : public SettingsStore {
  public:
    explicit RegistryStore(std::wstring subkey) : m_subkey(std::move(subkey)) {}
    // "HKCU\Software\r7k-panel\ports".
    std::string where() const override;
    Reading read() override;
    std::string write(int port, const std::string& address) override;

  private:
    std::wstring m_subkey;
};

// A registry type's name, as regedit shows it: "REG_MULTI_SZ".
std::string registryTypeName(unsigned long type);

// Where COM1 and COM2 point, remembered for the user in the registry, by the common rules.
class RegistrySettings {
  public:
    explicit RegistrySettings(std::wstring subkey = kPortsSubkey)
        : m_store(std::move(subkey)), m_ports(m_store) {}

    PortMapping mapping(int port, std::string_view option) const {
        return m_ports.mapping(port, option);
    }
    const std::vector<std::string>& problems() const { return m_ports.problems(); }
    // Empty, or the warning why `address` was not kept.
    std::string remember(int port, const std::string& address) {
        return m_ports.remember(port, address);
    }
    std::string where() const { return m_store.where(); }

  private:
    RegistryStore m_store;
    StoredPorts m_ports;
};

}  // namespace r7k::win
