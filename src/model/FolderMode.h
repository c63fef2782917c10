#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace quorvel {

// Where the media folder comes from: detected by the providers, or picked by the user.
enum class FolderMode { automatic, manual };

inline constexpr std::array<FolderMode, 2> allFolderModes{FolderMode::automatic,
                                                          FolderMode::manual};

// "auto" or "manual".
QString rawValue(FolderMode mode);
// Exact conversion; any other text gives no value.
std::optional<FolderMode> folderModeFromRawValue(QStringView text);

} // namespace quorvel
