#include "ui/FloatingLayout.h"

#include <algorithm>

namespace quorvel {

FloatingLayout FloatingLayout::forHeight(qreal height)
{
    FloatingLayout layout;
    layout.textSize = std::max(0.06 * height, 13.0);
    layout.numeralSize = std::max(0.58 * height, 56.0);
    layout.ruleHeight = std::max(0.014 * height, 5.0);
    return layout;
}

qreal FloatingLayout::folderLineSize() const
{
    return std::max(0.55 * textSize, 10.0);
}

qreal FloatingLayout::numeralScale(qreal naturalWidth, qreal availableWidth)
{
    if (naturalWidth <= 0 || naturalWidth <= availableWidth)
        return 1.0;
    return std::max(std::max(availableWidth, 0.0) / naturalWidth, minimumNumeralScale);
}

} // namespace quorvel
