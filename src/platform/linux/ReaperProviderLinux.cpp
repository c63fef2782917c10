// Where REAPER lives on Linux.

#include "providers/ReaperProvider.h"

namespace quorvel {

ReaperProvider::PlatformFacts ReaperProvider::platformFacts()
{
    // REAPER's Linux build runs as "reaper"; a renamed or wrapped install may keep "REAPER".
    return PlatformFacts{
        {QStringLiteral("REAPER"), QStringLiteral("reaper")},
        QStringLiteral("/^(REAPER|reaper)$/"),
        QStringLiteral(".config/REAPER/reaper.ini"),
    };
}

} // namespace quorvel
