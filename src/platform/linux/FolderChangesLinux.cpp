// Folder changes from inotify(7).

#include "platform/FolderChanges.h"

#include <cerrno>
#include <cstring>

#include <sys/inotify.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Every way an entry can come, go or change content or dates, and the folder's own end.
constexpr uint32_t watchedEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                   IN_ONLYDIR;
// The folder is gone, moved, unmounted, or its watch was dropped: nothing known about it holds.
constexpr uint32_t folderEnded = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

} // namespace

FolderChanges::FolderChanges()
{
    m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        m_failure = QByteArray("inotify unavailable: ") + std::strerror(errno);
}

FolderChanges::~FolderChanges()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<int> FolderChanges::watch(const QByteArray& folder)
{
    if (m_fd < 0)
        return std::nullopt;
    const int id = ::inotify_add_watch(m_fd, folder.constData(), watchedEvents);
    if (id < 0) {
        // ENOSPC is the per-user limit of watches (fs.inotify.max_user_watches).
        m_failure = errno == ENOSPC ? QByteArray("the system's limit of inotify watches is reached")
                                    : QByteArray("inotify: ") + std::strerror(errno);
        return std::nullopt;
    }
    return id;
}

void FolderChanges::unwatch(int watchId)
{
    if (m_fd >= 0)
        ::inotify_rm_watch(m_fd, watchId);
}

FolderChanges::Report FolderChanges::take()
{
    Report report;
    if (m_fd < 0)
        return report;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            inotify_event event;
            std::memcpy(&event, buffer + offset, sizeof event);
            const char* name = buffer + offset + sizeof event;
            offset += static_cast<ssize_t>(sizeof event + event.len);
            if (event.mask & IN_Q_OVERFLOW) {
                report.overflowed = true;
            } else if (event.mask & folderEnded) {
                report.changes.push_back({event.wd, std::nullopt});
            } else if (event.len > 0) {
                // The name is padded with NULs to the record's length.
                report.changes.push_back({event.wd, QByteArray(name, qstrnlen(name, event.len))});
            }
        }
    }
    return report;
}

} // namespace quorvel
