#include "platform/FileReveal.h"

#include <QDesktopServices>
#include <QUrl>

namespace quorvel::FileReveal {

bool revealFolder(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace quorvel::FileReveal
