#include "ui/DockTileRenderer.h"

#include "model/DecimalText.h"
#include "platform/DockTile.h"
#include "ui/ApplicationIcon.h"
#include "ui/DisplayFont.h"
#include "ui/WindowTheme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <limits>

namespace quorvel::DockTileRenderer {

namespace {

// The number's outline, already shrunk so that its inked width never exceeds 1.4 r, with its
// inked glyphs centred on the badge.
QPainterPath numberPath(const QString& number, int side)
{
    const qreal width = side;
    const qreal r = discRadius(side);
    QPainterPath path;
    path.addText(0, 0, DisplayFont::badge(0.27 * width), number);
    QRectF bounds = path.boundingRect();
    if (bounds.width() > 1.4 * r) {
        // Outlines scale exactly with the size, so scaling the path is resetting the size.
        const qreal factor = 1.4 * r / bounds.width();
        path = QTransform::fromScale(factor, factor).map(path);
        bounds = path.boundingRect();
    }
    path.translate(width / 2 - bounds.center().x(), width / 2 - bounds.center().y());
    return path;
}

} // namespace

QColor recordingRed()
{
    return ThemeColor::red();
}

QColor idleGrey()
{
    return QColor(142, 142, 147);
}

int tileWidth()
{
    return 256;
}

int imageSide(int tileWidth)
{
    return std::max(tileWidth, minimumSide);
}

qreal discRadius(int side)
{
    return 274.0 * side / 1024.0;
}

QRectF numberBounds(const QString& number, int side)
{
    return numberPath(number, side).boundingRect();
}

QImage render(const QString& number, bool recording, int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    const qreal u = side / 1024.0;
    const QRectF canvas(0, 0, side, side);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(canvas.adjusted(100 * u, 100 * u, -100 * u, -100 * u), 180 * u,
                            180 * u);

    const qreal r = discRadius(side);
    painter.setBrush(recording ? recordingRed() : idleGrey());
    painter.drawEllipse(canvas.center(), r, r);

    painter.setBrush(Qt::black);
    painter.drawPath(numberPath(number, side));
    return image;
}

void update(const std::optional<QString>& number, bool recording)
{
    if (!number) {
        DockTile::showIcon(ApplicationIcon::icon());
        return;
    }
    DockTile::showImage(render(*number, recording, imageSide(tileWidth())));
}

DockTile::LauncherBadge launcherBadge(const std::optional<QString>& number, bool recording)
{
    DockTile::LauncherBadge badge;
    badge.urgent = recording;
    const std::optional<qint64> value = number ? DecimalText::parseInteger(*number) : std::nullopt;
    // KDE's task manager ignores a count from INT_MAX up and keeps showing the one before
    // (KDE/plasma-desktop, applets/taskmanager/plugin/smartlaunchers/smartlauncherbackend.cpp,
    // Backend::update), which would leave a stale take number on the icon.
    if (value && *value >= 0 && *value < std::numeric_limits<int>::max()) {
        badge.count = *value;
        badge.countVisible = true;
    }
    return badge;
}

} // namespace quorvel::DockTileRenderer
