#pragma once

#include "model/CompiledPattern.h"
#include "model/FolderMode.h"
#include "model/TakeDerivation.h"

#include <QString>

#include <optional>

namespace quorvel {

// Everything a provider is given for one scan, captured on the main thread at the tick so the
// scan never reads the watcher. Folders and files are absolute path strings throughout.
struct DAWScanContext
{
    FolderMode folderMode = FolderMode::automatic;
    // Passed whatever the mode; providers use it only in manual mode.
    std::optional<QString> manualFolder;
    std::optional<QString> previousDetectedFolder;
    std::optional<QString> previousDetectedProjectPath;
    CompiledPattern pattern; // null when no pattern could be compiled
    double recordingWindow = 4.0;
    TakeDerivation takeDerivation = TakeDerivation::mode;
};

} // namespace quorvel
