#include "qt/panel_style.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>

namespace r7k {

QString fromUtf8(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

std::string toUtf8(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

QColor toQColor(const Colour& c) {
    return QColor(c.red, c.green, c.blue);
}

QFont fontFor(const FontSpec& wanted) {
    static const QStringList kGothic{fromUtf8(kGothicFace), "IPAGothic", "Noto Sans Mono CJK JP",
                                     "VL Gothic"};
    static const QStringList kPGothic{fromUtf8(kPGothicFace), "IPAPGothic", "Noto Sans CJK JP",
                                      "VL PGothic"};
    QFont font = QApplication::font();
    if (wanted.face == Face::Default) {
        // Mark every attribute as set, so the window's own Gothic bold is not inherited.
        font.setFamily(font.family());
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF());
        else
            font.setPixelSize(font.pixelSize());
    } else {
        const bool fixed = wanted.face == Face::Gothic;
        font.setFamilies(fixed ? kGothic : kPGothic);
        font.setStyleHint(fixed ? QFont::TypeWriter : QFont::SansSerif);
        font.setFixedPitch(fixed);
        font.setPointSizeF(wanted.points);
    }
    font.setWeight(wanted.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    return font;
}

Qt::Alignment alignmentFor(Align align) {
    switch (align) {
        case Align::Centre:
            return Qt::AlignHCenter | Qt::AlignTop;
        case Align::Right:
            return Qt::AlignRight | Qt::AlignTop;
        case Align::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

void paintAsLaidOut(QWidget* widget, const ControlSpec& row) {
    if (row.back.paint != Paint::Rgb)
        return;
    QPalette palette = widget->palette();
    // Labels and frames fill from Window, an option button from Button.
    palette.setColor(QPalette::Window, toQColor(row.back));
    palette.setColor(QPalette::Button, toQColor(row.back));
    if (row.fore.paint == Paint::Rgb) {
        palette.setColor(QPalette::WindowText, toQColor(row.fore));
        palette.setColor(QPalette::Text, toQColor(row.fore));
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace r7k
