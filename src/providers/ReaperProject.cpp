#include "providers/ReaperProject.h"

#include "providers/PathText.h"
#include "providers/SystemProbe.h"

#include <QFile>
#include <QFileInfo>

namespace quorvel {

namespace {

// RECORD_PATH sits in the project's head, before the first track; a head this large is no real
// project, and reading on would cost a scan every second.
constexpr qint64 maxHeadBytes = 4 * 1024 * 1024;
constexpr qint64 maxLineBytes = 64 * 1024;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits a project line into tokens the way REAPER's own line parser does (WDL's LineParser,
// github.com/justinfrankel/WDL, WDL/lineparse.h): tokens are separated by white space, and one
// that begins with a double quote, a single quote or a backquote runs to the next same quote,
// with no escapes, so that REAPER can quote a path holding any two of the three.
QList<QByteArrayView> tokens(QByteArrayView line)
{
    QList<QByteArrayView> result;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i]))
            ++i;
        if (i >= line.size())
            break;
        const char quote = line[i];
        if (quote == '"' || quote == '\'' || quote == '`') {
            const qsizetype end = line.indexOf(quote, i + 1);
            const qsizetype stop = end < 0 ? line.size() : end;
            result.append(line.sliced(i + 1, stop - i - 1));
            i = stop + 1;
        } else {
            qsizetype end = i;
            while (end < line.size() && !isSpace(line[end]))
                ++end;
            result.append(line.sliced(i, end - i));
            i = end;
        }
    }
    return result;
}

std::optional<QString> text(QByteArrayView bytes)
{
    return PathText::decodeUtf8(bytes);
}

} // namespace

std::optional<ReaperProject::RecordPaths> ReaperProject::parseRecordPathLine(QByteArrayView line)
{
    const QList<QByteArrayView> parts = tokens(line);
    if (parts.isEmpty() || parts.front() != QByteArrayView("RECORD_PATH"))
        return std::nullopt;
    RecordPaths paths;
    if (parts.size() > 1) {
        const auto primary = text(parts[1]);
        if (!primary)
            return std::nullopt;
        paths.primary = *primary;
    }
    if (parts.size() > 2) {
        const auto secondary = text(parts[2]);
        if (secondary)
            paths.secondary = *secondary;
    }
    return paths;
}

std::optional<ReaperProject::RecordPaths> ReaperProject::readRecordPaths(const QString& projectFile)
{
    // Only a regular file is opened: a FIFO or device in the project's place would block.
    const QFileInfo info(projectFile);
    if (!info.isFile())
        return std::nullopt;
    QFile file(projectFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;

    // Read in blocks and split lines in memory: a head of millions of empty lines must cost no
    // more than one of a few long ones.
    QByteArray pending;
    bool skippingLongLine = false;
    qint64 read = 0;
    while (read < maxHeadBytes) {
        const QByteArray block = file.read(std::min<qint64>(64 * 1024, maxHeadBytes - read));
        if (block.isEmpty())
            break;
        read += block.size();
        pending += block;
        qsizetype start = 0;
        for (qsizetype end; (end = pending.indexOf('\n', start)) >= 0; start = end + 1) {
            if (skippingLongLine) {
                skippingLongLine = false;
                continue;
            }
            const QByteArrayView line = QByteArrayView(pending).sliced(start, end - start).trimmed();
            if (line.startsWith("<TRACK"))
                return std::nullopt;
            if (line.startsWith("RECORD_PATH")) {
                if (auto paths = parseRecordPathLine(line))
                    return paths;
            }
        }
        pending.remove(0, start);
        // Only the start of a line can be the one wanted; the rest of a long one is dropped.
        if (pending.size() > maxLineBytes) {
            const QByteArrayView head = QByteArrayView(pending).trimmed();
            if (!skippingLongLine && head.startsWith("RECORD_PATH")) {
                if (auto paths = parseRecordPathLine(head))
                    return paths;
            }
            pending.clear();
            skippingLongLine = true;
        }
    }
    if (!skippingLongLine) {
        const QByteArrayView last = QByteArrayView(pending).trimmed();
        if (last.startsWith("RECORD_PATH"))
            return parseRecordPathLine(last);
    }
    return std::nullopt;
}

QStringList ReaperProject::recordFolders(const QString& projectFile, const RecordPaths& paths,
                                         const PathMapper& toLocal)
{
    const QString projectFolder = PathText::deletingLastComponent(projectFile);
    QStringList folders;
    for (const QString& written : {paths.primary, paths.secondary}) {
        if (written.trimmed().isEmpty())
            continue;
        std::optional<QString> local = toLocal ? toLocal(written) : std::optional(written);
        if (!local || local->isEmpty())
            continue;
        QString folder =
            local->startsWith(u'/') ? *local : PathText::folderPrefix(projectFolder) + *local;
        while (folder.size() > 1 && folder.endsWith(u'/'))
            folder.chop(1);
        if (folder != projectFolder && !folders.contains(folder))
            folders.append(folder);
    }
    return folders;
}

std::optional<ReaperProject::RecordPaths>
ReaperProject::cachedRecordPaths(const QString& projectFile)
{
    const QFileInfo info(projectFile);
    const FileTime modified = SystemProbe::modificationTime(projectFile);
    const qint64 size = info.exists() ? info.size() : -1;
    std::lock_guard lock(m_lock);
    if (projectFile != m_path || modified != m_modified || size != m_size ||
        modified == distantPast) {
        m_path = projectFile;
        m_modified = modified;
        m_size = size;
        m_paths = readRecordPaths(projectFile);
    }
    return m_paths;
}

} // namespace quorvel
