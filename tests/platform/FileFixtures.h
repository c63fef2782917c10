#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::test {

// A file whose name is raw bytes (not necessarily UTF-8), removed again with the object: Qt cannot
// name such a file, so a temporary folder holding one could not remove itself.
struct RawFile
{
    RawFile(const QString& folder, const QByteArray& name, const QByteArray& contents = "RIFF")
        : path(QFile::encodeName(folder) + '/' + name)
    {
        const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        created = fd >= 0 && ::write(fd, contents.constData(), contents.size()) == contents.size();
        if (fd >= 0)
            ::close(fd);
    }
    ~RawFile() { ::unlink(path.constData()); }

    const QByteArray path;
    bool created = false;
};

// A stand-in DAW: a child process under a command name of the test's choice that holds the files
// open, one descriptor each in the order given, until finish() or destruction. Several end in the
// reverse order of their creation, as scopes end them: each inherits the earlier ones' end of the
// pipe that keeps them waiting.
class HeldFiles
{
public:
    HeldFiles(const QString& commandName, const QList<QByteArray>& paths)
    {
        const QByteArray name = commandName.toUtf8();
        int ready[2], hold[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(hold, O_CLOEXEC) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) { // only system calls from here on: the parent may have other threads
            ::close(hold[1]);
            for (const QByteArray& path : paths)
                ::open(path.constData(), O_RDONLY);
            ::prctl(PR_SET_NAME, name.constData(), 0, 0, 0);
            char byte = 'r';
            if (::write(ready[1], &byte, 1) == 1) {
                while (::read(hold[0], &byte, 1) > 0) {
                }
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        m_hold = hold[1];
        char byte = 0;
        m_ready = m_pid > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~HeldFiles() { finish(); }

    // True once the process has opened its files and taken its name.
    bool isReady() const { return m_ready; }
    pid_t pid() const { return m_pid; }
    // Lets the process end, and waits until it has.
    void finish()
    {
        if (m_hold >= 0)
            ::close(m_hold);
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_hold = m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_hold = -1;
    bool m_ready = false;
};

// A command name no other running process has, as long as the kernel keeps (15 bytes): a short
// lower-case prefix, this process's id and "z" to fill.
inline QString uniqueCommandName(const char* prefix)
{
    return (QString::fromLatin1(prefix) + QString::number(::getpid())).leftJustified(15, u'z');
}

} // namespace quorvel::test
