#include "simulate/ProcessName.h"

#include "simulate/posix/LinkRestart.h"

namespace quorvel::simulate::ProcessName {

std::string adopt(const std::string& name, const std::string& invokedAs, char** argv)
{
    // Back from the restart, under the link's name.
    if (LinkRestart::finish())
        return {};
    if (invokedAs.empty() &&
        std::filesystem::path(LinkRestart::executablePath(argv[0])).filename() == name)
        return {};
    return LinkRestart::restart(name, invokedAs, argv);
}

} // namespace quorvel::simulate::ProcessName
