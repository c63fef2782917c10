#pragma once

#include <QByteArray>

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel::bench {

// Folder helpers of the scan benchmarks.

// What any scan of a folder must do at least: read its entries and their modification dates
// (readdir and fstatat, nothing else). The scans' benchmarks are measured against it.
inline size_t bareListing(const QByteArray& folder)
{
    struct Entry
    {
        std::string name;
        struct timespec modified;
    };
    std::vector<Entry> entries;
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = ::fdopendir(dirFd);
    if (!dir)
        return 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        struct stat info;
        if (::fstatat(dirFd, entry->d_name, &info, 0) == 0)
            entries.push_back({entry->d_name, info.st_mtim});
    }
    ::closedir(dir);
    benchmark::DoNotOptimize(entries);
    return entries.size();
}

// Creates path (empty, if missing) dated secondsAfter past a fixed moment, so that the files of a
// benchmark folder have distinct, ordered modification times.
inline void touchDated(const QByteArray& path, int secondsAfter)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY, 0644);
    if (fd < 0)
        return;
    struct timespec times[2] = {{0, UTIME_OMIT}, {1600000000 + secondsAfter, 0}};
    ::futimens(fd, times);
    ::close(fd);
}

} // namespace quorvel::bench
