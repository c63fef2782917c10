#include "platform/linux/LauncherEntry.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>

namespace quorvel {

namespace {

// Facts of the protocol, from public source:
// - The signal is Update(s app_uri, a{sv} properties) on this interface; listeners accept it from
//   any sender at any object path (KDE/plasma-desktop,
//   applets/taskmanager/plugin/smartlaunchers/smartlauncherbackend.cpp, Backend::setupUnity;
//   micheleg/dash-to-dock, launcherAPI.js, LauncherEntryRemoteModel constructor), and Unity drops
//   any other signature (3v1n0/unity, launcher/LauncherEntryRemoteModel.cpp,
//   HandleUpdateRequest).
// - Docks own the well-known name com.canonical.Unity (smartlauncherbackend.cpp,
//   Backend::setupUnity; launcherAPI.js, _acquireUnityDBus), and none of them, Unity included,
//   calls an application's Query method when it starts. libunity instead watches that name and
//   sends its whole state again when it gains an owner (deepin-community/libunity,
//   src/unity-inspector.vala, Inspector constructor; src/unity-launcher.vala,
//   on_unity_running_changed); so does this entry.
const QString interfaceName = QStringLiteral("com.canonical.Unity.LauncherEntry");
const QString dockServiceName = QStringLiteral("com.canonical.Unity");

} // namespace

LauncherEntry::LauncherEntry(const QString& appUri, const QDBusConnection& connection,
                             QObject* parent)
    : QObject(parent), m_appUri(appUri), m_path(objectPath(appUri)), m_connection(connection)
{
    if (!m_connection.isConnected())
        return;
    // libunity answers Query on the same object that sends Update (src/unity-launcher.vala,
    // LauncherEntryDBusImpl.query); a dock or a tool may ask it directly.
    m_registered =
        m_connection.registerObject(m_path, this, QDBusConnection::ExportScriptableSlots);
    m_dockWatcher = new QDBusServiceWatcher(dockServiceName, m_connection,
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(m_dockWatcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (m_published)
            announce();
    });
}

LauncherEntry::~LauncherEntry()
{
    // Nothing to clear on the way out: when this connection leaves the bus, the docks forget its
    // entries (smartlauncherbackend.cpp, Backend::onServiceUnregistered; launcherAPI.js,
    // _onDBusNameChange; LauncherEntryRemoteModel.cpp, OnDBusNameOwnerChanged).
    if (m_registered)
        m_connection.unregisterObject(m_path);
}

QString LauncherEntry::appUriFor(const QString& desktopFileName)
{
    // KDE strips this prefix and looks the rest up as a desktop file's storage id
    // (smartlauncherbackend.cpp, Backend::update); Dash to Dock strips any scheme
    // (launcherAPI.js, _onUpdate).
    return QStringLiteral("application://") + desktopFileName + QStringLiteral(".desktop");
}

QString LauncherEntry::objectPath(const QString& appUri)
{
    // libunity's path: this prefix and GLib's string hash of the URI (src/unity-launcher.vala,
    // LauncherEntry construct), which starts at 5381 and multiplies by 33 before adding each
    // byte's signed value (GNOME/glib, glib/ghash.c, g_str_hash). A snap's AppArmor profile lets
    // the signal out only from such a path, digits after the prefix (canonical/snapd,
    // interfaces/builtin/unity7.go, "unity launcher" rule).
    quint32 hash = 5381;
    for (const char c : appUri.toUtf8())
        hash = hash * 33 + static_cast<quint32>(static_cast<signed char>(c));
    return QStringLiteral("/com/canonical/unity/launcherentry/") + QString::number(hash);
}

void LauncherEntry::publish(const DockTile::LauncherBadge& badge)
{
    if (m_published && badge == m_badge)
        return;
    m_badge = badge;
    m_published = true;
    announce();
}

QVariantMap LauncherEntry::Query() const
{
    // libunity's names and types: count is a 64-bit integer ("x"), the flags booleans
    // (src/unity-launcher.vala, collect_launcher_entry_properties). KDE keeps its previous count
    // when a new one does not fit an int (smartlauncherbackend.cpp, Backend::update), which the
    // badge's decision accounts for. A dock hides the count when count-visible is false
    // (launcherAPI.js, launcherEntryDefaults; dash-to-dock, appIconIndicators.js,
    // _updateNotificationsCount), which is how a badge is cleared.
    return {
        {QStringLiteral("count"), QVariant::fromValue<qint64>(m_badge.count)},
        {QStringLiteral("count-visible"), m_badge.countVisible},
        {QStringLiteral("urgent"), m_badge.urgent},
    };
}

void LauncherEntry::announce()
{
    if (!m_connection.isConnected())
        return;
    QDBusMessage update =
        QDBusMessage::createSignal(m_path, interfaceName, QStringLiteral("Update"));
    update << m_appUri << Query();
    m_connection.send(update);
}

} // namespace quorvel
