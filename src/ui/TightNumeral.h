#pragma once

#include <QFont>
#include <QPointF>
#include <QString>

#include <vector>

class QPainter;

namespace quorvel {

// The take number's setting: at display sizes the font's digit gaps look loose, so every
// character but the last is tightened by 0.04 of the size. Nothing follows the last one, so it
// keeps its natural advance.
namespace TightNumeral {

// The extra advance after each character (grapheme) of text set at size: −0.04 × size for every
// character but the last, zero for the last. A text of one character, or none, is not tightened.
std::vector<qreal> kerning(const QString& text, qreal size);

// The advance width of text set tightly in font (the font's pixel size is the size).
qreal width(const QString& text, const QFont& font);

// Draws text tightly with its baseline starting at origin.
void draw(QPainter& painter, const QPointF& origin, const QString& text, const QFont& font);

} // namespace TightNumeral
} // namespace quorvel
