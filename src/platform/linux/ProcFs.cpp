#include "platform/linux/ProcFs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace quorvel::ProcFs {

Root::Root() : m_fd(::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

Root::~Root()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::vector<pid_t> processIds(int procFd)
{
    std::vector<pid_t> ids;
    if (procFd < 0)
        return ids;
    // A descriptor of our own: readdir consumes the position of the one it is given.
    const int listFd = ::openat(procFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return ids;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return ids;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (*name < '1' || *name > '9')
            continue;
        long value = 0;
        bool numeric = true;
        for (const char* c = name; *c; ++c) {
            if (*c < '0' || *c > '9' || value > 100000000) {
                numeric = false;
                break;
            }
            value = value * 10 + (*c - '0');
        }
        if (numeric)
            ids.push_back(static_cast<pid_t>(value));
    }
    ::closedir(dir);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::optional<std::string> readSmallFile(int dirFd, const char* relativePath, size_t maxBytes)
{
    const int fd = ::openat(dirFd, relativePath, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::string contents(maxBytes, '\0');
    size_t filled = 0;
    while (filled < maxBytes) {
        const ssize_t n = ::read(fd, contents.data() + filled, maxBytes - filled);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        const size_t asked = maxBytes - filled;
        filled += static_cast<size_t>(n);
        // The kernel hands out these small files whole in one read; a short read is their end,
        // which saves a system call per process on every walk.
        if (static_cast<size_t>(n) < asked)
            break;
    }
    ::close(fd);
    contents.resize(filled);
    return contents;
}

std::optional<std::string> commandName(int procFd, pid_t pid)
{
    char path[32];
    std::snprintf(path, sizeof path, "%d/comm", static_cast<int>(pid));
    auto name = readSmallFile(procFd, path, 64);
    if (!name)
        return std::nullopt;
    if (!name->empty() && name->back() == '\n')
        name->pop_back();
    return name;
}

std::optional<std::string> firstArgument(int procFd, pid_t pid)
{
    char path[32];
    std::snprintf(path, sizeof path, "%d/cmdline", static_cast<int>(pid));
    auto text = readSmallFile(procFd, path, 4096);
    if (!text)
        return std::nullopt;
    text->resize(std::strlen(text->c_str()));
    return text;
}

std::optional<std::string> executablePath(int procFd, pid_t pid)
{
    char path[32];
    std::snprintf(path, sizeof path, "%d/exe", static_cast<int>(pid));
    std::string target(4096, '\0');
    const ssize_t n = ::readlinkat(procFd, path, target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size())
        return std::nullopt;
    target.resize(static_cast<size_t>(n));
    return target;
}

std::optional<std::string> environmentValue(int procFd, pid_t pid, const std::string& name)
{
    char path[32];
    std::snprintf(path, sizeof path, "%d/environ", static_cast<int>(pid));
    // Environments are usually a few kilobytes; a quarter megabyte holds any real one whole.
    const auto text = readSmallFile(procFd, path, 256 * 1024);
    if (!text)
        return std::nullopt;
    const std::string wanted = name + '=';
    size_t start = 0;
    while (start < text->size()) {
        size_t end = text->find('\0', start);
        if (end == std::string::npos)
            end = text->size();
        if (text->compare(start, wanted.size(), wanted) == 0)
            return text->substr(start + wanted.size(), end - start - wanted.size());
        start = end + 1;
    }
    return std::nullopt;
}

} // namespace quorvel::ProcFs
