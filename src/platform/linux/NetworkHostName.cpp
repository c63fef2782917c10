// The host name on Linux: the kernel's, which Avahi publishes as NAME.local.

#include "platform/NetworkInterfaces.h"

#include <climits>
#include <unistd.h>

namespace quorvel::NetworkInterfaces {

std::optional<QString> hostName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return std::nullopt;
    return QString::fromLocal8Bit(name);
}

} // namespace quorvel::NetworkInterfaces
