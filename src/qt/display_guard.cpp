#include "qt/display_guard.h"

#include <unistd.h>

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <cstdio>
#include <utility>

namespace r7k {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler g_previous = nullptr;
QList<HeldMessage> g_held;

// Why no window could be opened, and what to do, from the environment and what Qt said on
// the way (its last word, `fatal`, lists the platform plugins there are).
QString noWindowText(const QString& fatal) {
    static const QRegularExpression missingPlugin(
        QStringLiteral("Could not find the Qt platform plugin \"([^\"]*)\""));
    static const QRegularExpression installed(
        QStringLiteral("Available platform plugins are: ([^\n]*[^.\n])"));
    static const QRegularExpression unreachable(
        QStringLiteral("could not connect to display (\\S+)"));
    const QString desktop = QStringLiteral(
        "; start it in a desktop session (--help, --version and --list-ports "
        "need none)");
    for (const HeldMessage& m : g_held) {
        if (const auto match = missingPlugin.match(m.text); match.hasMatch()) {
            const auto plugins = installed.match(fatal);
            return "the platform plugin \"" + match.captured(1) + "\" is not installed" +
                   (plugins.hasMatch() ? " (there are: " + plugins.captured(1) + ")" : QString());
        }
    }
    // Without DISPLAY, xcb names no display: the environment says it better.
    for (const HeldMessage& m : g_held) {
        if (const auto match = unreachable.match(m.text); match.hasMatch())
            return "the display \"" + match.captured(1) + "\" cannot be reached" + desktop;
    }
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return "no display (DISPLAY and WAYLAND_DISPLAY are not set)" + desktop;
    const QString display = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                ? qEnvironmentVariable("DISPLAY")
                                : qEnvironmentVariable("WAYLAND_DISPLAY");
    const QString said = g_held.isEmpty() ? fatal : g_held.first().text;
    return "the display \"" + display + "\" cannot be used (" + said.simplified() + ")";
}

void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        g_held.append({type, QByteArray(context.category), text});
        return;
    }
    const QByteArray line =
        ("r7k-panel: cannot open a window: " + noWindowText(text) + "\n").toLocal8Bit();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
    // Not exit(): Qt is half made, and its destructors would run on that.
    _exit(1);
}

}  // namespace

DisplayGuard::DisplayGuard() : m_active(true) {
    g_previous = qInstallMessageHandler(hold);
}

void DisplayGuard::release() {
    if (!m_active)
        return;
    m_active = false;
    qInstallMessageHandler(g_previous);
    for (const HeldMessage& m : std::exchange(g_held, {})) {
        const QMessageLogContext context(nullptr, 0, nullptr, m.category.constData());
        qt_message_output(m.type, context, m.text);
    }
}

}  // namespace r7k
