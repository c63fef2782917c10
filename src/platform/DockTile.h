#pragma once

#include <QIcon>
#include <QImage>

namespace quorvel {

// The picture the Dock (macOS) or the taskbar (Linux) shows for the application, which the live
// badge replaces while a take number is known. On macOS the badge goes straight to the Dock tile,
// at the pixels it was drawn at; elsewhere the taskbar shows the windows' icon, so the badge
// becomes the application's window icon. Main thread only, once a QApplication exists.
namespace DockTile {

// Shows image in place of the application's icon until the next call of either function.
void showImage(const QImage& image);

// Shows the application's own icon again.
void showIcon(const QIcon& icon);

} // namespace DockTile
} // namespace quorvel
