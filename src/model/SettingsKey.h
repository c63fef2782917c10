#pragma once

#include <QLatin1String>

namespace quorvel {

// Every key Quorvel keeps in the user's settings, named once.
namespace SettingsKey {
inline constexpr QLatin1String filenamePattern{"filenamePattern"};
inline constexpr QLatin1String showNextTakeWhenIdle{"showNextTakeWhenIdle"};
inline constexpr QLatin1String dawSelection{"dawSelection"};
inline constexpr QLatin1String takeDerivation{"takeDerivation"};
inline constexpr QLatin1String remoteDisplayEnabled{"remoteDisplayEnabled"};
inline constexpr QLatin1String remoteDisplayKeyRequired{"remoteDisplayKeyRequired"};
inline constexpr QLatin1String remoteDisplayKey{"remoteDisplayKey"};
inline constexpr QLatin1String folderMode{"folderMode"};
inline constexpr QLatin1String manualFolderPath{"manualFolderPath"};
inline constexpr QLatin1String showInDock{"showInDock"};
inline constexpr QLatin1String openFloatingWindowOnStartup{"openFloatingWindowOnStartup"};
inline constexpr QLatin1String windowTheme{"windowTheme"};
inline constexpr QLatin1String keepTakeSheet{"keepTakeSheet"};
} // namespace SettingsKey

} // namespace quorvel
