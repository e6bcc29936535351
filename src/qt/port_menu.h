#pragma once

#include <QObject>
#include <QString>

class QPoint;

namespace r7k {

class PanelController;
class PanelWindow;
class PortRouter;
class StoredPorts;

// The menu of a port option (a right-click on COM1 or COM2): the serial ports found now, a
// network address, the platform's default. A choice maps the port to that device, remembers
// it for the next start and, for the port in use, moves the link there (choosePort).
class PortMenu : public QObject {
    Q_OBJECT

  public:
    PortMenu(PanelWindow& window, PortRouter& router, PanelController& form, StoredPorts& settings);
    // The operator's choice of an address for a port.
    void choose(int port, const QString& address);

  private:
    void show(int port, const QPoint& at);
    void showDevices();

    PanelWindow& m_window;
    PortRouter& m_router;
    PanelController& m_form;
    StoredPorts& m_settings;
};

// The stable /dev/serial/by-id name of a device, if udev made one.
QString stablePath(const QString& device);

}  // namespace r7k
