#include "remote/NetworkInfo.h"

#include <QSysInfo>

#include <gtest/gtest.h>

#include <algorithm>

namespace quorvel {
namespace {

using NetworkInterfaces::Address;
using NetworkInterfaces::Family;

constexpr unsigned active = NetworkInterfaces::Up | NetworkInterfaces::Running;

Address entry(const char* name, const char* host, unsigned flags = active,
              Family family = Family::IPv4)
{
    return {QString::fromLatin1(name), flags, family, QString::fromLatin1(host)};
}

TEST(NetworkInfoTest, OnlyActiveEthernetClassIPv4AddressesAreListedOnceInSystemOrder)
{
    // Linux names its wired and Wi-Fi links eth*/en* and wl*, macOS en*.
    EXPECT_EQ(
        NetworkInfo::selectLanIPv4({entry("wlp2s0", "192.0.2.5"), entry("utun3", "10.8.0.2"),
                                    entry("eth0", "192.0.2.2"), entry("en1", "192.0.2.5"),
                                    entry("wlan0", "192.0.2.4"), entry("enp3s0", "192.0.2.3")}),
        QStringList({"192.0.2.5", "192.0.2.2", "192.0.2.4", "192.0.2.3"}));
    // Not up, up but not running, loopback, no IPv4 address, tunnels, bridges and virtual links.
    EXPECT_EQ(
        NetworkInfo::selectLanIPv4({entry("en0", "192.168.1.20", NetworkInterfaces::Running),
                                    entry("en1", "10.0.0.5", NetworkInterfaces::Up),
                                    entry("en9", "127.0.0.2", active | NetworkInterfaces::Loopback),
                                    entry("en0", "fe80::1", active, Family::IPv6),
                                    entry("en0", "", active, Family::Other), entry("en0", ""),
                                    entry("tun0", "10.1.0.2"), entry("wg0", "10.1.0.3"),
                                    entry("bridge100", "10.1.0.4"), entry("docker0", "172.17.0.1"),
                                    entry("veth9", "10.1.0.5"), entry("awdl0", "10.1.0.6")}),
        QStringList());
}

// The local name is the host name up to its first dot; the machine's names add the full host
// name and NAME.local.
TEST(NetworkInfoTest, LocalNameAndMachineNamesComeFromTheHostName)
{
    const struct
    {
        std::optional<QString> hostName;
        std::optional<QString> localName;
        QStringList machineNames;
    } cases[] = {
        {"studio-mac", "studio-mac", {"studio-mac", "studio-mac.local"}},
        {"studio.example.org", "studio", {"studio.example.org", "studio", "studio.local"}},
        {".local", std::nullopt, {}},
        {std::nullopt, std::nullopt, {}},
    };
    for (const auto& c : cases) {
        const std::string shown = c.hostName ? c.hostName->toStdString() : "none";
        EXPECT_EQ(NetworkInfo::localNameFromHostName(c.hostName), c.localName) << shown;
        EXPECT_EQ(NetworkInfo::machineNamesFromHostName(c.hostName), c.machineNames) << shown;
    }
}

// The system side: the machine's own list holds its loopback address, flagged so, and the host
// name is the one the system gives.
TEST(NetworkInfoTest, ThisMachineReportsItsLoopbackAndHostName)
{
    const auto addresses = NetworkInterfaces::addresses();
    ASSERT_TRUE(addresses.has_value());
    const unsigned loopback = active | NetworkInterfaces::Loopback;
    const auto isLoopback = [&](const Address& a) {
        return a.family == Family::IPv4 && a.numericHost == "127.0.0.1" &&
               (a.flags & loopback) == loopback;
    };
    EXPECT_TRUE(std::any_of(addresses->begin(), addresses->end(), isLoopback))
        << addresses->size() << " entries, none an active loopback 127.0.0.1";
    EXPECT_EQ(NetworkInfo::localHostName(),
              NetworkInfo::localNameFromHostName(QSysInfo::machineHostName()));
}

} // namespace
} // namespace quorvel
