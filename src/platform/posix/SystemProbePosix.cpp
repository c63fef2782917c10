// Folder listings and file dates, with the POSIX calls every system here has.

#include "providers/SystemProbe.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::SystemProbe {

namespace {

// Linux names the modification time st_mtim, macOS st_mtimespec; both are a timespec.
template <typename Stat> FileTime modifiedTime(const Stat& info)
{
    if constexpr (requires { info.st_mtim; })
        return FileTime(std::chrono::seconds(info.st_mtim.tv_sec) +
                        std::chrono::nanoseconds(info.st_mtim.tv_nsec));
    else
        return FileTime(std::chrono::seconds(info.st_mtimespec.tv_sec) +
                        std::chrono::nanoseconds(info.st_mtimespec.tv_nsec));
}

} // namespace

std::optional<FolderIdentity> folderIdentity(const QByteArray& folder)
{
    struct stat info;
    if (folder.isEmpty() || ::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    return FolderIdentity{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino)};
}

std::optional<std::vector<EntryName>> readEntryNames(const QByteArray& folder)
{
    DIR* dir = folder.isEmpty() ? nullptr : ::opendir(folder.constData());
    if (!dir)
        return std::nullopt;
    std::vector<EntryName> names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        names.push_back({QByteArray(name), entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN});
    }
    ::closedir(dir);
    return names;
}

bool readAttributes(const QByteArray& folder, const std::vector<FolderEntry*>& entries,
                    std::vector<bool>& gone)
{
    gone.assign(entries.size(), false);
    if (entries.empty())
        return true;
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return false;
    for (size_t i = 0; i < entries.size(); ++i) {
        FolderEntry& item = *entries[i];
        struct stat info;
        if (::fstatat(dirFd, item.name.constData(), &info, 0) == 0) {
            item.modified = modifiedTime(info);
            item.isRegularFile = S_ISREG(info.st_mode);
            item.size = item.isRegularFile ? static_cast<qint64>(info.st_size) : 0;
            continue;
        }
        item = FolderEntry{item.name};
        // A dangling link is still an entry; only a name with nothing behind it is gone.
        gone[i] = ::fstatat(dirFd, item.name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0;
    }
    ::close(dirFd);
    return true;
}

FileTime modificationTime(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info;
    if (encoded.isEmpty() || ::stat(encoded.constData(), &info) != 0)
        return distantPast;
    return modifiedTime(info);
}

} // namespace quorvel::SystemProbe
