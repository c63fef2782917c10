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

QString serviceName(const std::optional<QString>& localName)
{
    // The limit is Apple's (apple-oss-distributions/mDNSResponder, mDNSShared/dns_sd.h, the
    // notes on name escaping: "The servicename may be up to 63 bytes of UTF-8 text"); Avahi
    // turns a longer name down as invalid.
    constexpr qsizetype maxBytes = 63;
    QString name = QStringLiteral("Quorvel");
    if (localName)
        name += QStringLiteral(" on ") + *localName;
    while (name.toUtf8().size() > maxBytes) {
        name.chop(1);
        // Never leave half of a surrogate pair behind.
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return name;
}

QStringList pageURLs(const std::optional<QString>& localName, const QStringList& lanIPv4,
                     quint16 port, bool nameAnswered, const std::optional<QString>& key)
{
    const QString portText = QString::number(port);
    QStringList urls;
    for (const QString& address : lanIPv4)
        urls << QStringLiteral("http://%1:%2").arg(address, portText);
    if (localName) {
        const QString named = QStringLiteral("http://%1.local:%2").arg(*localName, portText);
        if (nameAnswered)
            urls.prepend(named);
        else
            urls.append(named);
    }
    if (key) {
        for (QString& url : urls)
            url += QStringLiteral("/?key=") + *key;
    }
    return urls;
}

QString announcementNote(const ServiceAnnouncement::Status& status)
{
    using State = ServiceAnnouncement::State;
    const QString quoted = QStringLiteral("\u201c%1\u201d").arg(status.name);
    switch (status.state) {
    case State::off:
        return {};
    case State::pending:
        return QStringLiteral("Announcing the page on the network as %1\u2026").arg(quoted);
    case State::registered:
        return QStringLiteral("Announced on the network as %1, so the .local address works and "
                              "comes first.")
            .arg(quoted);
    case State::noResponder:
        return QStringLiteral("Not announced: no mDNS responder (avahi-daemon) is running, so the "
                              "numeric addresses come first.");
    case State::nameTaken:
        return QStringLiteral("Not announced: another service on this machine is called %1, so "
                              "the numeric addresses come first.")
            .arg(quoted);
    case State::failed:
        return QStringLiteral("Not announced: the mDNS responder refused (error %1), so the "
                              "numeric addresses come first.")
            .arg(status.error);
    }
    return {};
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
