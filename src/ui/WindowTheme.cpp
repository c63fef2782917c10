#include "ui/WindowTheme.h"

namespace quorvel {

QString rawValue(WindowTheme theme)
{
    return theme == WindowTheme::poster ? QStringLiteral("poster") : QStringLiteral("paper");
}

WindowTheme windowThemeFromRawValue(const QString& text)
{
    return text == QLatin1String("poster") ? WindowTheme::poster : WindowTheme::paper;
}

namespace ThemeColor {

QColor red()
{
    return QColor(229, 52, 42);
}

QColor paperField()
{
    return QColor(242, 239, 230);
}

QColor ink()
{
    return QColor(17, 17, 17);
}

QColor nightField()
{
    return QColor(20, 20, 18);
}

QColor white()
{
    return QColor(255, 255, 255);
}

} // namespace ThemeColor
} // namespace quorvel
