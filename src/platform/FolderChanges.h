#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace quorvel {

// Which entries of the watched folders changed since the last take(), so that a listing can be
// kept current without reading a whole folder again. Linux asks the kernel (inotify); where the
// system offers nothing usable, every watch fails and callers list in full. One object per
// user; not thread-safe.
class FolderChanges
{
public:
    FolderChanges();
    ~FolderChanges();
    FolderChanges(const FolderChanges&) = delete;
    FolderChanges& operator=(const FolderChanges&) = delete;

    // A watch on folder's direct entries (the folder itself, not what lies below its
    // subfolders). No value when none can be had: not a folder, the system's watch limit
    // reached, no permission, or no such service; why is in failure().
    std::optional<int> watch(const QByteArray& folder);
    void unwatch(int watchId);

    struct Change
    {
        int watchId = -1;
        // The entry that was created, written, changed, removed or renamed; no value when the
        // folder itself went away, moved or was unmounted, and all its entries are in doubt.
        std::optional<QByteArray> name;
    };
    struct Report
    {
        std::vector<Change> changes;
        // Changes were lost (the system's queue overflowed): every listing is in doubt.
        bool overflowed = false;
    };
    // Everything reported since the last call, without waiting.
    Report take();

    // Why the last watch() failed, in a few words.
    const QByteArray& failure() const { return m_failure; }

private:
    int m_fd = -1;
    QByteArray m_failure;
};

} // namespace quorvel
