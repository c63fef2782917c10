#pragma once

#include <QString>
#include <QTemporaryDir>

namespace quorvel::test {

// A throwaway folder that is removed with the object, with helpers for laying out files.
class TempDir
{
public:
    TempDir();

    QString path() const { return m_dir.path(); }
    // Absolute path of relative inside the folder.
    QString filePath(const QString& relative) const { return m_dir.filePath(relative); }
    // Creates relative (and its parent folders) with the given contents; returns its path.
    QString write(const QString& relative, const QByteArray& contents = {}) const;
    // Creates a folder (and its parents); returns its path.
    QString makeFolder(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

// Sets a file's modification time to secondsSinceEpoch (fractions kept) with utimensat.
bool setModificationTime(const QString& path, double secondsSinceEpoch);

} // namespace quorvel::test
