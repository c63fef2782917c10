#include "platform/DockTile.h"

#include <QApplication>

#import <AppKit/AppKit.h>

namespace quorvel::DockTile {

void showImage(const QImage& image)
{
    // The badge is for the Dock alone. QApplication::setWindowIcon would also make it every
    // window's default icon and send each window an icon-change event on every take
    // (qt/qtbase, src/gui/kernel/qguiapplication.cpp, setWindowIcon) before it reaches the same
    // NSApplication property (src/plugins/platforms/cocoa/qcocoaintegration.mm,
    // setApplicationIcon). Qt hands out a retained CGImage that shares the QImage's pixels
    // (QtGui/qimage.h, toCGImage); the NSImage keeps its own reference and, given NSZeroSize,
    // takes its size from those pixels (AppKit/NSImage.h, initWithCGImage:size:).
    CGImageRef pixels = image.toCGImage();
    if (!pixels)
        return;
    NSApp.applicationIconImage = [[NSImage alloc] initWithCGImage:pixels size:NSZeroSize];
    CGImageRelease(pixels);
}

void showIcon(const QIcon& icon)
{
    // Qt's own route, which ends in the same NSApplication property, so that the application's
    // window icon and the Dock agree again.
    QApplication::setWindowIcon(icon);
}

void showLauncherBadge(const LauncherBadge&)
{
    // The Dock has no launcher entries to announce to; the tile drawn by showImage shows the
    // number, and the accessory policy hides it with the Dock icon.
}

} // namespace quorvel::DockTile
