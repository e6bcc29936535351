#pragma once

#include <QStringList>

#include "fakes/panel_rig.h"

namespace r7k::fakes {

// Runs a script of timed operator and line events on a loaded panel and returns every
// traffic-line change as "time label |text|". Steps: "<ms> click <Control>",
// "<ms> press <Control>", "<ms> release <Control>", "<ms> rx <bytes>" (\r, \n and \xHH
// escapes), "<ms> type <text>".
inline QStringList runTimeline(PanelRig& rig, const QStringList& steps, int until) {
    auto unescape = [](const QString& s) {
        std::string out;
        const QByteArray b = s.toLatin1();
        for (int i = 0; i < b.size(); ++i) {
            if (b[i] == '\\' && i + 1 < b.size()) {
                const char e = b[++i];
                if (e == 'r')
                    out += '\r';
                else if (e == 'n')
                    out += '\n';
                else if (e == 'x' && i + 2 < b.size()) {
                    out += static_cast<char>(b.mid(i + 1, 2).toInt(nullptr, 16));
                    i += 2;
                } else
                    out += e;
            } else {
                out += b[i];
            }
        }
        return out;
    };
    rig.window.lineSets.clear();
    for (const QString& step : steps) {
        const int at = step.section(' ', 0, 0).toInt();
        const QString verb = step.section(' ', 1, 1);
        const QString arg = step.section(' ', 2);
        rig.clock.advance(milliseconds{at} - rig.clock.now());
        const std::string name = arg.toStdString();
        if (verb == "click")
            rig.form.click(name);
        else if (verb == "press")
            rig.form.mouseDown(name);
        else if (verb == "release")
            rig.form.mouseUp(name);
        else if (verb == "rx")
            rig.serial.receive(unescape(arg));
        else if (verb == "type")
            rig.window.setText("Text1", name);
    }
    rig.clock.advance(milliseconds{until} - rig.clock.now());
    QStringList out;
    for (const auto& s : rig.window.lineSets) {
        out << QStringLiteral("%1 %2 |%3|")
                   .arg(s.at.count())
                   .arg(QString::fromStdString(s.label), QString::fromStdString(s.text));
    }
    return out;
}

}  // namespace r7k::fakes
