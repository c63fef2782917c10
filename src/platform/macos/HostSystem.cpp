#include "platform/HostSystem.h"

namespace quorvel {

HostSystem hostSystem()
{
    return HostSystem::macOS;
}

} // namespace quorvel
