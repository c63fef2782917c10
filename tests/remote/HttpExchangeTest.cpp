#include "remote/HttpExchange.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(HttpExchangeTest, HeadEndFindsTheFirstTerminatorAcrossChunks)
{
    const struct
    {
        QByteArray buffer;
        qsizetype from;
        qsizetype expected;
    } cases[] = {
        {"GET / HTTP/1.1\r\n\r\n", 0, 14},
        {"GET / HTTP/1.1\r\n\r\n", 17, 14}, // the last byte came in its own chunk
        {"GET / HTTP/1.1\r\n\r\n", 15, 14},
        {"GET / HTTP/1.1\r\n\r\nbody\r\n\r\n", 0, 14},
        {"GET / HTTP/1.1\r\n", 0, -1},
        {"GET / HTTP/1.1\n\n", 0, -1},
        {"GET / HTTP/1.1\r\r\n\n", 0, -1},
        {"\r\n\r\n", 0, 0},
        {"", 0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HttpExchange::headEnd(c.buffer, c.from), c.expected)
            << "buffer " << c.buffer.toStdString() << " from " << c.from;
    }
}

TEST(HttpExchangeTest, HeadLimitAppliesToTheHeadWhateverTheChunks)
{
    using HttpExchange::HeadStatus;
    constexpr qsizetype limit = HttpExchange::maxHeadBytes;
    const auto filled = [](qsizetype size) { return QByteArray(size, 'a'); };
    const struct
    {
        const char* name;
        QByteArray buffer;
        HeadStatus status;
        qsizetype length;
    } cases[] = {
        {"short and complete", "GET / HTTP/1.1\r\n\r\n", HeadStatus::Complete, 14},
        {"short, no terminator yet", "GET / HTTP/1.1\r\n", HeadStatus::Incomplete, 0},
        {"exactly the limit, no terminator", filled(limit), HeadStatus::Incomplete, 0},
        {"exactly the limit, terminated", filled(limit) + "\r\n\r\n", HeadStatus::Complete, limit},
        {"limit, terminator begun", filled(limit) + "\r\n\r", HeadStatus::Incomplete, 0},
        {"limit minus one, terminator begun", filled(limit - 1) + "\r\n\r", HeadStatus::Incomplete,
         0},
        {"one past the limit", filled(limit + 1), HeadStatus::TooLong, 0},
        {"one past, terminated in the same chunk", filled(limit + 1) + "\r\n\r\n",
         HeadStatus::TooLong, 0},
        {"limit then a byte that cannot start a terminator", filled(limit) + "\r\n\n",
         HeadStatus::TooLong, 0},
        {"far past, terminated", filled(3 * limit) + "\r\n\r\n", HeadStatus::TooLong, 0},
    };
    for (const auto& c : cases) {
        const auto scan = HttpExchange::scanHead(c.buffer);
        EXPECT_EQ(scan.status, c.status) << c.name;
        EXPECT_EQ(scan.length, c.length) << c.name;
    }
}

TEST(HttpExchangeTest, RequestLineIsMethodAndPathWithoutQuery)
{
    const QString replacement(QChar(0xFFFD));
    const struct
    {
        QByteArray head;
        QString method;
        QString path;
    } cases[] = {
        {"GET / HTTP/1.1", "GET", "/"},
        {"GET /state?t=123 HTTP/1.1\r\nHost: x", "GET", "/state"},
        {"GET /a?b?c HTTP/1.1", "GET", "/a"},
        {"GET ?x HTTP/1.1", "GET", ""},
        {"GET", "GET", "/"},
        {"", "", "/"},
        {"   ", "", "/"},
        {"  GET   /state   HTTP/1.1  ", "GET", "/state"},
        {"GET /state\rHost: x", "GET", "/state"},
        {"GET /state\nHost: x", "GET", "/state"},
        {"\r\nGET /state", "", "/"},
        {"GET\t/state HTTP/1.1", "GET\t/state", "HTTP/1.1"},
        {"GET /%73tate#frag", "GET", "/%73tate#frag"},
        {QByteArray("GET /st\0ate", 11), "GET", QString::fromUtf8("/st\0ate", 7)},
        {"GET /\xff", "GET", "/" + replacement},
        {"G\xc3T /", "G" + replacement + "T", "/"},
        {"GET /caf\xc3\xa9", "GET", QString::fromUtf8("/caf\xc3\xa9")},
    };
    for (const auto& c : cases) {
        const auto request = HttpExchange::parseRequestLine(c.head);
        EXPECT_EQ(request.method, c.method) << "head " << c.head.toStdString();
        EXPECT_EQ(request.path, c.path) << "head " << c.head.toStdString();
    }
}

} // namespace
} // namespace quorvel
