// r7k-floor: what any Qt Widgets window costs here, the floor the panel's start-up and memory
// are measured against. One fixed-size window holding as many widgets of the same kinds as the
// panel's layout, in the default font, placed as the layout places them; nothing else.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "panel/layout.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("r7k-floor"));
    for (const r7k::ControlSpec& row : r7k::kControls) {
        const QString caption =
            QString::fromUtf8(row.caption.data(), qsizetype(row.caption.size()));
        QWidget* w = nullptr;
        switch (row.kind) {
            case r7k::ControlKind::Button:
                w = new QPushButton(caption, &window);
                break;
            case r7k::ControlKind::Option:
                w = new QRadioButton(caption, &window);
                break;
            case r7k::ControlKind::TextBox:
                w = new QLineEdit(&window);
                break;
            case r7k::ControlKind::Frame:
                w = new QFrame(&window);
                break;
            default:
                w = new QLabel(caption, &window);
        }
        w->setGeometry(row.left / 15, row.top / 15, row.width / 15, row.height / 15);
    }
    window.setFixedSize(r7k::kClientWidth / 15, r7k::kCompactBand / 15);
    window.show();
    return app.exec();
}
