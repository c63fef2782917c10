#pragma once

#include "platform/DockTile.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

class QDBusServiceWatcher;

namespace quorvel {

// The application's side of the launcher-entry protocol (interface
// com.canonical.Unity.LauncherEntry) that KDE Plasma's task manager, Ubuntu Dock, Dash to Dock
// and Plank read: the badge goes out as a broadcast signal, is answered on request, and is sent
// again whenever a dock takes the well-known name docks own. Without a connected bus every
// call does nothing and prints nothing. Main thread only.
class LauncherEntry : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.Unity.LauncherEntry")

public:
    // The entry for appUri ("application://NAME.desktop") on connection, exported at
    // objectPath(appUri). Announces nothing until the first publish().
    LauncherEntry(const QString& appUri, const QDBusConnection& connection,
                  QObject* parent = nullptr);
    ~LauncherEntry() override;

    // "application://" + desktopFileName + ".desktop", the form docks resolve to a desktop file.
    static QString appUriFor(const QString& desktopFileName);
    // Where the entry lives on the bus: a fixed prefix and a decimal hash of appUri.
    static QString objectPath(const QString& appUri);

    // Announces badge, unless it is the badge announced last.
    void publish(const DockTile::LauncherBadge& badge);

public Q_SLOTS:
    // The current badge with the signal's property names and types; what a dock gets when it
    // asks the entry directly. Exported on the bus.
    Q_SCRIPTABLE QVariantMap Query() const;

private:
    void announce();

    QString m_appUri;
    QString m_path;
    QDBusConnection m_connection;
    QDBusServiceWatcher* m_dockWatcher = nullptr;
    DockTile::LauncherBadge m_badge;
    bool m_published = false;
    bool m_registered = false;
};

} // namespace quorvel
