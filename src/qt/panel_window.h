#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "panel/hold_tracker.h"
#include "panel/warning_queue.h"
#include "panel/window.h"

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

namespace r7k {

class PanelController;
struct ControlSpec;

// The panel's window: every control built from the layout table. It forwards the operator's
// clicks, presses, releases, keys and double-clicks to PanelController by control name and shows
// what PanelController sets; it makes no decision of the panel itself.
class PanelWindow : public QWidget, public Window {
    Q_OBJECT

  public:
    using TraceSink = std::function<void(std::string_view label, std::string_view text)>;

    explicit PanelWindow(QWidget* parent = nullptr);
    ~PanelWindow() override;

    // Events go to this panel from now on (nullptr: nowhere).
    void attach(PanelController* form);
    // Called on every set of the TXD, RXD and status lines ("TXD", "RXD", "STATUS") with the
    // full text, also when it is unchanged.
    void setTraceSink(TraceSink sink);
    // Tells the operator which device each port button stands for.
    void setPortDevices(const QString& com1, const QString& com2);

    // The widget of a laid-out control, or nullptr.
    QWidget* control(std::string_view name) const;
    // Twips to pixels at the screen's logical resolution (15 twips a pixel at 96 DPI).
    int toPixels(double twips) const;
    double twipsPerPixel() const { return m_twipsPerPixel; }
    // The hold button being held, or an empty string.
    QString heldButton() const { return QString::fromUtf8(m_hold.held()); }

    // Window. The traffic lines keep only the part of their text that fits; the panel core
    // holds the full text.
    void setText(std::string_view control, std::string_view text) override;
    std::string text(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    bool isVisible(std::string_view control) const override;
    void setCaption(std::string_view control, std::string_view caption) override;
    std::string caption(std::string_view control) const override;
    void setSelected(std::string_view option) override;
    bool isSelected(std::string_view option) const override;
    TwipSize outerSize() const override;
    void setOuterHeight(double twips) override;
    void move(double left, double top) override;
    TwipSize screenSize() const override;
    void warn(std::string_view text) override;
    void quit(int status) override;

    using QWidget::isVisible;
    using QWidget::move;
    using QWidget::setVisible;

  signals:
    // A key press seen by the key preview, as handed to Form_KeyDown.
    void keyPreviewed(int keyCode, int shift);
    // The operator asked for the menu of a port option (a right-click on COM1 or COM2).
    void portMenuRequested(int port, const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* build(const ControlSpec& row, QWidget* parent);
    QRect pixelRect(const ControlSpec& row) const;
    void beginHold(QPushButton* button, int key, bool repeat = false);
    void endHold();
    void previewKey(QWidget* receiver, QKeyEvent* event);
    void showWarning(const QString& text);
    void showPendingWarnings();

    double m_twipsPerPixel = 15;
    double m_outerHeight = 0;
    PanelController* m_form = nullptr;
    TraceSink m_trace;

    std::map<std::string, QWidget*, std::less<>> m_controls;
    std::map<QObject*, std::string> m_holdButtons;
    QLabel* m_image = nullptr;
    QLineEdit* m_text1 = nullptr;

    HoldTracker m_hold;
    QPointer<QPushButton> m_held;  // the held button, while it exists

    // Key preview sees one key press at every step of its propagation; these tell the steps
    // of one press from a new press.
    const QEvent* m_lastKeyEvent = nullptr;
    QPointer<QWidget> m_lastKeyReceiver;

    WarningQueue m_warnings;
};

}  // namespace r7k
