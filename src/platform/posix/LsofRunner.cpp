// The lsof runner: the tool as a child process with its own pipes and process group, under a
// watchdog. Plain POSIX, shared by every system that has lsof.

#include "providers/SystemProbe.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace quorvel::SystemProbe {

namespace {

using Clock = std::chrono::steady_clock;

// lsof prints a name byte by byte as an escape (\xf0...) unless its locale says the bytes form
// printable characters; a UTF-8 locale keeps names with accents or emoji intact.
constexpr const char* toolLocale = "LC_ALL=C.UTF-8";

// How long to wait for a killed tool to disappear before leaving it to a reaper thread.
constexpr auto reapGrace = std::chrono::milliseconds(500);

class Fd
{
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

bool makePipe(Fd& readEnd, Fd& writeEnd)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    // Close-on-exec keeps our ends out of every other child; the spawn's dup2 clears it on the
    // copies the tool gets.
    for (int fd : fds)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    return true;
}

// Reads what is available without blocking. Returns false once the pipe has reached its end or
// failed, so the caller stops watching it.
bool readAvailable(int fd, QByteArray* sink)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            if (sink)
                sink->append(buffer, n);
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
}

std::vector<std::string> toolEnvironment()
{
    std::vector<std::string> entries;
    for (char** entry = environ; entry && *entry; ++entry) {
        if (std::strncmp(*entry, "LC_ALL=", 7) != 0)
            entries.emplace_back(*entry);
    }
    entries.emplace_back(toolLocale);
    return entries;
}

struct SpawnSetup
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup()
    {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Runs lsof with the given process selection, then "-w -Fn0".
LsofRun runLsofSelecting(const std::vector<std::string>& selection, const LsofOptions& options)
{
    LsofRun run;
    const QByteArray tool =
        QFile::encodeName(options.toolPath.isEmpty() ? defaultLsofPath() : options.toolPath);

    Fd outRead, outWrite, errRead, errWrite;
    if (!makePipe(outRead, outWrite) || !makePipe(errRead, errWrite))
        return run;

    SpawnSetup setup;
    ::posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&setup.actions, outWrite.get(), 1);
    ::posix_spawn_file_actions_adddup2(&setup.actions, errWrite.get(), 2);
    // A group of its own lets the watchdog reach whatever the tool starts; lsof forks helpers for
    // calls that may hang. The scan thread's signal mask and dispositions must not leak into it,
    // or a blocked SIGTERM would make the first watchdog step useless.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setpgroup(&setup.attributes, 0);
    ::posix_spawnattr_setsigmask(&setup.attributes, &none);
    ::posix_spawnattr_setsigdefault(&setup.attributes, &all);
    ::posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                      POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> arguments{tool.toStdString()};
    arguments.insert(arguments.end(), selection.begin(), selection.end());
    arguments.insert(arguments.end(), {"-w", "-Fn0"});
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = toolEnvironment();
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t pid = -1;
    if (::posix_spawn(&pid, tool.constData(), &setup.actions, &setup.attributes, argv.data(),
                      envp.data()) != 0)
        return run;
    run.launched = true;
    outWrite.reset();
    errWrite.reset();

    QByteArray output;
    const auto launchedAt = Clock::now();
    const auto terminateAt = launchedAt + options.terminateAfter;
    const auto killAt = terminateAt + options.killAfter;
    bool outOpen = true;
    bool errOpen = true;
    bool exited = false;
    // Set when someone else reaps our children (SIGCHLD ignored): then the pipes' end is the
    // only sign that the tool is done.
    bool unwaitable = false;
    int status = 0;
    auto idleWait = std::chrono::milliseconds(1);

    for (;;) {
        if (!unwaitable) {
            const pid_t waited = ::waitpid(pid, &status, WNOHANG);
            if (waited == pid) {
                exited = true;
                // Everything the tool wrote is in the pipe by now; a descendant still holding
                // the pipe open must not keep us reading.
                if (outOpen)
                    readAvailable(outRead.get(), &output);
                break;
            }
            unwaitable = waited < 0 && errno == ECHILD;
        }
        if (unwaitable && !outOpen && !errOpen)
            break;

        const auto now = Clock::now();
        if (!run.terminateSent && now >= terminateAt) {
            ::kill(-pid, SIGTERM);
            run.terminateSent = true;
        }
        if (run.terminateSent && !run.killSent && now >= killAt) {
            ::kill(-pid, SIGKILL);
            run.killSent = true;
        }
        if (run.killSent && now >= killAt + reapGrace && unwaitable)
            break;
        if (run.killSent && now >= killAt + reapGrace) {
            // Unkillable for now (stuck in the kernel): never wait longer than the watchdog
            // promises, and let a thread of its own collect the process whenever it ends.
            std::thread([pid] {
                int ignored = 0;
                while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
                }
            }).detach();
            break;
        }

        auto next = run.killSent ? killAt + reapGrace : run.terminateSent ? killAt : terminateAt;
        auto timeout = std::chrono::duration_cast<std::chrono::milliseconds>(next - now) +
                       std::chrono::milliseconds(1);
        if (outOpen || errOpen) {
            // The pipes wake us for data and at their end; the cap notices a tool that ended
            // while a descendant keeps the pipes open.
            timeout = std::min(timeout, std::chrono::milliseconds(50));
            pollfd fds[2];
            nfds_t count = 0;
            if (outOpen)
                fds[count++] = {outRead.get(), POLLIN, 0};
            if (errOpen)
                fds[count++] = {errRead.get(), POLLIN, 0};
            const int ready = ::poll(fds, count, static_cast<int>(timeout.count()));
            if (ready > 0) {
                for (nfds_t i = 0; i < count; ++i) {
                    if (!fds[i].revents)
                        continue;
                    if (fds[i].fd == outRead.get())
                        outOpen = readAvailable(outRead.get(), &output);
                    else
                        errOpen = readAvailable(errRead.get(), nullptr);
                }
            }
        } else {
            // Both pipes have ended, so the tool is on its way out: look again soon.
            timeout = std::min(timeout, idleWait);
            idleWait = std::min(idleWait * 2, std::chrono::milliseconds(50));
            ::poll(nullptr, 0, static_cast<int>(timeout.count()));
        }
    }

    if (exited && WIFSIGNALED(status))
        run.endingSignal = WTERMSIG(status);
    run.paths = parseNameFields(output);
    return run;
}

} // namespace

QString defaultLsofPath()
{
    const QString macOSPlace = QStringLiteral("/usr/sbin/lsof");
    if (QFileInfo::exists(macOSPlace))
        return macOSPlace;
    return QStringLiteral("/usr/bin/lsof");
}

LsofRun runLsof(const QString& commandFilter, const LsofOptions& options)
{
    return runLsofSelecting({"-c", commandFilter.toStdString(), "-a"}, options);
}

LsofRun runLsof(const std::vector<qint64>& processIds, const LsofOptions& options)
{
    std::string list;
    for (const qint64 pid : processIds) {
        if (pid <= 0)
            continue;
        list += (list.empty() ? "" : ",") + std::to_string(pid);
    }
    if (list.empty())
        return LsofRun{};
    return runLsofSelecting({"-p", list, "-a"}, options);
}

QStringList openFilePathsWithLsof(const QString& commandFilter, const LsofOptions& options)
{
    return runLsof(commandFilter, options).paths;
}

} // namespace quorvel::SystemProbe
