#pragma once

#include "model/RecordingPass.h"

#include <QString>

#include <optional>

namespace quorvel {

// The result of one scan by one provider. Problems never fail a scan; they leave fields absent.
struct DAWSnapshot
{
    std::optional<QString> detectedFolder;
    std::optional<QString> detectedProjectPath;
    std::optional<QString> projectName;
    std::optional<RecordingPass> currentTake;
    bool isRecording = false;
    // The folder the current take's file lies in, when the provider knows it: it may differ from
    // the detected folder (a project that records into a subfolder of its own).
    std::optional<QString> takeFolder;
    // The filename pattern used up the scan's matching budget before any name parsed: it is too
    // slow on this folder's names, and the watcher withdraws it.
    bool filenamePatternTooSlow = false;

    friend bool operator==(const DAWSnapshot&, const DAWSnapshot&) = default;
};

} // namespace quorvel
