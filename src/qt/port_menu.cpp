#include "qt/port_menu.h"

#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QSerialPortInfo>

#include "panel/controller.h"
#include "qt/panel_window.h"
#include "qt/port_router.h"
#include "qt/port_settings.h"
#include "transport/default_device.h"

namespace r7k {

QString stablePath(const QString& device) {
    const QString target = QFileInfo(device).canonicalFilePath();
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : byId.entryInfoList(QDir::System | QDir::Files)) {
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    }
    return {};
}

PortMenu::PortMenu(PanelWindow& window, PortRouter& router, PanelController& form,
                   PortSettings& settings)
    : m_window(window), m_router(router), m_form(form), m_settings(settings) {
    connect(&window, &PanelWindow::portMenuRequested, this,
            [this](int port, const QPoint& at) { show(port, at); });
    showDevices();
}

QVector<PortMenu::Entry> PortMenu::entries(int port) const {
    QVector<Entry> entries;
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
        const QString stable = stablePath(p.systemLocation());
        QStringList about{p.description(), p.manufacturer()};
        about.removeAll(QString());
        const QString device = stable.isEmpty() ? p.systemLocation() : stable;
        entries.append(
            {about.isEmpty() ? device : device + "  (" + about.join(", ") + ")", device});
    }
    entries.append({QStringLiteral("Network address\u2026"), QString()});
    const QString fallback = QString::fromStdString(defaultDevice(port));
    entries.append({QStringLiteral("Default (%1)").arg(fallback), fallback});
    return entries;
}

void PortMenu::show(int port, const QPoint& at) {
    const QString current = QString::fromStdString(m_router.address(port).text());
    QVector<Entry> list = entries(port);
    // What the port stands for now is always shown ticked, found or not (a gateway, a
    // pseudo-terminal, an adapter that is unplugged).
    if (std::none_of(list.cbegin(), list.cend(),
                     [&](const Entry& e) { return e.address == current; }))
        list.prepend({current, current});
    QMenu menu(&m_window);
    for (const Entry& e : list) {
        if (e.address.isEmpty())
            menu.addSeparator();
        QAction* action = menu.addAction(e.text);
        action->setData(e.address);
        action->setCheckable(!e.address.isEmpty());
        action->setChecked(e.address == current);
    }
    const QAction* chosen = menu.exec(at);
    if (chosen == nullptr)
        return;
    QString address = chosen->data().toString();
    if (address.isEmpty()) {
        bool ok = false;
        address = QInputDialog::getText(&m_window, QStringLiteral("COM%1").arg(port),
                                        QStringLiteral("Gateway address (tcp://HOST:PORT or "
                                                       "rfc2217://HOST:PORT):"),
                                        QLineEdit::Normal, current, &ok)
                      .trimmed();
        if (!ok || address.isEmpty())
            return;
    }
    choose(port, address);
}

void PortMenu::choose(int port, const QString& address) {
    const PortAddressResult parsed = parsePortAddress(address.toStdString());
    if (!parsed.address) {
        m_window.warn(QStringLiteral("COM%1: %2: %3")
                          .arg(port)
                          .arg(address)
                          .arg(QString::fromStdString(parsed.error))
                          .toStdString());
        return;
    }
    const PortAddress chosen = *parsed.address, old = m_router.address(port);
    const QString text = QString::fromStdString(chosen.text());
    m_form.changePortDevice(
        port,
        [this, port, chosen, old](bool toNew) {
            m_router.setAddress(port, toNew ? chosen : old);
            showDevices();
        },
        [this, port, text] {
            if (const QString why = m_settings.remember(port, text); !why.isEmpty())
                m_window.warn(why.toStdString());
        });
}

void PortMenu::showDevices() {
    m_window.setPortDevices(QString::fromStdString(m_router.address(1).text()),
                            QString::fromStdString(m_router.address(2).text()));
}

}  // namespace r7k
