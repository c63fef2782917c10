#pragma once

#include <QIcon>
#include <QImage>
#include <QtGlobal>

namespace quorvel {

// The picture the Dock (macOS) or the taskbar (Linux) shows for the application, which the live
// badge replaces while a take number is known. On macOS the badge goes straight to the Dock tile,
// at the pixels it was drawn at; elsewhere the taskbar shows the windows' icon, so the badge
// becomes the application's window icon. Linux docks and task managers that read the launcher
// entry of the application's desktop file also get a count and an urgency flag beside the icon.
// Main thread only, once a QApplication exists.
namespace DockTile {

// What a launcher entry shows over the application's icon: a count, when countVisible, and the
// dock's attention state while urgent.
struct LauncherBadge
{
    qint64 count = 0;
    bool countVisible = false;
    bool urgent = false;

    friend bool operator==(const LauncherBadge&, const LauncherBadge&) = default;
};

// Shows image in place of the application's icon until the next call of either function.
void showImage(const QImage& image);

// Shows the application's own icon again.
void showIcon(const QIcon& icon);

// Announces badge for the application's desktop file (QGuiApplication::desktopFileName) to the
// docks listening on the session bus. Quietly does nothing without a desktop file name or a
// session bus, and on macOS, where the Dock tile's image already carries the number.
void showLauncherBadge(const LauncherBadge& badge);

} // namespace DockTile
} // namespace quorvel
