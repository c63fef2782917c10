#include "platform/HostSystem.h"

namespace quorvel {

HostSystem hostSystem()
{
    return HostSystem::linuxDesktop;
}

} // namespace quorvel
