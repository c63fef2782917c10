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

    friend bool operator==(const DAWSnapshot&, const DAWSnapshot&) = default;
};

} // namespace quorvel
