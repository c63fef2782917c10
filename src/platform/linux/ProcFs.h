#pragma once

#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace quorvel {

// Small readers of Linux's /proc shared by the Linux platform code. Everything here tolerates
// processes that end while they are being read: a vanished process reads as no value.
namespace ProcFs {

// An open descriptor of /proc, or -1 when /proc is not mounted. Closed by the destructor.
class Root
{
public:
    Root();
    ~Root();
    Root(const Root&) = delete;
    Root& operator=(const Root&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// The ids of all processes (thread-group leaders), ascending.
std::vector<pid_t> processIds(int procFd);

// The contents of a small file below dirFd, at most maxBytes of it. No value when it cannot be
// opened or read (the process ended, access denied).
std::optional<std::string> readSmallFile(int dirFd, const char* relativePath, size_t maxBytes);

// The kernel's command name of a process (/proc/PID/comm without its line feed), as bytes.
std::optional<std::string> commandName(int procFd, pid_t pid);

// The first argument of a process's command line (/proc/PID/cmdline up to its first NUL).
std::optional<std::string> firstArgument(int procFd, pid_t pid);

// The path of the program a process runs (the /proc/PID/exe link's target).
std::optional<std::string> executablePath(int procFd, pid_t pid);

// The value of one variable in the environment a process started with (/proc/PID/environ).
std::optional<std::string> environmentValue(int procFd, pid_t pid, const std::string& name);

} // namespace ProcFs
} // namespace quorvel
