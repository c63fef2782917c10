#include "ui/WindowPalette.h"

#include <algorithm>

namespace quorvel {

namespace {

QColor mix(const QColor& a, const QColor& b, qreal t)
{
    const auto channel = [t](float x, float y) { return x + (y - x) * static_cast<float>(t); };
    return QColor::fromRgbF(channel(a.redF(), b.redF()), channel(a.greenF(), b.greenF()),
                            channel(a.blueF(), b.blueF()), channel(a.alphaF(), b.alphaF()));
}

} // namespace

WindowPalette WindowPalette::of(WindowTheme theme, bool recording)
{
    namespace C = ThemeColor;
    if (theme == WindowTheme::poster) {
        if (recording)
            return {C::red(), C::white(), C::white(), C::white()};
        return {C::nightField(), C::paperField(), C::paperField(), C::paperField()};
    }
    if (recording)
        return {C::paperField(), C::ink(), C::red(), C::ink()};
    return {C::paperField(), C::ink(), C::ink(), C::ink()};
}

WindowPalette WindowPalette::blend(const WindowPalette& a, const WindowPalette& b, qreal t)
{
    t = std::clamp<qreal>(t, 0, 1);
    if (t <= 0)
        return a;
    if (t >= 1)
        return b;
    return {mix(a.background, b.background, t), mix(a.ink, b.ink, t), mix(a.take, b.take, t),
            mix(a.folderLine, b.folderLine, t)};
}

} // namespace quorvel
