// Where REAPER lives on Linux.

#include "providers/ReaperProvider.h"

namespace quorvel {

ReaperProvider::PlatformFacts ReaperProvider::platformFacts()
{
    // REAPER's Linux build runs as "reaper"; a renamed or wrapped install may keep "REAPER".
    // Under Wine the Windows build runs as its program file, reaper.exe (installed as
    // "C:\Program Files\REAPER (x64)\reaper.exe" by REAPER's Windows installer, reaper.fm).
    return PlatformFacts{
        {QStringLiteral("REAPER"), QStringLiteral("reaper")},
        QStringLiteral("/^(REAPER|reaper)$/"),
        QStringLiteral(".config/REAPER/reaper.ini"),
        {QStringLiteral("reaper.exe")},
    };
}

} // namespace quorvel
