#pragma once

#include <QLabel>

namespace r7k {

// A traffic line (TXD, RXD, STATUS): plain text in the line's own colour inside a black
// single-line border. Assistive technology reads it by its name, with its text as the value,
// and is told when the text changes.
class TrafficLine : public QLabel {
    Q_OBJECT

  public:
    explicit TrafficLine(QWidget* parent);
    void setLine(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace r7k
