// Where REAPER lives on macOS.

#include "providers/ReaperProvider.h"

namespace quorvel {

ReaperProvider::PlatformFacts ReaperProvider::platformFacts()
{
    // The application is named "REAPER" whatever its architecture; its settings sit in the
    // user's Application Support folder.
    return PlatformFacts{
        {QStringLiteral("REAPER")},
        QStringLiteral("/^REAPER$/"),
        QStringLiteral("Library/Application Support/REAPER/reaper.ini"),
        {},
    };
}

} // namespace quorvel
