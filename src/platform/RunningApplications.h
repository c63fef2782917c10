#pragma once

#include <QString>
#include <QtGlobal>

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
    qint64 processId = 0;
    // The program's full file name where the localized name is the kernel's cut form of it
    // (ExecutableName::full); absent where the localized name is already whole.
    std::optional<QString> executableName;
    // The Wine prefix (the folder holding drive_c) of a Windows program running under Wine.
    std::optional<QString> winePrefix;

    // The name to match a DAW's program names against: the full name where there is one.
    std::optional<QString> fullName() const
    {
        return executableName ? executableName : localizedName;
    }
};

// The running applications of the current user, as the providers' isRunning() sees them.
// Implemented per system: Linux walks /proc, macOS asks the workspace.
namespace RunningApplications {

// Called on the main thread once per provider and tick, and on the scan thread to find a DAW's
// processes: reads only kernel tables (Linux) or the workspace's list (macOS), never blocks on
// other processes. An entry whose name is not valid UTF-8 has no localized name. Any thread.
std::vector<RunningApplication> current();

} // namespace RunningApplications
} // namespace quorvel
