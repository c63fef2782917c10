#include "app/WatcherSetup.h"

#include "app/CommandLine.h"
#include "app/StandardProviders.h"

namespace quorvel {

std::unique_ptr<FolderWatcher> makeWatcher(UserDefaults& settings, const CommandLine& commandLine)
{
    auto watcher = std::make_unique<FolderWatcher>(
        standardProviders(), settings, nullptr, std::chrono::seconds(1),
        commandLine.port.value_or(FolderWatcher::defaultRemoteDisplayPort));
    if (commandLine.remoteDisplay)
        watcher->enableRemoteDisplayForThisRun();
    return watcher;
}

} // namespace quorvel
