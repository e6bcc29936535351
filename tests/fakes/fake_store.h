#pragma once

#include <QRegularExpression>
#include <QStringList>
#include <functional>

#include "panel/stored_ports.h"

namespace r7k::fakes {

// A store holding "KEY=VALUE" entries; "KEY:TYPE" for a value that is no text. Writes fail
// when `failure` is set.
struct FakeStore : SettingsStore {
    QStringList entries;
    std::string failure;
    std::string name = "S";
    std::function<void()> onRead;
    std::string where() const override { return name; }
    bool exists() const override { return !entries.empty(); }
    Reading read() override {
        if (onRead)
            onRead();
        Reading r;
        for (const QString& e : entries) {
            const QString key = e.section(QRegularExpression("[=:]"), 0, 0);
            const int port = key == "com1" ? 1 : key == "com2" ? 2 : 0;
            const bool text = e.contains('=');
            r.values.push_back({key.toStdString(), port,
                                text ? e.section('=', 1).toStdString()
                                     : "<" + e.section(':', 1).toStdString() + ">",
                                text ? "" : e.section(':', 1).toStdString(), "only com1 and com2"});
        }
        return r;
    }
    std::string write(int, const std::string&) override { return failure; }
};

}  // namespace r7k::fakes
