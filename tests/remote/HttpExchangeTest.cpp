#include "remote/HttpExchange.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// What sockets cannot pin down, since the reads they cause are the system's choice: from is the
// buffer's size before its latest chunk, so a terminator split across chunks must still be found,
// and past the limit only a terminator begun at or before it may still complete a head.
// RemoteDisplayServerTest covers the rest over sockets.
TEST(HttpExchangeTest, HeadScanOnExactChunks)
{
    using enum HttpExchange::HeadStatus;
    const QByteArray head = "GET / HTTP/1.1\r\n\r\n";
    const QByteArray full(HttpExchange::maxHeadBytes, 'a');
    const struct
    {
        const char* name;
        QByteArray buffer;
        qsizetype from;
        HttpExchange::HeadStatus status;
    } cases[] = {
        {"last byte in a chunk of its own", head, 17, Complete},
        {"chunks split inside the terminator", head, 16, Complete},
        {"the limit, terminator begun", full + "\r\n\r", 0, Incomplete},
        {"one under the limit, terminator begun", full.left(full.size() - 1) + "\r\n\r", 0,
         Incomplete},
        {"the limit, then what cannot begin a terminator", full + "\r\n\n", 0, TooLong},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HttpExchange::scanHead(c.buffer, c.from).status, c.status) << c.name;
}

} // namespace
} // namespace quorvel
