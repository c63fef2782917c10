#include "platform/SocketEnds.h"

#include <sys/socket.h>

namespace quorvel::SocketEnds {

void closeSending(qintptr socketDescriptor)
{
    if (socketDescriptor >= 0)
        ::shutdown(static_cast<int>(socketDescriptor), SHUT_WR);
}

} // namespace quorvel::SocketEnds
