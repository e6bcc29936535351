#pragma once

#include <QStringList>

#include "fakes/panel_rig.h"

namespace r7k::fakes {

// Runs a script of timed events on a panel: "<ms> <verb> <argument>", then runs on to `until`
// and returns every traffic-line change as "time label |text|". Verbs: load, click, press,
// release, dbl (a control); choose (an option, as the operator selects it); key ("code:shift");
// rx (bytes, %-escaped: "00%0D"); event (a communication event kind); type (into Text1); fail (a
// serial operation of FakeSerial), ok (nothing fails any more), hangup.
inline QStringList runTimeline(PanelRig& rig, const QStringList& steps, int until) {
    rig.window.lineSets.clear();
    for (const QString& step : steps) {
        rig.clock.advance(milliseconds{step.section(' ', 0, 0).toInt()} - rig.clock.now());
        const QString verb = step.section(' ', 1, 1);
        const QString arg = step.section(' ', 2);
        const std::string name = arg.toStdString();
        // clang-format off
        if (verb == "load") rig.form.load();
        else if (verb == "click") rig.form.click(name);
        else if (verb == "press") rig.form.mouseDown(name);
        else if (verb == "release") rig.form.mouseUp(name);
        else if (verb == "dbl") rig.form.dblClick(name);
        else if (verb == "choose") rig.window.setSelected(name), rig.form.click(name);
        else if (verb == "key") rig.form.keyDown(arg.section(':', 0, 0).toInt(), arg.section(':', 1).toInt());
        else if (verb == "rx") rig.serial.receive(QByteArray::fromPercentEncoding(arg.toLatin1()).toStdString());
        else if (verb == "event") rig.serial.raiseEvent(arg.toInt());
        else if (verb == "type") rig.window.setText("Text1", name);
        else if (verb == "fail") rig.serial.failures[name] = name + " failed";
        else if (verb == "ok") rig.serial.failures.clear();
        else if (verb == "hangup") rig.serial.hangUp();
        else qFatal("unknown timeline verb %s", qPrintable(verb));
        // clang-format on
    }
    rig.clock.advance(milliseconds{until} - rig.clock.now());
    QStringList out;
    for (const auto& s : rig.window.lineSets)
        out << QStringLiteral("%1 %2 |%3|").arg(s.at.count()).arg(s.label.c_str(), s.text.c_str());
    return out;
}

}  // namespace r7k::fakes
