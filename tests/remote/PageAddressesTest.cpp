// What the announcement decides, apart from any responder: the service's name, the order of the
// page's addresses and the note the settings show.
#include "remote/NetworkInfo.h"
#include "ui/QtPrinters.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using State = ServiceAnnouncement::State;

// The name carries the host name, and never more than the 63 bytes of UTF-8 DNS-SD allows: a
// long name is cut between characters, never inside a multi-byte one or a surrogate pair.
TEST(PageAddressesTest, TheServiceIsNamedAfterTheHostWithinSixtyThreeBytes)
{
    EXPECT_EQ(NetworkInfo::serviceName(QStringLiteral("studio")), "Quorvel on studio");
    EXPECT_EQ(NetworkInfo::serviceName(std::nullopt), "Quorvel");

    const struct
    {
        QString host;
        QString expectedEnd; // what the cut name ends in
    } cases[] = {
        // "é" is two bytes: 11 + 26 * 2 = 63 fits exactly, a 27th does not.
        {QString(27, QChar(0xE9)), QString(26, QChar(0xE9))},
        // "𝄞" is four bytes and two UTF-16 units; one letter ahead shifts the cut to 11 + 1 +
        // 12 * 4 = 60, as a 13th would need 64.
        {QStringLiteral("x") + QString::fromUtf8("\xF0\x9D\x84\x9E").repeated(14),
         QStringLiteral("x") + QString::fromUtf8("\xF0\x9D\x84\x9E").repeated(12)},
    };
    for (const auto& c : cases) {
        const QString name = NetworkInfo::serviceName(c.host);
        const std::string shown = c.host.toStdString();
        EXPECT_EQ(name, QStringLiteral("Quorvel on ") + c.expectedEnd) << shown;
        EXPECT_LE(name.toUtf8().size(), 63) << shown;
        EXPECT_EQ(QString::fromUtf8(name.toUtf8()), name) << shown << ": not valid UTF-8";
    }
}

// NAME.local leads only while the page is announced; otherwise the numeric addresses, which
// work without an mDNS responder, come first. The key, when required, ends every address.
TEST(PageAddressesTest, TheNameLeadsOnlyWhileAnnounced)
{
    const QStringList lan{"192.0.2.5", "10.0.0.7"};
    const struct
    {
        std::optional<QString> localName;
        QStringList lan;
        bool announced;
        std::optional<QString> key;
        QStringList expected;
    } cases[] = {
        {"studio", lan, true, std::nullopt,
         {"http://studio.local:8787", "http://192.0.2.5:8787", "http://10.0.0.7:8787"}},
        {"studio", lan, false, "k1",
         {"http://192.0.2.5:8787/?key=k1", "http://10.0.0.7:8787/?key=k1",
          "http://studio.local:8787/?key=k1"}},
        {"studio", {}, false, std::nullopt, {"http://studio.local:8787"}},
        {std::nullopt, lan, true, std::nullopt, {"http://192.0.2.5:8787", "http://10.0.0.7:8787"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NetworkInfo::pageURLs(c.localName, c.lan, 8787, c.announced, c.key), c.expected)
            << c.localName.value_or("(no name)").toStdString() << ", "
            << c.lan.join(' ').toStdString() << ", announced " << c.announced << ", key "
            << c.key.value_or("(none)").toStdString();
    }
}

// The note names the service while it is announced or being announced, and otherwise says why
// not and that the numeric addresses lead; nothing at all while there is no announcement.
TEST(PageAddressesTest, TheNoteSaysWhyTheAddressesComeInTheirOrder)
{
    const struct
    {
        ServiceAnnouncement::Status status;
        QStringList mentions;
    } cases[] = {
        {{State::registered, "Quorvel on studio #2", 0},
         {"\u201cQuorvel on studio #2\u201d", ".local address", "first"}},
        {{State::noResponder, "Quorvel on studio", -65537},
         {"avahi-daemon", "numeric addresses come first"}},
        {{State::failed, "Quorvel on studio", -65553}, {"-65553", "numeric addresses come first"}},
    };
    for (const auto& c : cases) {
        const QString note = NetworkInfo::announcementNote(c.status);
        for (const QString& mention : c.mentions)
            EXPECT_TRUE(note.contains(mention))
                << "state " << int(c.status.state) << ": \"" << note.toStdString() << "\" lacks \""
                << mention.toStdString() << "\"";
    }
    EXPECT_EQ(NetworkInfo::announcementNote({}), QString());
}

} // namespace
} // namespace quorvel
