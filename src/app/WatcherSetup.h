#pragma once

#include "model/FolderWatcher.h"

#include <memory>

namespace quorvel {

struct CommandLine;
class UserDefaults;

// The one watcher of a run: the standard providers, the user's settings, and the command line's
// remote display options (which never change the stored settings).
std::unique_ptr<FolderWatcher> makeWatcher(UserDefaults& settings, const CommandLine& commandLine);

} // namespace quorvel
