#pragma once

#include "platform/DockTile.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

#include <optional>

namespace quorvel {

// Draws the live badge that replaces the application icon while a take number is known: a white
// rounded square, a disc (grey, or red while recording) and the number centred on it by its
// inked glyphs. Lengths are laid out on a 1024-unit canvas and scaled to the image. Stateless;
// main thread only (it sets the application's icon).
namespace DockTileRenderer {

inline constexpr int minimumSide = 128;

QColor recordingRed();
// The platform's system grey of the idle disc.
QColor idleGrey();

// The size the Dock or taskbar shows the icon at.
int tileWidth();
// The badge image's side for a tile of that width: the width, but never below 128.
int imageSide(int tileWidth);

// The disc's radius in a badge of side pixels.
qreal discRadius(int side);
// The box of the number's inked glyphs as render() draws them in a badge of side pixels.
QRectF numberBounds(const QString& number, int side);

// One badge of side × side pixels on a transparent background.
QImage render(const QString& number, bool recording, int side);

// Installs the badge for number as the application's icon, or restores the normal icon when
// there is no number.
void update(const std::optional<QString>& number, bool recording);

// What a launcher entry shows for the same state: number as its count while it is a whole
// decimal number from 0 below 2^31 - 1, hidden otherwise; urgent exactly while recording.
DockTile::LauncherBadge launcherBadge(const std::optional<QString>& number, bool recording);

} // namespace DockTileRenderer
} // namespace quorvel
