#include "qt/port_menu.h"

#include <chrono>
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSerialPortInfo>

#include "panel/controller.h"
#include "panel/port_choice.h"
#include "panel/warning_line.h"
#include "qt/panel_window.h"
#include "qt/port_router.h"
#include "transport/port_address.h"

namespace r7k {

namespace {

// The network address prompt: an entry that cannot stand for the port is refused with the
// reason, and the prompt stays open to correct it.
class AddressPrompt : public QInputDialog {
  public:
    AddressPrompt(QWidget* parent, int port, const QString& current)
        : QInputDialog(parent), m_port(port) {
        setWindowTitle(QStringLiteral("COM%1").arg(port));
        setLabelText(QStringLiteral("Gateway address (tcp://HOST:PORT or rfc2217://HOST:PORT):"));
        setTextValue(current);
    }

    void done(int result) override {
        const std::string text = textValue().trimmed().toStdString();
        const std::string why =
            result == Accepted && !text.empty() ? portChoiceProblem(m_port, text) : std::string();
        if (why.empty()) {
            QInputDialog::done(result);
            return;
        }
        const std::string line = warningLine("r7k-panel", why, std::chrono::system_clock::now());
        std::fwrite(line.data(), 1, line.size(), stderr);
        std::fflush(stderr);
        // The port is the box's title, so the box says the rest.
        QMessageBox::warning(this, windowTitle(),
                             QString::fromStdString(why.substr(why.find(": ") + 2)));
    }

  private:
    int m_port;
};

}  // namespace

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
                   StoredPorts& settings)
    : m_window(window), m_router(router), m_form(form), m_settings(settings) {
    connect(&window, &PanelWindow::portMenuRequested, this,
            [this](int port, const QPoint& at) { show(port, at); });
    showDevices();
}

void PortMenu::show(int port, const QPoint& at) {
    const std::string current = m_router.address(port).text();
    std::vector<FoundPort> found;
    for (const QSerialPortInfo& p : QSerialPortInfo::availablePorts()) {
        const QString stable = stablePath(p.systemLocation());
        found.push_back({(stable.isEmpty() ? p.systemLocation() : stable).toStdString(),
                         {p.description().toStdString(), p.manufacturer().toStdString()}});
    }
    QMenu menu(&m_window);
    for (const PortMenuEntry& e : portMenuEntries(port, found, current)) {
        if (e.address.empty())
            menu.addSeparator();
        QAction* action = menu.addAction(QString::fromStdString(e.text));
        action->setData(QString::fromStdString(e.address));
        action->setCheckable(!e.address.empty());
        action->setChecked(e.ticked);
    }
    const QAction* chosen = menu.exec(at);
    if (chosen == nullptr)
        return;
    QString address = chosen->data().toString();
    if (address.isEmpty()) {
        AddressPrompt ask(&m_window, port, QString::fromStdString(current));
        if (ask.exec() != QDialog::Accepted || ask.textValue().trimmed().isEmpty())
            return;
        address = ask.textValue().trimmed();
    }
    choose(port, address);
}

void PortMenu::choose(int port, const QString& address) {
    choosePort(port, address.toStdString(), m_form, m_router, m_window, m_settings,
               [this] { showDevices(); });
}

void PortMenu::showDevices() {
    m_window.setPortDevices(QString::fromStdString(m_router.address(1).text()),
                            QString::fromStdString(m_router.address(2).text()));
}

}  // namespace r7k
