#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

namespace quorvel::test {

// A file whose name is raw bytes (not necessarily UTF-8), removed again with the object: Qt cannot
// name such a file, so a temporary folder holding one could not remove itself.
class RawFile
{
public:
    RawFile(const QString& folder, const QByteArray& name, const QByteArray& contents = {})
        : m_path(QFile::encodeName(folder) + '/' + name)
    {
        const int fd = ::open(m_path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        if (fd < 0)
            return;
        m_created = ::write(fd, contents.constData(), static_cast<size_t>(contents.size())) ==
                    contents.size();
        ::close(fd);
    }
    ~RawFile() { ::unlink(m_path.constData()); }
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    bool created() const { return m_created; }
    const QByteArray& path() const { return m_path; }

private:
    QByteArray m_path;
    bool m_created = false;
};

} // namespace quorvel::test
