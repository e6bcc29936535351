#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <string>
#include <string_view>

#include "panel/layout.h"

class QWidget;

namespace r7k {

// How the laid-out colours, fonts and alignments become Qt's.

QString fromUtf8(std::string_view s);
std::string toUtf8(const QString& s);
QColor toQColor(const Colour& c);

// The laid-out font. The Gothic faces are asked for by a list of families, so the IPA faces
// (or other CJK faces of the same pitch) stand in where the laid-out ones are missing.
QFont fontFor(const FontSpec& wanted);

Qt::Alignment alignmentFor(Align align);

// Paints a frame, label or option in its laid-out back and fore colours.
void paintAsLaidOut(QWidget* widget, const ControlSpec& row);

}  // namespace r7k
