#pragma once

#include "platform/NetworkInterfaces.h"
#include "platform/ServiceAnnouncement.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quorvel::NetworkInfo {

// The name this machine answers to on the local network without a domain (what mDNS publishes
// as NAME.local); none when the system has no usable name. Thread: any.
std::optional<QString> localHostName();

// Dotted-decimal IPv4 addresses of the machine's active Ethernet-class interfaces (wired and
// Wi-Fi), in the system's order, each once. Empty when the interface list cannot be read.
// Thread: any.
QStringList lanIPv4Addresses();

// The names a client on the studio network may use to reach this machine: its host name, that
// name without its domain, and NAME.local. Empty when the system has no usable name. Thread: any.
QStringList machineNames();

// The decisions behind the two calls above, apart from the system so every case can be fed in.
//
// A host name cut at its first "."; none when nothing is left.
std::optional<QString> localNameFromHostName(const std::optional<QString>& hostName);

// The names of machineNames() for a host name, each once.
QStringList machineNamesFromHostName(const std::optional<QString>& hostName);

// Keeps the entries that are up, running and not loopback, carry an IPv4 address and belong to an
// Ethernet-class interface (name beginning with "en", "eth" or "wl": tunnels such as utun or wg,
// bridges and virtual links are not reachable from the studio network); the first occurrence of
// each address wins.
QStringList selectLanIPv4(const std::vector<NetworkInterfaces::Address>& addresses);

// The name the remote page is announced under on the local network: "Quorvel on NAME" for the
// local host name, cut at a character boundary to the 63 bytes of UTF-8 a DNS-SD service name may
// have; "Quorvel" when the machine has no usable name.
QString serviceName(const std::optional<QString>& localName);

// The addresses under which the remote page on port can be opened: NAME.local (when the machine
// has a name) and one per LAN address. NAME.local leads only while nameAnswered (the page is
// announced, so an mDNS responder answers for the name); otherwise it follows the numeric
// addresses, which work without one. With a key, each ends in "/?key=KEY".
QStringList pageURLs(const std::optional<QString>& localName, const QStringList& lanIPv4,
                     quint16 port, bool nameAnswered, const std::optional<QString>& key);

// One sentence for the settings: the name the page is announced under, or why it is not and so
// which addresses come first. Empty while nothing is announced.
QString announcementNote(const ServiceAnnouncement::Status& status);

} // namespace quorvel::NetworkInfo
