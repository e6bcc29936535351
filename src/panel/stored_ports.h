#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "transport/port_mapping.h"

namespace r7k {

// Where a front end keeps COM1 and COM2 for the user: a settings file on Linux, the registry
// on Windows. It only reads and writes; what a value may be, and what is said of one that
// cannot be used, is decided once by StoredPorts.
class SettingsStore {
  public:
    struct Value {
        std::string key;      // as the store names it, for messages
        int port = 0;         // 1 or 2; 0: a key the panel does not read
        std::string text;     // the value, when it is text
        std::string notText;  // else what it is instead (a registry type's name)
        std::string unknown;  // for a key the panel does not read: which keys it reads
    };
    struct Reading {
        std::vector<std::string> problems;  // why the store as a whole was skipped
        std::vector<Value> values;          // in the order read
    };

    virtual ~SettingsStore() = default;
    // The file or the registry key, for messages.
    virtual std::string where() const = 0;
    // Whether the file or the registry key is there at all.
    virtual bool exists() const = 0;
    virtual Reading read() = 0;
    // Empty, or where the write failed and why: "/home/u/.config cannot be written".
    virtual std::string write(int port, const std::string& address) = 0;
};

// The ports' stored values by one set of rules: a value that cannot stand for its port (empty,
// no address, a device not named whole, not text) is skipped with one warning naming the store,
// the key and why, and so is a key the panel does not read.
class StoredPorts {
  public:
    explicit StoredPorts(SettingsStore& store);

    // The option, else the stored value, else the default.
    PortMapping mapping(int port, std::string_view option) const;
    // One sentence for each thing skipped; empty when all was usable.
    const std::vector<std::string>& problems() const { return m_problems; }
    // Keeps an address for the next start, and for this run whether kept or not. Empty, or the
    // warning why it was not kept.
    std::string remember(int port, const std::string& address);
    std::string where() const { return m_store.where(); }
    bool storeExists() const { return m_store.exists(); }

  private:
    SettingsStore& m_store;
    std::string m_values[2];
    std::vector<std::string> m_problems;
};

}  // namespace r7k
