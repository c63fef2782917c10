#pragma once

#include <QString>
#include <QStringView>

namespace quorvel {

// How a running program is named, worked out from what the kernel tells about a process. Linux
// keeps only the first 15 bytes of a command name, which cuts the names of long programs
// ("ardour-8.12.0~ds0", "Ableton Live 12 Suite.exe"), so providers match on the full name that
// these functions recover. Pure: the platform code reads the inputs, tests feed them directly.
namespace ExecutableName {

// The last component of a path written with "/" or with Windows' "\" separators.
QString lastComponent(QStringView path);

// The program's full file name: the last component of argv[0], else of the executable's path,
// whichever begins with the command name (the kernel's cut form); the command name itself when
// neither does (a process that renamed itself). Under Wine the executable is Wine's loader and
// argv[0] the Windows path of the .exe, which is how a Windows program's full name is found.
QString full(const QString& commandName, QStringView argv0, QStringView executablePath);

// True when the executable is one of Wine's loaders (wine, wine64, wine-preloader,
// wine64-preloader), whatever folder it was installed in.
bool isWineLoader(QStringView executablePath);

} // namespace ExecutableName
} // namespace quorvel
