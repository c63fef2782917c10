// The interface list through getifaddrs, which every system here has.

#include "platform/NetworkInterfaces.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>

namespace quorvel::NetworkInterfaces {

static_assert(unsigned(Up) == unsigned(IFF_UP) && unsigned(Loopback) == unsigned(IFF_LOOPBACK) &&
                  unsigned(Running) == unsigned(IFF_RUNNING),
              "interface flag values differ on this system");

namespace {

Family familyOf(const sockaddr* address)
{
    if (address == nullptr)
        return Family::Other;
    switch (address->sa_family) {
    case AF_INET:
        return Family::IPv4;
    case AF_INET6:
        return Family::IPv6;
    default:
        return Family::Other;
    }
}

QString numericHostOf(const sockaddr* address, Family family)
{
    if (family == Family::Other)
        return {};
    const socklen_t length = family == Family::IPv4 ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    char host[NI_MAXHOST] = {};
    if (getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0)
        return {};
    return QString::fromLatin1(host);
}

} // namespace

std::optional<std::vector<Address>> addresses()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::vector<Address> result;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        Address address;
        address.interfaceName = QString::fromLocal8Bit(entry->ifa_name);
        address.flags = entry->ifa_flags;
        address.family = familyOf(entry->ifa_addr);
        address.numericHost = numericHostOf(entry->ifa_addr, address.family);
        result.push_back(std::move(address));
    }
    freeifaddrs(list);
    return result;
}

} // namespace quorvel::NetworkInterfaces
