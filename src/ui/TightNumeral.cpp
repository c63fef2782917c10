#include "ui/TightNumeral.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBoundaryFinder>

namespace quorvel::TightNumeral {

namespace {

// Where the last grapheme starts; the text before it is set with the tightened spacing.
qsizetype lastGraphemeStart(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.toEnd();
    const qsizetype start = finder.toPreviousBoundary();
    return start < 0 ? 0 : start;
}

qsizetype graphemeCount(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QFont tightened(const QFont& font)
{
    QFont result = font;
    result.setLetterSpacing(QFont::AbsoluteSpacing, -0.04 * font.pixelSize());
    return result;
}

} // namespace

std::vector<qreal> kerning(const QString& text, qreal size)
{
    const qsizetype count = graphemeCount(text);
    std::vector<qreal> result(static_cast<size_t>(count), 0.0);
    if (count < 2)
        return result;
    for (qsizetype index = 0; index + 1 < count; ++index)
        result[static_cast<size_t>(index)] = -0.04 * size;
    return result;
}

qreal width(const QString& text, const QFont& font)
{
    if (graphemeCount(text) < 2)
        return QFontMetricsF(font).horizontalAdvance(text);
    const qsizetype split = lastGraphemeStart(text);
    return QFontMetricsF(tightened(font)).horizontalAdvance(text.left(split)) +
           QFontMetricsF(font).horizontalAdvance(text.mid(split));
}

void draw(QPainter& painter, const QPointF& origin, const QString& text, const QFont& font)
{
    if (graphemeCount(text) < 2) {
        painter.setFont(font);
        painter.drawText(origin, text);
        return;
    }
    const qsizetype split = lastGraphemeStart(text);
    const QFont tight = tightened(font);
    const QString head = text.left(split);
    painter.setFont(tight);
    painter.drawText(origin, head);
    painter.setFont(font);
    painter.drawText(origin + QPointF(QFontMetricsF(tight).horizontalAdvance(head), 0),
                     text.mid(split));
}

} // namespace quorvel::TightNumeral
