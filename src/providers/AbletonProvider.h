#pragma once

#include "model/DAWProvider.h"
#include "platform/RunningApplications.h"
#include "providers/FileTime.h"

#include <QStringList>

#include <optional>
#include <vector>

namespace quorvel {

// Detects Ableton Live. Live writes each recorded clip to a file of its own under the project's
// Samples/Recorded folder, named after the track with a number and a bracketed date and time, and
// publishes no take number; so a scan counts the non-empty recorded files per track and derives
// one number from the counts by the user's rule. Recording while the newest recorded file was
// modified within the window. No state between scans beyond the compiled name pattern.
class AbletonProvider final : public DAWProvider
{
public:
    AbletonProvider() = default;

    DAWId id() const override { return DAWId::ableton; }
    QString displayName() const override;
    QString defaultFilenamePattern() const override;
    bool isRunning() const override;
    DAWSnapshot scan(const DAWScanContext& context) const override;

    static bool isRunningAmong(const std::vector<RunningApplication>& applications);
    // Whether the application is Live: its bundle identifier, the name "Live", or the program
    // file of Live for Windows running under Wine.
    static bool matches(const RunningApplication& application);

    // One detection from its inputs; lists the folder it settles on. Never fails.
    static DAWSnapshot detect(const DAWScanContext& context, const QStringList& openFiles,
                              FileTime now);

    // The track of a recorded file's name ("Bass 2 0003 [2024-05-01 101112].wav" gives
    // "Bass 2"); no value for any other name.
    static std::optional<QString> trackName(const QString& filename);

    // ".../My Song Project/Samples/Recorded" gives "My Song".
    static std::optional<QString> projectName(const QString& recordedFolder);

    struct RecordedFile
    {
        QString track;
        qint64 size = 0;
        FileTime modified = distantPast;
    };
    // The folder's recorded files, in listing order; directories and unreadable entries have
    // size 0. Empty when the folder cannot be listed.
    static std::vector<RecordedFile> recordedFiles(const QString& folder);
};

} // namespace quorvel
