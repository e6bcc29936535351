#include "panel/stored_ports.h"

#include "panel/port_choice.h"
#include "transport/serial.h"

namespace r7k {

StoredPorts::StoredPorts(SettingsStore& store) : m_store(store) {
    SettingsStore::Reading reading = store.read();
    m_problems = std::move(reading.problems);
    const std::string where = store.where();
    for (const SettingsStore::Value& v : reading.values) {
        if (v.port != 1 && v.port != 2) {
            m_problems.push_back(where + ": " + v.key + " = \"" + v.text +
                                 "\" was skipped (unknown key; " + v.unknown + ").");
        } else if (!v.notText.empty()) {
            // Only the registry types its values.
            m_problems.push_back(skippedValueText(where, v.key, "<" + v.notText + ">",
                                                  "not a string value (REG_SZ)", v.port));
        } else if (const std::string why = unusablePortValue(v.text); !why.empty()) {
            m_problems.push_back(skippedValueText(where, v.key, v.text, why, v.port));
        } else {
            m_values[v.port - 1] = v.text;
        }
    }
}

PortMapping StoredPorts::mapping(int port, std::string_view option) const {
    return mapPort(port, option, port == 2 ? m_values[1] : m_values[0]);
}

std::string StoredPorts::remember(int port, const std::string& address) {
    if (std::string why = notAPanelPort(port); !why.empty())
        return why;
    if (const std::string why = unusablePortValue(address); !why.empty())
        return portChoiceProblem(port, address);
    m_values[port - 1] = address;  // used for this run, kept or not
    if (const std::string failure = m_store.write(port, address); !failure.empty())
        return notRememberedText(port, address, failure);
    return {};
}

}  // namespace r7k
