#include "ui/DisplayFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace quorvel::DisplayFont {

namespace {

int pixels(qreal size)
{
    return std::max(1, static_cast<int>(std::lround(size)));
}

} // namespace

QString sansFamily()
{
    static const QString family = [] {
        const QStringList preferred{QStringLiteral("Helvetica Neue"), QStringLiteral("Nimbus Sans"),
                                    QStringLiteral("Liberation Sans")};
        for (const QString& name : preferred) {
            if (QFontDatabase::hasFamily(name))
                return name;
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QFont sans(qreal pixelSize, bool bold)
{
    QFont font(sansFamily());
    font.setPixelSize(pixels(pixelSize));
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont badge(qreal pixelSize)
{
    if (QFontDatabase::hasFamily(QStringLiteral("Rockwell"))) {
        QFont font(QStringLiteral("Rockwell"));
        font.setPixelSize(pixels(pixelSize));
        font.setBold(true);
        return font;
    }
    return sans(pixelSize, true);
}

} // namespace quorvel::DisplayFont
