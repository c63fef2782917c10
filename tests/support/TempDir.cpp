#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <fcntl.h>
#include <sys/stat.h>

namespace quorvel::test {

TempDir::TempDir() : m_dir(QDir::tempPath() + QStringLiteral("/quorvel-test-XXXXXX")) {}

QString TempDir::write(const QString& relative, const QByteArray& contents) const
{
    const QString path = filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(contents);
    return path;
}

QString TempDir::makeFolder(const QString& relative) const
{
    const QString path = filePath(relative);
    QDir().mkpath(path);
    return path;
}

bool setModificationTime(const QString& path, double secondsSinceEpoch)
{
    const double whole = std::floor(secondsSinceEpoch);
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(whole);
    times[1].tv_nsec = static_cast<long>((secondsSinceEpoch - whole) * 1e9);
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

} // namespace quorvel::test
