#include "simulate/ProcessName.h"

#include "simulate/posix/LinkRestart.h"

#include <cerrno>
#include <cstring>
#include <sys/prctl.h>

namespace quorvel::simulate::ProcessName {

namespace {

// The kernel keeps 16 bytes of a command name, the last one the terminating zero.
constexpr std::size_t longestName = 15;

} // namespace

std::string adopt(const std::string& name, const std::string& invokedAs, char** argv)
{
    if (name.empty())
        return "the process name is empty";
    // Back from the restart: the kernel named the process after the link, cut as for the real
    // program.
    if (LinkRestart::finish())
        return {};
    // A longer name, or another argv[0], is what a restart is for: a process can rename itself
    // only to 15 bytes, and its argv[0] stays the path it was started by.
    if (name.size() > longestName || !invokedAs.empty())
        return LinkRestart::restart(name, invokedAs, argv);
    if (::prctl(PR_SET_NAME, name.c_str(), 0, 0, 0) != 0)
        return std::string("cannot set the process name: ") + std::strerror(errno);
    return {};
}

} // namespace quorvel::simulate::ProcessName
