#include "simulate/ProcessName.h"

#include <cerrno>
#include <cstring>
#include <sys/prctl.h>

namespace quorvel::simulate::ProcessName {

namespace {

// The kernel keeps 16 bytes of a command name, the last one the terminating zero.
constexpr std::size_t longestName = 15;

} // namespace

std::string adopt(const std::string& name, char** /*argv*/)
{
    if (name.empty() || name.size() > longestName)
        return "the process name '" + name + "' does not fit Linux's 15-byte command name";
    if (::prctl(PR_SET_NAME, name.c_str(), 0, 0, 0) != 0)
        return std::string("cannot set the process name: ") + std::strerror(errno);
    return {};
}

} // namespace quorvel::simulate::ProcessName
