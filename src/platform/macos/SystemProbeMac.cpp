// The macOS side of SystemProbe: open files through libproc, which asks the kernel directly, and
// the lsof tool where libproc gives nothing (processes it may not inspect).

#include "providers/CommandFilter.h"
#include "providers/PathText.h"
#include "providers/SystemProbe.h"

#include <algorithm>
#include <cstring>
#include <libproc.h>
#include <limits>
#include <sys/param.h>
#include <sys/proc_info.h>

namespace quorvel::SystemProbe {

namespace {

// The kernel keeps MAXCOMLEN (16) bytes of a command name, and lsof -c matches against those.
constexpr int commandNameLength = MAXCOMLEN;

std::vector<pid_t> allProcessIds()
{
    const int estimate = ::proc_listallpids(nullptr, 0);
    if (estimate <= 0)
        return {};
    // Room for processes that start between the two calls.
    std::vector<pid_t> ids(static_cast<size_t>(estimate) + 64);
    const int count = ::proc_listallpids(ids.data(), static_cast<int>(ids.size() * sizeof(pid_t)));
    if (count <= 0)
        return {};
    ids.resize(std::min(ids.size(), static_cast<size_t>(count)));
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::optional<std::string> commandName(pid_t pid)
{
    proc_bsdshortinfo info{};
    if (::proc_pidinfo(pid, PROC_PIDT_SHORTBSDINFO, 0, &info, PROC_PIDT_SHORTBSDINFO_SIZE) !=
        PROC_PIDT_SHORTBSDINFO_SIZE)
        return std::nullopt;
    return std::string(info.pbsi_comm, ::strnlen(info.pbsi_comm, sizeof info.pbsi_comm));
}

// The paths of a process's open files, in descriptor order; nothing for a process that has
// ended or that we may not inspect.
void appendOpenFiles(pid_t pid, QStringList& paths)
{
    const int bytes = ::proc_pidinfo(pid, PROC_PIDLISTFDS, 0, nullptr, 0);
    if (bytes <= 0)
        return;
    std::vector<proc_fdinfo> descriptors(static_cast<size_t>(bytes) / sizeof(proc_fdinfo) + 16);
    const int filled = ::proc_pidinfo(pid, PROC_PIDLISTFDS, 0, descriptors.data(),
                                      static_cast<int>(descriptors.size() * sizeof(proc_fdinfo)));
    if (filled <= 0)
        return;
    descriptors.resize(static_cast<size_t>(filled) / sizeof(proc_fdinfo));
    std::sort(descriptors.begin(), descriptors.end(),
              [](const proc_fdinfo& a, const proc_fdinfo& b) { return a.proc_fd < b.proc_fd; });
    for (const proc_fdinfo& descriptor : descriptors) {
        if (descriptor.proc_fdtype != PROX_FDTYPE_VNODE)
            continue;
        vnode_fdinfowithpath info{};
        if (::proc_pidfdinfo(pid, descriptor.proc_fd, PROC_PIDFDVNODEPATHINFO, &info,
                             PROC_PIDFDVNODEPATHINFO_SIZE) != PROC_PIDFDVNODEPATHINFO_SIZE)
            continue;
        const char* path = info.pvip.vip_path;
        if (auto text = PathText::decodeUtf8(
                QByteArrayView(path, static_cast<qsizetype>(::strnlen(path, MAXPATHLEN)))))
            paths.append(*text);
    }
}

} // namespace

QStringList nativeOpenFilePaths(const QString& commandFilter)
{
    QStringList paths;
    const CommandFilter filter(commandFilter, commandNameLength);
    if (filter.selectsNothing())
        return paths;
    for (const pid_t pid : allProcessIds()) {
        const auto name = commandName(pid);
        if (name && filter.matches(*name))
            appendOpenFiles(pid, paths);
    }
    return paths;
}

QStringList openFilePaths(const QString& commandFilter)
{
    QStringList paths = nativeOpenFilePaths(commandFilter);
    return paths.isEmpty() ? openFilePathsWithLsof(commandFilter) : paths;
}

QStringList openFilePaths(const std::vector<qint64>& processIds)
{
    QStringList paths;
    for (const qint64 pid : processIds) {
        if (pid > 0 && pid <= std::numeric_limits<pid_t>::max())
            appendOpenFiles(static_cast<pid_t>(pid), paths);
    }
    return paths.isEmpty() ? runLsof(processIds).paths : paths;
}

} // namespace quorvel::SystemProbe
