#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace quorvel::NetworkInterfaces {

// Interface flag bits as the interface list reports them; the values are the ones Linux and the
// BSDs (macOS included) share, so callers can test them without system headers.
enum Flag : unsigned {
    Up = 0x1,
    Loopback = 0x8,
    Running = 0x40,
};

enum class Family { IPv4, IPv6, Other };

// One entry of the system's interface address list, in the order the system gives it.
struct Address
{
    QString interfaceName;
    unsigned flags = 0;
    Family family = Family::Other;
    // The address in numeric form (dotted decimal for IPv4); empty when the entry has no address
    // or it could not be converted.
    QString numericHost;

    friend bool operator==(const Address&, const Address&) = default;
};

// Every interface address of this machine (getifaddrs, converted with getnameinfo in numeric
// form, so no name service is asked). None when the system cannot give the list.
// Thread: any; a synchronous system call on the caller's thread.
std::optional<std::vector<Address>> addresses();

// The machine's host name as the network knows it: on Linux the kernel's host name, domain
// included if it has one; on macOS the local (Bonjour) host name. None when it cannot be read or
// is empty. Thread: any.
std::optional<QString> hostName();

} // namespace quorvel::NetworkInterfaces
