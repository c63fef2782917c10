#include "remote/NetworkInfo.h"

namespace quorvel::NetworkInfo {

namespace {

bool isEthernetClass(const QString& interfaceName)
{
    // macOS names every Ethernet and Wi-Fi port enN; Linux uses ethN, enpXsY and friends for wired
    // ports and wlanN or wlpXsY for Wi-Fi.
    for (const QLatin1String prefix :
         {QLatin1String("en"), QLatin1String("eth"), QLatin1String("wl")}) {
        if (interfaceName.startsWith(prefix))
            return true;
    }
    return false;
}

} // namespace

std::optional<QString> localNameFromHostName(const std::optional<QString>& hostName)
{
    if (!hostName)
        return std::nullopt;
    const QString name = hostName->section(QLatin1Char('.'), 0, 0);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

QStringList machineNamesFromHostName(const std::optional<QString>& hostName)
{
    const auto localName = localNameFromHostName(hostName);
    if (!localName)
        return {};
    QStringList names{*hostName, *localName, *localName + QLatin1String(".local")};
    names.removeDuplicates();
    return names;
}

QStringList selectLanIPv4(const std::vector<NetworkInterfaces::Address>& addresses)
{
    using namespace NetworkInterfaces;
    constexpr unsigned relevant = Up | Running | Loopback;
    QStringList result;
    for (const Address& address : addresses) {
        if ((address.flags & relevant) != (Up | Running))
            continue;
        if (address.family != Family::IPv4 || address.numericHost.isEmpty())
            continue;
        if (!isEthernetClass(address.interfaceName))
            continue;
        if (!result.contains(address.numericHost))
            result.append(address.numericHost);
    }
    return result;
}

std::optional<QString> localHostName()
{
    return localNameFromHostName(NetworkInterfaces::hostName());
}

QStringList machineNames()
{
    return machineNamesFromHostName(NetworkInterfaces::hostName());
}

QStringList lanIPv4Addresses()
{
    const auto addresses = NetworkInterfaces::addresses();
    return addresses ? selectLanIPv4(*addresses) : QStringList();
}

} // namespace quorvel::NetworkInfo
