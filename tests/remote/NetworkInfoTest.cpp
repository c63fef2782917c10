#include "remote/NetworkInfo.h"

#include <QHostAddress>
#include <QSysInfo>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using NetworkInterfaces::Address;
using NetworkInterfaces::Family;

constexpr unsigned active = NetworkInterfaces::Up | NetworkInterfaces::Running;

Address ipv4(const char* name, const char* host, unsigned flags = active)
{
    return {QString::fromLatin1(name), flags, Family::IPv4, QString::fromLatin1(host)};
}

TEST(NetworkInfoTest, OnlyActiveEthernetClassIPv4AddressesAreListedOnce)
{
    const struct
    {
        const char* name;
        std::vector<Address> addresses;
        QStringList expected;
    } cases[] = {
        {"Wi-Fi beside a VPN tunnel",
         {ipv4("en0", "192.168.1.20"), ipv4("utun3", "10.8.0.2")},
         {"192.168.1.20"}},
        {"up but not running",
         {ipv4("en0", "192.168.1.20", NetworkInterfaces::Up), ipv4("en1", "10.0.0.5")},
         {"10.0.0.5"}},
        {"running but not up", {ipv4("en0", "192.168.1.20", NetworkInterfaces::Running)}, {}},
        {"the same address on two ports",
         {ipv4("en0", "192.168.1.20"), ipv4("en1", "192.168.1.20"), ipv4("en2", "192.168.1.21")},
         {"192.168.1.20", "192.168.1.21"}},
        {"system order kept",
         {ipv4("en5", "10.0.0.9"), ipv4("en0", "10.0.0.1")},
         {"10.0.0.9", "10.0.0.1"}},
        {"loopback",
         {ipv4("lo0", "127.0.0.1", active | NetworkInterfaces::Loopback),
          ipv4("en9", "127.0.0.2", active | NetworkInterfaces::Loopback)},
         {}},
        {"IPv6 and entries without an address",
         {{"en0", active, Family::IPv6, "fe80::1"},
          {"en0", active, Family::Other, ""},
          {"en0", active, Family::IPv4, ""}},
         {}},
        {"Linux wired and Wi-Fi names",
         {ipv4("eth0", "192.0.2.2"), ipv4("enp3s0", "192.0.2.3"), ipv4("wlan0", "192.0.2.4"),
          ipv4("wlp2s0", "192.0.2.5")},
         {"192.0.2.2", "192.0.2.3", "192.0.2.4", "192.0.2.5"}},
        {"tunnels, bridges and virtual links",
         {ipv4("utun0", "10.1.0.1"), ipv4("tun0", "10.1.0.2"), ipv4("wg0", "10.1.0.3"),
          ipv4("bridge100", "10.1.0.4"), ipv4("docker0", "172.17.0.1"),
          ipv4("br-1a2b", "172.18.0.1"), ipv4("veth9", "10.1.0.5"), ipv4("awdl0", "10.1.0.6"),
          ipv4("tailscale0", "100.64.0.1")},
         {}},
        {"nothing at all", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetworkInfo::selectLanIPv4(c.addresses), c.expected) << c.name;
}

TEST(NetworkInfoTest, LocalNameIsTheHostNameUpToItsFirstDot)
{
    const struct
    {
        std::optional<QString> hostName;
        std::optional<QString> expected;
    } cases[] = {
        {QStringLiteral("studio-mac"), QStringLiteral("studio-mac")},
        {QStringLiteral("studio-mac.local"), QStringLiteral("studio-mac")},
        {QStringLiteral("studio.example.org"), QStringLiteral("studio")},
        {QStringLiteral(".local"), std::nullopt},
        {QString(), std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NetworkInfo::localNameFromHostName(c.hostName), c.expected)
            << (c.hostName ? c.hostName->toStdString() : "none");
    }
}

TEST(NetworkInfoTest, ThisMachineGivesPlainIPv4AddressesAndItsHostName)
{
    for (const QString& address : NetworkInfo::lanIPv4Addresses()) {
        QHostAddress parsed;
        EXPECT_TRUE(parsed.setAddress(address)) << address.toStdString();
        EXPECT_EQ(parsed.protocol(), QAbstractSocket::IPv4Protocol) << address.toStdString();
        EXPECT_FALSE(parsed.isLoopback()) << address.toStdString();
    }
    EXPECT_EQ(NetworkInfo::localHostName(),
              NetworkInfo::localNameFromHostName(QSysInfo::machineHostName()));
}

} // namespace
} // namespace quorvel
