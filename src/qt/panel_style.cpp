#include "qt/panel_style.h"

#include <QApplication>
#include <QFontDatabase>
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

namespace {

// The first of the families that this machine has, looked up once in the list of installed
// families: asking for a missing family costs a font-database search (fontconfig resolving it
// as an alias) every time a font is made.
QString firstInstalled(const QStringList& families) {
    static const QStringList installed = QFontDatabase::families();
    for (const QString& family : families) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return families.value(1);
}

}  // namespace

QFont fontFor(const FontSpec& wanted) {
    static const QString kGothic =
        firstInstalled({fromUtf8(kGothicFace), "IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic"});
    static const QString kPGothic =
        firstInstalled({fromUtf8(kPGothicFace), "IPAPGothic", "Noto Sans CJK JP", "VL PGothic"});
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
        font.setFamily(fixed ? kGothic : kPGothic);
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
