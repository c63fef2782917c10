#include "providers/WinePaths.h"

#include "providers/PathText.h"

#include <QDir>
#include <QFileInfo>

namespace quorvel::WinePaths {

std::optional<QString> toLocal(const QString& prefix, const QString& windowsPath)
{
    QString path = windowsPath;
    path.replace(u'\\', u'/');
    if (path.startsWith(u'/'))
        return std::nullopt; // UNC, device and drive-relative forms name no file of ours
    const bool hasDrive =
        path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 128;
    if (!hasDrive)
        return path;
    if (path.size() > 2 && path[2] != u'/')
        return std::nullopt; // "C:Media" is relative to a drive's current folder, unknown here
    const QString link =
        PathText::folderPrefix(prefix) + QStringLiteral("dosdevices/") + path[0].toLower() + u':';
    const QString root = QFileInfo(link).canonicalFilePath();
    if (root.isEmpty())
        return std::nullopt;
    const QString rest = path.mid(3);
    if (rest.isEmpty())
        return root;
    return PathText::folderPrefix(root) + rest;
}

QString reaperConfigFile(const QString& prefix)
{
    const QString users = PathText::folderPrefix(prefix) + QStringLiteral("drive_c/users/");
    const QString underUser = QStringLiteral("/AppData/Roaming/REAPER/reaper.ini");
    QStringList candidates;
    const QString user = qEnvironmentVariable("USER");
    if (!user.isEmpty() && !user.contains(u'/'))
        candidates << user;
    candidates << QDir(users).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& candidate : std::as_const(candidates)) {
        const QString path = users + candidate + underUser;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

} // namespace quorvel::WinePaths
