#include "qt/panel_button.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>

namespace r7k {

namespace {

// The smallest a caption's font is made to fit its button.
constexpr double kSmallestPoints = 6;

}  // namespace

QStringList wrapCaption(const QString& caption, const QFontMetrics& metrics, int width) {
    if (width <= 0 || metrics.horizontalAdvance(caption) <= width)
        return {caption};
    QStringList lines;
    QString line;
    for (const QChar ch : caption) {
        if (line.isEmpty() || metrics.horizontalAdvance(line + ch) <= width) {
            line += ch;
            continue;
        }
        const qsizetype blank = line.lastIndexOf(' ');
        if (ch == ' ') {
            lines << line;
            line.clear();
        } else if (blank > 0) {
            lines << line.left(blank);
            line = line.mid(blank + 1) + ch;
        } else {
            lines << line;
            line = ch;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

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
    m_captionFont = font();
    m_lines = wrapCaption(m_caption, QFontMetrics(m_captionFont), room.width());
    for (;;) {
        const QFontMetrics metrics(m_captionFont);
        m_ink = QRect();
        int baseline = firstBaseline(metrics);
        for (const QString& line : m_lines) {
            const int left = (width() - metrics.horizontalAdvance(line)) / 2;
            m_ink |= metrics.tightBoundingRect(line).translated(left, baseline);
            baseline += metrics.lineSpacing();
        }
        const double points = m_captionFont.pointSizeF();
        if (room.contains(m_ink) || points <= kSmallestPoints)
            return;
        m_captionFont.setPointSizeF(points - 0.25);
    }
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
