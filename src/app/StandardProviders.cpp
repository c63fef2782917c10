#include "app/StandardProviders.h"

#include "providers/AbletonProvider.h"
#include "providers/ArdourProvider.h"
#include "providers/PerTrackProvider.h"
#include "providers/ReaperProvider.h"

#include <memory>

namespace quorvel {

namespace {

std::shared_ptr<const DAWProvider> perTrack(PerTrackProvider::Configuration configuration)
{
    return std::make_shared<const PerTrackProvider>(std::move(configuration));
}

} // namespace

FolderWatcher::ProviderList standardProviders()
{
    return {
        std::make_shared<const ReaperProvider>(),
        perTrack({DAWId::logic,
                  QStringLiteral("Logic Pro"),
                  QStringLiteral(R"(#(\d+)\.(?:wav|aif|aiff|caf)$)"),
                  {QStringLiteral("com.apple.logic10")},
                  {QStringLiteral("Logic Pro")},
                  QStringLiteral("/^Logic Pro$/"),
                  QStringLiteral("Audio Files")}),
        perTrack({DAWId::protools,
                  QStringLiteral("Pro Tools"),
                  QStringLiteral(R"(_(\d+)(?:\.[LR])?\.(?:wav|aif|aiff|caf)$)"),
                  {QStringLiteral("com.avid.ProTools")},
                  {QStringLiteral("Pro Tools")},
                  QStringLiteral("/^Pro Tools$/"),
                  QStringLiteral("Audio Files")}),
        perTrack({DAWId::nuendo,
                  QStringLiteral("Nuendo"),
                  QStringLiteral(R"(_(\d+)(?:\.[LR])?\.(?:wav|aif|aiff|caf|w64)$)"),
                  {QStringLiteral("com.steinberg.nuendo")},
                  {QStringLiteral("Nuendo")},
                  QStringLiteral("/^Nuendo/"),
                  QStringLiteral("Audio")}),
        perTrack({DAWId::cubase,
                  QStringLiteral("Cubase"),
                  QStringLiteral(R"(_(\d+)(?:\.[LR])?\.(?:wav|aif|aiff|caf|w64)$)"),
                  {QStringLiteral("com.steinberg.cubase")},
                  {QStringLiteral("Cubase")},
                  QStringLiteral("/^Cubase/"),
                  QStringLiteral("Audio")}),
        std::make_shared<const AbletonProvider>(),
        std::make_shared<const ArdourProvider>(),
    };
}

} // namespace quorvel
