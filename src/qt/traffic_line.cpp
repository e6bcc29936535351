#include "qt/traffic_line.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

namespace r7k {

namespace {

// Static text whose value is what the line shows.
class TrafficLineAccessible : public QAccessibleWidget {
  public:
    explicit TrafficLineAccessible(TrafficLine* line)
        : QAccessibleWidget(line, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return static_cast<QLabel*>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* trafficLineFactory(const QString&, QObject* object) {
    auto* line = qobject_cast<TrafficLine*>(object);
    return line ? new TrafficLineAccessible(line) : nullptr;
}

}  // namespace

TrafficLine::TrafficLine(QWidget* parent) : QLabel(parent) {
    static const bool installed = (QAccessible::installFactory(trafficLineFactory), true);
    (void)installed;
    // The text never holds markup, whatever arrives on the line.
    setTextFormat(Qt::PlainText);
    // A frame of QFrame's own would be drawn in the text's colour; this one is always black.
    setContentsMargins(1, 1, 1, 1);
}

void TrafficLine::setLine(const QString& text) {
    if (text == QLabel::text())
        return;
    setText(text);
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, text);
        QAccessible::updateAccessibility(&event);
    }
}

void TrafficLine::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    // Rectangles, not lines, so the border stays whole at any pixel ratio.
    QPainter painter(this);
    const int w = width(), h = height();
    for (const QRect& edge :
         {QRect(0, 0, w, 1), QRect(0, h - 1, w, 1), QRect(0, 0, 1, h), QRect(w - 1, 0, 1, h)})
        painter.fillRect(edge, Qt::black);
}

}  // namespace r7k
