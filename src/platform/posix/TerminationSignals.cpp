#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace quorvel {

namespace {

// The handler may only do async-signal-safe work: it writes the signal number into a pipe that
// the event loop watches.
int pipeFds[2] = {-1, -1};

constexpr int handledSignals[] = {SIGINT, SIGTERM, SIGHUP};
bool installed[std::size(handledSignals)] = {};

// A hang-up ignored on entry (a run under nohup) stays ignored: the user asked to outlive the
// terminal. The glibc manual's termination handler example keeps ignored signals the same way
// (https://www.gnu.org/software/libc/manual/html_node/Basic-Signal-Handling.html).
bool keepsIgnored(int signalNumber)
{
    struct sigaction current = {};
    return signalNumber == SIGHUP && ::sigaction(signalNumber, nullptr, &current) == 0 &&
           current.sa_handler == SIG_IGN;
}

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (::pipe(pipeFds) != 0)
        return;
    for (int fd : pipeFds) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(pipeFds[0], &byte, 1) == 1)
            Q_EMIT received(byte);
    });

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(handledSignals); ++i) {
        if (!keepsIgnored(handledSignals[i]))
            installed[i] = ::sigaction(handledSignals[i], &action, nullptr) == 0;
    }
}

TerminationSignals::~TerminationSignals()
{
    for (std::size_t i = 0; i < std::size(handledSignals); ++i) {
        if (installed[i])
            ::signal(handledSignals[i], SIG_DFL);
        installed[i] = false;
    }
    delete m_notifier;
    for (int& fd : pipeFds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace quorvel
