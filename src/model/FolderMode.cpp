#include "model/FolderMode.h"

namespace quorvel {

QString rawValue(FolderMode mode)
{
    return mode == FolderMode::manual ? QStringLiteral("manual") : QStringLiteral("auto");
}

std::optional<FolderMode> folderModeFromRawValue(QStringView text)
{
    for (FolderMode mode : allFolderModes) {
        if (text == rawValue(mode))
            return mode;
    }
    return std::nullopt;
}

} // namespace quorvel
