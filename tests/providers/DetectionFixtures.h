#pragma once

#include "model/DAWSnapshot.h"
#include "providers/FileTime.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <ostream>

namespace quorvel {

// How a snapshot reads in a failed expectation.
inline void PrintTo(const DAWSnapshot& s, std::ostream* out)
{
    auto text = [](const std::optional<QString>& v) { return v ? v->toStdString() : "-"; };
    const auto& take = s.currentTake;
    *out << "{folder " << text(s.detectedFolder) << ", project " << text(s.detectedProjectPath)
         << ", name " << text(s.projectName) << ", take "
         << (take ? text(take->filename) + " " + text(take->recPass) + " " + text(take->pieceName)
                  : "-")
         << (s.isRecording ? ", recording}" : ", idle}");
}

namespace test {

// The detection tests judge file dates against this fixed moment, never the clock.
inline const FileTime fixedNow{std::chrono::seconds(1700000000)};

// Writes a file and dates it secondsAgo before fixedNow.
inline QString writeAged(const TempDir& dir, const QString& relative, double secondsAgo,
                         const QByteArray& contents = "RIFF")
{
    const QString path = dir.write(relative, contents);
    const double now = std::chrono::duration<double>(fixedNow.time_since_epoch()).count();
    EXPECT_TRUE(setModificationTime(path, now - secondsAgo)) << relative.toStdString();
    return path;
}

// Writes the files of a space-separated list of "name:age" into folder (relative to dir), each
// dated age seconds before fixedNow; "name:gone" writes nothing. Returns all their paths, in order.
inline QStringList writeFiles(const TempDir& dir, const QString& folder, const char* files)
{
    QStringList paths;
    for (const QString& entry : QString::fromUtf8(files).split(u' ', Qt::SkipEmptyParts)) {
        const QString relative = folder + u'/' + entry.section(u':', 0, 0);
        bool onDisk = false;
        const double age = entry.section(u':', 1).toDouble(&onDisk);
        paths.append(onDisk ? writeAged(dir, relative, age) : dir.filePath(relative));
    }
    return paths;
}

// The take a counting provider reports: "take-7" with the rec-pass "7".
inline RecordingPass countedTake(qint64 number)
{
    return {QStringLiteral("take-%1").arg(number), QString::number(number), std::nullopt};
}

} // namespace test
} // namespace quorvel
