#include "platform/RunningApplications.h"
#include "platform/linux/ProcFs.h"
#include "providers/ExecutableName.h"
#include "providers/PathText.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::RunningApplications {

namespace {

// The process flag the kernel sets on its own threads (include/linux/sched.h).
constexpr unsigned long kernelThreadFlag = 0x00200000;

struct ProcessStatus
{
    std::string commandName;
    char state = '?';
    unsigned long flags = 0;
};

// /proc/PID/stat: "pid (comm) state ppid pgrp session tty_nr tpgid flags ...". The command name
// may itself hold spaces and parentheses, so it runs to the last ")".
std::optional<ProcessStatus> readStatus(int procFd, pid_t pid)
{
    char path[32];
    std::snprintf(path, sizeof path, "%d/stat", static_cast<int>(pid));
    const auto text = ProcFs::readSmallFile(procFd, path, 1024);
    if (!text)
        return std::nullopt;
    const size_t open = text->find('(');
    const size_t close = text->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 2 >= text->size())
        return std::nullopt;

    ProcessStatus status;
    status.commandName = text->substr(open + 1, close - open - 1);
    const char* cursor = text->c_str() + close + 2;
    status.state = *cursor;
    // Skip state, ppid, pgrp, session, tty_nr and tpgid to reach flags.
    for (int field = 0; field < 6; ++field) {
        while (*cursor && *cursor != ' ')
            ++cursor;
        if (!*cursor)
            return std::nullopt;
        ++cursor;
    }
    status.flags = std::strtoul(cursor, nullptr, 10);
    return status;
}

// The kernel keeps 15 bytes of a command name (TASK_COMM_LEN less its terminator).
constexpr size_t commandNameLength = 15;

QString decodedOrEmpty(const std::optional<std::string>& bytes)
{
    return bytes ? PathText::decodeUtf8(*bytes).value_or(QString()) : QString();
}

// Fills in the full name and the Wine prefix. Only a command name that may have been cut, or that
// names a Windows program, is worth the extra reads, which keeps the walk cheap for the hundreds
// of processes that are neither.
void addIdentity(int procFd, pid_t pid, const std::string& commandName,
                 RunningApplication& application)
{
    const bool windowsProgram =
        commandName.size() > 4 &&
        ::strcasecmp(commandName.c_str() + commandName.size() - 4, ".exe") == 0;
    if (commandName.size() < commandNameLength && !windowsProgram)
        return;
    const QString executable = decodedOrEmpty(ProcFs::executablePath(procFd, pid));
    if (application.localizedName) {
        const QString full =
            ExecutableName::full(*application.localizedName,
                                 decodedOrEmpty(ProcFs::firstArgument(procFd, pid)), executable);
        if (full != *application.localizedName)
            application.executableName = full;
    }
    if (!ExecutableName::isWineLoader(executable))
        return;
    // Wine's own rule: WINEPREFIX when set, else .wine in the home folder.
    QString prefix = decodedOrEmpty(ProcFs::environmentValue(procFd, pid, "WINEPREFIX"));
    if (prefix.isEmpty()) {
        QString home = decodedOrEmpty(ProcFs::environmentValue(procFd, pid, "HOME"));
        if (home.isEmpty())
            home = qEnvironmentVariable("HOME");
        if (!home.isEmpty())
            prefix = PathText::folderPrefix(home) + QStringLiteral(".wine");
    }
    if (prefix.startsWith(u'/'))
        application.winePrefix = prefix;
}

} // namespace

std::vector<RunningApplication> current()
{
    std::vector<RunningApplication> applications;
    const ProcFs::Root proc;
    if (proc.fd() < 0)
        return applications;
    const uid_t user = ::getuid();

    for (const pid_t pid : ProcFs::processIds(proc.fd())) {
        char path[16];
        std::snprintf(path, sizeof path, "%d", static_cast<int>(pid));
        struct stat owner;
        if (::fstatat(proc.fd(), path, &owner, 0) != 0 || owner.st_uid != user)
            continue;
        const auto status = readStatus(proc.fd(), pid);
        // A kernel thread is no application, and a zombie has already quit.
        if (!status || (status->flags & kernelThreadFlag) || status->state == 'Z' ||
            status->state == 'X')
            continue;
        RunningApplication application;
        application.localizedName = PathText::decodeUtf8(status->commandName);
        application.isRegular = true;
        application.processId = pid;
        addIdentity(proc.fd(), pid, status->commandName, application);
        applications.push_back(std::move(application));
    }
    return applications;
}

} // namespace quorvel::RunningApplications
