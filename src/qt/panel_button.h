#pragma once

#include <QColor>
#include <QPushButton>
#include <QStringList>

namespace r7k {

// A push-button painted as laid out: its own face colour with a raised edge (sunk while down)
// and its caption centred, broken into lines at blanks (or between characters, for Japanese)
// to fit the width. When the lines are taller than the button, the caption's font is made
// smaller until they fit, so no caption is ever clipped.
class PanelButton : public QPushButton {
    Q_OBJECT

  public:
    static constexpr int kEdge = 2;  // width of the raised edge

    // An invalid face colour stands for the platform's button face.
    PanelButton(const QColor& face, const QColor& text, QWidget* parent);

    void setCaption(const QString& caption);
    const QString& caption() const { return m_caption; }
    // Where the caption's ink is drawn, in the button's coordinates (not pressed).
    QRect captionInk() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // The caption is laid out when it is first needed after a change of caption, size or font:
    // a button that is never shown costs no font work.
    void layOut() const;
    void invalidate();
    int firstBaseline(const QFontMetrics& metrics) const;

    QColor m_face;
    QColor m_text;
    QString m_caption;
    mutable bool m_laidOut = false;
    mutable QStringList m_lines;
    mutable QFont m_captionFont;
    mutable QRect m_ink;
};

}  // namespace r7k
