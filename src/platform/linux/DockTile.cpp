#include "platform/DockTile.h"

#include "platform/linux/LauncherEntry.h"

#include <QApplication>
#include <QDBusConnection>
#include <QPixmap>
#include <QPointer>

namespace quorvel::DockTile {

void showImage(const QImage& image)
{
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(image)));
}

void showIcon(const QIcon& icon)
{
    QApplication::setWindowIcon(icon);
}

void showLauncherBadge(const LauncherBadge& badge)
{
    // Made on the first badge, so that a process that shows none never opens the session bus;
    // owned by the application, so that it leaves the bus before the application's connection
    // goes.
    static QPointer<LauncherEntry> entry;
    if (!entry) {
        const QString desktopFileName = QGuiApplication::desktopFileName();
        if (desktopFileName.isEmpty())
            return;
        entry = new LauncherEntry(LauncherEntry::appUriFor(desktopFileName),
                                  QDBusConnection::sessionBus(), QCoreApplication::instance());
    }
    entry->publish(badge);
}

} // namespace quorvel::DockTile
