#include "platform/LoginItem.h"

#include "model/LoginItemFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace quorvel::LoginItem {
namespace {

// Session managers start every entry of the autostart folder at login, and an entry there with
// the same file name as one in the system's folders replaces it (freedesktop.org's desktop
// application autostart rules, "Autostart Of Applications During Startup").
QString entryPath()
{
    return LoginItemFiles::autostartDirectory(qEnvironmentVariable("XDG_CONFIG_HOME"),
                                              QDir::homePath()) +
           QStringLiteral("/com.quorvel.Quorvel.desktop");
}

} // namespace

bool isEnabled()
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return LoginItemFiles::autostartEntryIsActive(QString::fromUtf8(file.readAll()));
}

QString setEnabled(bool enabled)
{
    if (!enabled)
        return LoginItemFiles::remove(entryPath());
    const auto entry = LoginItemFiles::autostartEntry(QCoreApplication::applicationFilePath());
    if (!entry)
        return QStringLiteral("Quorvel's path holds a line break, which a startup entry cannot "
                              "name.");
    return LoginItemFiles::write(entryPath(), *entry);
}

} // namespace quorvel::LoginItem
