#pragma once

#include "providers/FileTime.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <optional>

namespace quorvel {

// What Quorvel reads of a REAPER project file: the folders REAPER records the project's takes
// into. A project commonly records into a subfolder ("Media"), so the project folder alone shows
// no take between passes. Reading is bounded and fails quietly: a project that cannot be read,
// is not a regular file, or has no record path simply adds no folder.
class ReaperProject
{
public:
    // The two record paths as written: primary and secondary, each empty, relative to the
    // project folder, or absolute.
    struct RecordPaths
    {
        QString primary;
        QString secondary;
        friend bool operator==(const RecordPaths&, const RecordPaths&) = default;
    };

    // Turns a path as written in the project into an absolute local path; no value when it
    // cannot be (an unknown drive). Identity for a native REAPER; Wine's drives for the Windows
    // build.
    using PathMapper = std::function<std::optional<QString>(const QString& written)>;

    // The record paths of one line of a project file, when it is the RECORD_PATH line.
    static std::optional<RecordPaths> parseRecordPathLine(QByteArrayView line);

    // The record paths of the project file, reading only up to the line (and never past the
    // file's head or a size cap). No value when there is no such line or the file cannot be read.
    static std::optional<RecordPaths> readRecordPaths(const QString& projectFile);

    // The absolute folders the paths name, primary first, without duplicates and without the
    // project folder itself; empty paths stand for the project folder.
    static QStringList recordFolders(const QString& projectFile, const RecordPaths& paths,
                                     const PathMapper& toLocal = {});

    // readRecordPaths, read again only when the file's modification time or size changed. Safe
    // to call from any thread.
    std::optional<RecordPaths> cachedRecordPaths(const QString& projectFile);

private:
    std::mutex m_lock;
    QString m_path;
    FileTime m_modified = distantPast;
    qint64 m_size = -1;
    std::optional<RecordPaths> m_paths;
};

} // namespace quorvel
