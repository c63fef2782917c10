#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace quorvel {

// One recording pass on the take sheet.
struct TakeEntry
{
    qint64 id = 0;
    QString daw;
    QString project;
    QString projectPath;
    QString piece;
    // The take number as every surface showed it while the pass recorded.
    QString take;
    // When recording was first seen (the first file's creation, where the file system keeps it),
    // and the newest write of the pass's files: the pass ended with its last write, not when the
    // display stopped saying "recording".
    QDateTime started;
    std::optional<QDateTime> ended;
    QString folder;
    QStringList files; // names inside folder
    QString mark;      // one of TakeMarks::all()
    QString note;

    std::optional<qint64> lengthMs() const
    {
        if (!ended)
            return std::nullopt;
        return std::max<qint64>(0, started.msecsTo(*ended));
    }
};

namespace TakeMarks {
// The fixed set a take can be marked with; the empty mark is none.
inline QStringList all()
{
    return {QString(), QStringLiteral("circled"), QStringLiteral("keep"),
            QStringLiteral("false start"), QStringLiteral("no good")};
}
} // namespace TakeMarks

} // namespace quorvel
