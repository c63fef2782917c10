// The host name on macOS: the local (Bonjour) host name the system publishes as NAME.local, which
// is what an iPad on the network can resolve; gethostname may give a DHCP-assigned name instead.

#include "platform/NetworkInterfaces.h"

#include <SystemConfiguration/SystemConfiguration.h>

namespace quorvel::NetworkInterfaces {

std::optional<QString> hostName()
{
    const CFStringRef name = SCDynamicStoreCopyLocalHostName(nullptr);
    if (!name)
        return std::nullopt;
    const QString text = QString::fromCFString(name);
    CFRelease(name);
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace quorvel::NetworkInterfaces
