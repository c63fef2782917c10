#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace quorvel {

// One entry of the system's list of running applications, with what the providers match on.
struct RunningApplication
{
    // The name the user knows the application by. On Linux the kernel's command name, which is
    // also what the open-file readers select processes by.
    std::optional<QString> localizedName;
    std::optional<QString> bundleIdentifier; // none on Linux
    // An ordinary application with a Dock icon and menu bar; every process on Linux.
    bool isRegular = false;
};

// The running applications of the current user, as the providers' isRunning() sees them.
// Implemented per system: Linux walks /proc, macOS asks the workspace.
namespace RunningApplications {

// Called on the main thread once per provider and tick: reads only kernel tables, never blocks
// on other processes. An entry whose name is not valid UTF-8 has no localized name.
std::vector<RunningApplication> current();

} // namespace RunningApplications
} // namespace quorvel
