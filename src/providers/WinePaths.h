#pragma once

#include <QString>

#include <optional>

namespace quorvel {

// Windows paths of a program running under Wine, as the Linux paths they stand for. Wine keeps
// one link per drive letter in the prefix's dosdevices folder ("c:" to ../drive_c, "z:" to "/"),
// so a drive path resolves through that link.
namespace WinePaths {

// An absolute Windows path ("C:\Users\me\a.RPP") as an absolute Linux path; a relative one
// ("Media\Takes") with "/" separators. No value for a drive the prefix does not have, or for
// forms that name no local file (UNC "\\server\share", "\\?\" paths, a bare "\" root).
std::optional<QString> toLocal(const QString& prefix, const QString& windowsPath);

// Where REAPER's Windows build keeps reaper.ini inside the prefix (%APPDATA%\REAPER, Wine's
// %APPDATA% being drive_c/users/<user>/AppData/Roaming): the current user's, else the first user
// folder that has one. Empty when none exists.
QString reaperConfigFile(const QString& prefix);

} // namespace WinePaths
} // namespace quorvel
