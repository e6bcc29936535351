#include "qt/panel_button.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <string>
#include <utility>
#include <vector>

#include "panel/caption_fit.h"
#include "qt/panel_style.h"

namespace r7k {

PanelButton::PanelButton(const QColor& face, const QColor& text, QWidget* parent)
    : QPushButton(parent), m_face(face), m_text(text) {}

void PanelButton::setCaption(const QString& caption) {
    m_caption = caption;
    QString shown = caption;
    setText(shown.replace('&', QStringLiteral("&&")));  // text, never a mnemonic
    invalidate();
}

int PanelButton::firstBaseline(const QFontMetrics& metrics) const {
    // The lines' boxes, one line spacing apart, centred in the button.
    const int total = int(m_lines.size() - 1) * metrics.lineSpacing() + metrics.height();
    return (height() - total) / 2 + metrics.ascent();
}

void PanelButton::invalidate() {
    m_laidOut = false;
    update();
}

QRect PanelButton::captionInk() const {
    layOut();
    return m_ink;
}

void PanelButton::layOut() const {
    if (m_laidOut)
        return;
    m_laidOut = true;
    // The lines break as the laid-out font needs; only their height may call for a smaller one.
    const QRect room = rect().adjusted(kEdge + 1, kEdge, -kEdge - 1, -kEdge);
    const QFont laidOut = font();
    const QFontMetrics startMetrics(laidOut);
    const std::vector<std::string> lines = wrapCaption(
        m_caption.toStdString(),
        [&](std::string_view text) { return startMetrics.horizontalAdvance(fromUtf8(text)); },
        room.width());
    m_lines.clear();
    for (const std::string& line : lines)
        m_lines << fromUtf8(line);
    const auto tryAt = [&](double points) {
        m_captionFont = laidOut;
        if (points != laidOut.pointSizeF())  // a font sized in pixels stays so until it shrinks
            m_captionFont.setPointSizeF(points);
        const QFontMetrics metrics(m_captionFont);
        m_ink = QRect();
        int baseline = firstBaseline(metrics);
        for (const QString& line : std::as_const(m_lines)) {
            const int left = (width() - metrics.horizontalAdvance(line)) / 2;
            m_ink |= metrics.tightBoundingRect(line).translated(left, baseline);
            baseline += metrics.lineSpacing();
        }
        return CaptionTrial{lines, room.contains(m_ink)};
    };
    // The last size tried is the one fitted: the font and the ink are left as it made them.
    fitCaption(laidOut.pointSizeF(), tryAt);
}

void PanelButton::paintEvent(QPaintEvent*) {
    layOut();
    QPainter painter(this);
    const QColor face = m_face.isValid() ? m_face : palette().color(QPalette::Button);
    painter.fillRect(rect(), face);
    const QColor light = face.lighter(140), shade = face.darker(160);
    const bool down = isDown();
    // Rectangles, not lines, so the edge stays whole at any pixel ratio.
    const int w = width(), h = height();
    for (int i = 0; i < kEdge; ++i) {
        painter.fillRect(i, i, w - 2 * i, 1, down ? shade : light);
        painter.fillRect(i, i, 1, h - 2 * i, down ? shade : light);
        painter.fillRect(i, h - 1 - i, w - 2 * i, 1, down ? light : shade);
        painter.fillRect(w - 1 - i, i, 1, h - 2 * i, down ? light : shade);
    }
    const QColor text = m_text.isValid() ? m_text : palette().color(QPalette::ButtonText);
    if (hasFocus()) {  // under the caption, so it never hides a glyph
        painter.setPen(QPen(text, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(kEdge + 1, kEdge + 1, -kEdge - 2, -kEdge - 2));
    }
    painter.setFont(m_captionFont);
    painter.setPen(text);
    const QFontMetrics metrics(m_captionFont);
    const int shift = down ? 1 : 0;
    int baseline = firstBaseline(metrics) + shift;
    for (const QString& line : m_lines) {
        painter.drawText((width() - metrics.horizontalAdvance(line)) / 2 + shift, baseline, line);
        baseline += metrics.lineSpacing();
    }
}

void PanelButton::resizeEvent(QResizeEvent* event) {
    QPushButton::resizeEvent(event);
    invalidate();
}

void PanelButton::changeEvent(QEvent* event) {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        invalidate();
}

}  // namespace r7k
