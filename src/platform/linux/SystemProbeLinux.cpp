// The Linux side of SystemProbe: open files from /proc.

#include "platform/linux/ProcFs.h"
#include "providers/CommandFilter.h"
#include "providers/PathText.h"
#include "providers/SystemProbe.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::SystemProbe {

namespace {

// The kernel keeps 15 bytes of a command name (TASK_COMM_LEN less its terminator); lsof refuses
// a plain -c word longer than that.
constexpr int commandNameLength = 15;

std::optional<QByteArray> linkTarget(int dirFd, const char* name)
{
    QByteArray buffer(4096, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::readlinkat(dirFd, name, buffer.data(), buffer.size());
        if (n < 0)
            return std::nullopt;
        if (n < buffer.size()) {
            buffer.truncate(n);
            return buffer;
        }
        if (buffer.size() >= (1 << 20))
            return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
}

// Descriptor numbers of one process, ascending; empty when the process is gone or not ours to
// read.
std::vector<int> descriptorNumbers(int fdDirFd)
{
    std::vector<int> numbers;
    const int listFd = ::dup(fdDirFd);
    if (listFd < 0)
        return numbers;
    ::fcntl(listFd, F_SETFD, FD_CLOEXEC);
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return numbers;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (*name < '0' || *name > '9')
            continue;
        numbers.push_back(std::atoi(name));
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

void appendOpenFiles(int procFd, pid_t pid, QStringList& paths)
{
    char fdPath[32];
    std::snprintf(fdPath, sizeof fdPath, "%d/fd", static_cast<int>(pid));
    const int fdDir = ::openat(procFd, fdPath, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fdDir < 0)
        return;
    for (const int number : descriptorNumbers(fdDir)) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%d", number);
        const auto target = linkTarget(fdDir, entry);
        if (!target)
            continue;
        if (auto path = PathText::decodeUtf8(*target))
            paths.append(*path);
    }
    ::close(fdDir);
}

} // namespace

QStringList openFilePaths(const QString& commandFilter)
{
    return nativeOpenFilePaths(commandFilter);
}

QStringList nativeOpenFilePaths(const QString& commandFilter)
{
    QStringList paths;
    const CommandFilter filter(commandFilter, commandNameLength);
    if (filter.selectsNothing())
        return paths;
    const ProcFs::Root proc;
    if (proc.fd() < 0)
        return paths;

    for (const pid_t pid : ProcFs::processIds(proc.fd())) {
        const auto name = ProcFs::commandName(proc.fd(), pid);
        if (name && filter.matches(*name))
            appendOpenFiles(proc.fd(), pid, paths);
    }
    return paths;
}

QStringList openFilePaths(const std::vector<qint64>& processIds)
{
    QStringList paths;
    const ProcFs::Root proc;
    if (proc.fd() < 0)
        return paths;
    for (const qint64 pid : processIds) {
        if (pid > 0 && pid <= std::numeric_limits<pid_t>::max())
            appendOpenFiles(proc.fd(), static_cast<pid_t>(pid), paths);
    }
    return paths;
}

} // namespace quorvel::SystemProbe
