#pragma once

#include <QIcon>
#include <QImage>

namespace quorvel {

// Quorvel's own icon, the one the Dock and the taskbar show while no take number is known: a
// record symbol on the paper colour of the floating window. Drawn in code so the window icon needs
// no resource files; the installed PNG and SVG are the same drawing.
namespace ApplicationIcon {

QImage render(int side);
QIcon icon();

} // namespace ApplicationIcon
} // namespace quorvel
