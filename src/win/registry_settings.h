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
    bool exists() const override;
    Reading read() override;
    std::string write(int port, const std::string& address) override;

  private:
    std::wstring m_subkey;
};

// A registry type's name, as regedit shows it: "REG_MULTI_SZ".
std::string registryTypeName(unsigned long type);

}  // namespace r7k::win
