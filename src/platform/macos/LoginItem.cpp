#include "platform/LoginItem.h"

#include "model/LoginItemFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace quorvel::LoginItem {
namespace {

// launchd loads every property list in ~/Library/LaunchAgents when the user logs in
// (launchd.plist(5), "FILES"). A plain file keeps this independent of the ServiceManagement
// framework; macOS 13 and later list such agents under Login Items as well.
QString agentPath()
{
    return QDir::homePath() + QStringLiteral("/Library/LaunchAgents/com.quorvel.Quorvel.plist");
}

} // namespace

bool isEnabled()
{
    return QFile::exists(agentPath());
}

QString setEnabled(bool enabled)
{
    if (!enabled)
        return LoginItemFiles::remove(agentPath());
    return LoginItemFiles::write(
        agentPath(), LoginItemFiles::launchAgent(QStringLiteral("com.quorvel.Quorvel"),
                                                 QCoreApplication::applicationFilePath()));
}

} // namespace quorvel::LoginItem
