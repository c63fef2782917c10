#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

#include <optional>

namespace quorvel {

// The tray's picture. A tray cannot show text beside its icon on every desktop, so the icon
// itself carries the state and the number: a ring when idle, the red record dot while recording,
// and the take number (or an em dash) inside.
namespace MenuBarIcon {

// The platform's system red, which the tray uses instead of the window's red.
QColor systemRed();

// One square picture of side pixels. An absent number draws an em dash.
QImage render(const std::optional<QString>& number, bool recording, int side);

// The picture at the sizes trays ask for.
QIcon icon(const std::optional<QString>& number, bool recording);

} // namespace MenuBarIcon
} // namespace quorvel
