#pragma once

#include <QSize>

namespace quorvel {

// The floating window's proportions. Everything scales with the window's height so the number
// stays readable across a room at any size, with floors that keep a small window legible.
struct FloatingLayout
{
    static constexpr QSize minimumSize{300, 260};
    static constexpr qreal topInset = 36;
    static constexpr qreal sideInset = 18;
    static constexpr qreal bottomInset = 12;
    static constexpr qreal headerSpacing = 8;
    static constexpr qreal headerMinimumGap = 12;
    static constexpr qreal ruleSpacing = 6;
    static constexpr qreal folderLineSpacing = 4;
    // The numeral may shrink to this fraction of its size to fit the width; past that it clips.
    static constexpr qreal minimumNumeralScale = 0.2;

    qreal textSize = 0;    // T: heading and status line
    qreal numeralSize = 0; // N: the take number
    qreal ruleHeight = 0;

    static FloatingLayout forHeight(qreal height);

    qreal contextSize() const { return 0.8 * textSize; }
    qreal settingsButtonSize() const { return 0.9 * textSize; }
    qreal folderLineSize() const;
    // The numeral's box is pulled into the space above and below it by these amounts.
    qreal numeralTopOverlap() const { return 0.22 * numeralSize; }
    qreal numeralBottomOverlap() const { return 0.1 * numeralSize; }
    // The numeral's line box measured with Helvetica Neue's ascender and descender (0.952 and
    // 0.213 of the size), so that a fallback font's taller line does not push the status line
    // away from the digits.
    qreal numeralAscent() const { return 0.952 * numeralSize; }
    qreal numeralDescent() const { return 0.213 * numeralSize; }

    // The factor a numeral of naturalWidth is drawn at within availableWidth: 1 when it fits,
    // smaller down to minimumNumeralScale, never below (the rest is clipped).
    static qreal numeralScale(qreal naturalWidth, qreal availableWidth);
};

} // namespace quorvel
