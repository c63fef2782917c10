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

std::optional<std::vector<FolderEntry>> listFolder(const QString& folder, const NameFilter& keep)
{
    const QByteArray encoded = QFile::encodeName(folder);
    if (encoded.isEmpty())
        return std::nullopt;
    const int dirFd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return std::nullopt;
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return std::nullopt;
    }

    std::vector<FolderEntry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        const std::string_view view(name);
        if (keep && !keep(view))
            continue;
        FolderEntry& item = entries.emplace_back();
        item.name = QByteArray(name, static_cast<qsizetype>(view.size()));
        struct stat info;
        if (::fstatat(dirFd, name, &info, 0) == 0) {
            item.modified = modifiedTime(info);
            item.isRegularFile = S_ISREG(info.st_mode);
            item.size = item.isRegularFile ? static_cast<qint64>(info.st_size) : 0;
        }
    }
    ::closedir(dir);
    return entries;
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
