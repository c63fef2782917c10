#include "remote/HttpExchange.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// What sockets cannot pin down, since the reads they cause are the system's choice: from is the
// buffer's size before its latest chunk, so an end split across chunks must still be found, and
// past the limit only an end begun at or before it may still complete a head.
// RemoteDisplayServerTest covers the rest over sockets.
TEST(HttpExchangeTest, HeadScanOnExactChunks)
{
    using enum HttpExchange::HeadStatus;
    const QByteArray head = "GET / HTTP/1.1\r\n\r\n";
    const QByteArray lf = "GET / HTTP/1.1\nHost: a\n\n";
    const QByteArray start = "GET / HTTP/1.1\r\nX: ";
    const QByteArray full = start + QByteArray(HttpExchange::maxHeadBytes - start.size(), 'a');
    const struct
    {
        const char* name;
        QByteArray buffer;
        qsizetype from;
        HttpExchange::HeadStatus status;
    } cases[] = {
        {"chunks split inside the terminator", head, 16, Complete},
        {"bare LF line ends, split between them", lf, lf.size() - 1, Complete},
        {"LF then CR LF, split inside", "GET / HTTP/1.1\nX: a\n\r\n", 21, Complete},
        {"one empty line first", "\r\n" + head, 0, Complete},
        {"two empty lines first", "\n\n" + head, 0, BadRequestLine},
        {"HTTP/0.9 line, judged at its end", "GET /\n", 5, BadRequestLine},
        {"HTTP/0.9 line before its end", "GET /", 0, Incomplete},
        {"the limit, terminator begun", full + "\r\n\r", 0, Incomplete},
        {"the limit, LF terminator begun", full + "\n", 0, Incomplete},
        {"the limit, ended by CR LF LF", full + "\r\n\n", 0, Complete},
        {"the limit, then what cannot begin a terminator", full + "\r\r\n", 0, TooLong},
        {"one past the limit", full + "a\r\n\r\n", 0, TooLong},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HttpExchange::scanHead(c.buffer, c.from).status, c.status) << c.name;
}

// Literals, localhost and the machine's names, in any case, with or without a port; nothing
// that only begins or ends like one of them.
TEST(HttpExchangeTest, OnlyLiteralsLocalhostAndTheMachinesNamesAreAllowedHosts)
{
    const QStringList names{"studio-mac", "studio-mac.local"};
    for (const char* host : {"127.0.0.1", "192.168.1.20:8787", "[::1]", "[fe80::1:2]:8787",
                             "LocalHost:8787", "localhost:", "Studio-Mac", "studio-mac.LOCAL:8787"})
        EXPECT_TRUE(HttpExchange::hostAllowed(host, names)) << host;
    for (const char* host :
         {"attacker.example:8787", "localhost.attacker.example",
          "studio-mac.local.attacker.example", "127.0.0.1.nip.io", "1.2.3", "256.0.0.1", "::1",
          "[::1]x", "[127.0.0.1]", "localhost:123456", "localhost:80:80", ""})
        EXPECT_FALSE(HttpExchange::hostAllowed(host, names)) << '"' << host << '"';
    EXPECT_FALSE(HttpExchange::hostAllowed("studio-mac", {})) << "a name the machine lacks";
}

TEST(HttpExchangeTest, AKeyIsCarriedInTheQueryOrAsABearerCredentialByteForByte)
{
    const QByteArray key = "00112233445566778899aabbccddeeff";
    const struct
    {
        QByteArray head;
        bool carried;
    } cases[] = {
        {"GET /state?t=1&key=" + key + "&x HTTP/1.1\r\nHost: a", true},
        {"GET /state?key=wrong&key=" + key + " HTTP/1.1", true},
        {"GET /?key=%30%30112233445566778899aabbccddeeff HTTP/1.1", true},
        {"GET /state HTTP/1.1\nauthorization:   bearer  " + key + " \n", true},
        {"GET /?key= HTTP/1.1", false},
        {"GET /?key=" + key.left(31) + " HTTP/1.1", false},
        {"GET /?key=" + key + "0 HTTP/1.1", false},
        {"GET /?key=" + key.toUpper() + " HTTP/1.1", false},
        {"GET /?mykey=" + key + " HTTP/1.1", false},
        {"GET /#?key=" + key + " HTTP/1.1", false},
        {"GET / HTTP/1.1\r\nAuthorization: Basic " + key, false},
        {"GET / HTTP/1.1\r\nX-Authorization: Bearer " + key, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HttpExchange::carriesKey(c.head, key), c.carried) << c.head.toStdString();
    EXPECT_FALSE(HttpExchange::carriesKey("GET /?key= HTTP/1.1", "")) << "an empty key";
    // The comparison itself: a NUL must not end it early.
    EXPECT_FALSE(
        HttpExchange::keysEqual(QByteArrayView("0123456789abcde\0", 16), "0123456789abcde"));
    EXPECT_FALSE(HttpExchange::keysEqual("0123456789abcdef", "0123456789abcdef0"));
    EXPECT_FALSE(HttpExchange::keysEqual("x123456789abcdef", "0123456789abcdef"));
    EXPECT_TRUE(HttpExchange::keysEqual("0123456789abcdef", "0123456789abcdef"));
}

} // namespace
} // namespace quorvel
