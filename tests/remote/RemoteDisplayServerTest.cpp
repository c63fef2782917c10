#include "remote/RemoteDisplayServer.h"

#include "remote/LoopbackClient.h"
#include "remote/NetworkInfo.h"
#include "remote/StateDocuments.h"
#include "support/Poll.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {
namespace {

using test::exchange;
using test::LoopbackClient;
using test::pollUntil;

const QByteArray getState = "GET /state HTTP/1.1\r\n\r\n";
const QByteArray json = "application/json; charset=utf-8";
const QByteArray ok = "HTTP/1.1 200 OK\r\n";
const QByteArray textPlain = "text/plain; charset=utf-8";

// Each test begins with a running server on a port the system chose. The status reports of every
// server a test makes are recorded as "running", "stopped" or "failed" (with a text), and each
// must arrive on the main thread.
class RemoteDisplayServerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(startAndWait(*(server = makeServer(0)))); }

    std::unique_ptr<RemoteDisplayServer> makeServer(quint16 port)
    {
        auto created = std::make_unique<RemoteDisplayServer>(port);
        created->setStatusHandler([this](bool running, std::optional<QString> error) {
            EXPECT_EQ(QThread::currentThread(), qApp->thread()) << "a status report's thread";
            lastError = error;
            statuses.push_back(running            ? "running"
                               : !error           ? "stopped"
                               : error->isEmpty() ? "failed without text"
                                                  : "failed");
        });
        return created;
    }

    // Starts target and waits for the outcome; true when it reports running.
    bool startAndWait(RemoteDisplayServer& target)
    {
        const std::size_t before = statuses.size();
        target.start();
        return pollUntil(
                   [&] { return statuses.size() > before && statuses.back() != "stopped"; }) &&
               statuses.back() == "running";
    }

    void stopAndWait(RemoteDisplayServer& target)
    {
        const std::size_t before = statuses.size();
        target.stop();
        ASSERT_TRUE(pollUntil([&] { return statuses.size() > before; }));
    }

    std::unique_ptr<RemoteDisplayServer> server;
    std::vector<std::string> statuses;
    std::optional<QString> lastError; // of the last report
};

// A whole response; its layout is pinned byte for byte by the 404 example.
QByteArray response(const QByteArray& status, const QByteArray& type, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nCache-Control: no-store\r\nAccess-Control-Allow-Origin: *\r\n"
           "Connection: close\r\n\r\n" +
           body;
}

// Bytes as printable text for failure messages.
std::string shown(const QByteArray& bytes)
{
    return bytes.left(100).toPercentEncoding(" /?#:*=").toStdString() + " (" +
           std::to_string(bytes.size()) + " bytes)";
}

TEST_F(RemoteDisplayServerTest, EveryRequestGetsItsRowOfTheResponseTable)
{
    // The page row holds the bytes of the page's source file: the page is served byte for byte.
    QFile page(QStringLiteral(QUORVEL_PAGE_SOURCE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << QUORVEL_PAGE_SOURCE;
    server->update({"Session A", "Nocturne", "042", "Recording", true, "REAPER", true});
    const auto [state, updatedAt] = server->snapshot();
    // The 404 example, byte for byte; the other rows follow its layout.
    const QByteArray notFound = "HTTP/1.1 404 Not Found\r\n"
                                "Content-Type: text/plain; charset=utf-8\r\n"
                                "Content-Length: 9\r\n"
                                "Cache-Control: no-store\r\n"
                                "Access-Control-Allow-Origin: *\r\n"
                                "Connection: close\r\n"
                                "\r\n"
                                "Not Found";
    // Bodies far larger than the socket buffers, so the client is still sending when the
    // answer is out: a close with the body unread would reset the connection under it.
    const QByteArray body(16 * 1024 * 1024, 'b');
    const auto name = NetworkInfo::localHostName();
    const QByteArray ownName =
        name ? "GET /state HTTP/1.1\r\nHost: " + name->toUtf8() + ".local:8787\r\n\r\n" : getState;
    const struct
    {
        QByteArray answer;
        std::vector<QByteArray> requests;
    } rows[] = {
        {notFound,
         {"GET /nothing?x=1 HTTP/1.1\r\nHost: localhost:8787\r\n\r\n",
          "GET /state/ HTTP/1.1\r\n\r\n", "GET /State HTTP/1.0\r\n\r\n",
          "GET /%73tate HTTP/1.1\r\n\r\n", QByteArray("GET /state\0 HTTP/1.1\r\n\r\n", 24),
          "GET /st\xff\xfe"
          "ate HTTP/1.1\r\n\r\n",
          "GET /" + QByteArray(60 * 1024, 'a') + " HTTP/1.1\r\n\r\n"}},
        {response("405 Method Not Allowed", textPlain, "Method Not Allowed"),
         {"HEAD / HTTP/1.1\r\n\r\n", "POST /state HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello",
          "get / HTTP/1.1\r\n\r\n",
          "POST / HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
              body,
          "PUT / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n" +
              QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n"}},
        {response("400 Bad Request", textPlain, "Bad Request"),
         {"GET /state\r\n\r\n", "GET\r\n\r\n", "GET /state\tHTTP/1.1\r\n\r\n",
          "GET\t/state HTTP/1.1\r\n\r\n", "GET / HTTP/1.1 x\r\n\r\n", "GET / HTTP/11\r\n\r\n",
          "GET / http/1.1\r\n\r\n", "\r\n\r\n", "GET /state\rX: y\r\n\r\n",
          "GET / HTTP/1.1\r\nHost: localhost\r\nHost: localhost\r\n\r\n"}},
        {response("421 Misdirected Request", textPlain, "Misdirected Request"),
         {"GET /state HTTP/1.1\r\nHost: attacker.example\r\n\r\n",
          "GET / HTTP/1.1\nhost: localhost.attacker.example:8787\n\n",
          "POST / HTTP/1.1\r\nHost: 127.0.0.1.nip.io\r\n\r\n"}},
        {response("200 OK", "text/html; charset=utf-8", page.readAll()),
         {"GET /?anything HTTP/1.1\r\nHost: 127.0.0.1:8787\r\n\r\n", "\r\nGET / HTTP/1.1\r\n\r\n"}},
        {response("200 OK", json, StateDocuments::stateJSON(state)),
         {getState, "GET /state?t=123 HTTP/1.1\r\n\r\n", "GET    /state    HTTP/1.1\r\n\r\n",
          "GET /state HTTP/1.1\nHOST: \t[::1]:8787 \nAccept: */*\n\n",
          "GET /state HTTP/1.0\r\nHost: LOCALHOST\n\r\n", ownName}},
        {response("200 OK", json, StateDocuments::apiJSON(state, updatedAt)),
         {"GET /api/v1/state HTTP/1.1\r\nAccept: */*\r\n\r\n"}},
    };
    for (const auto& row : rows) {
        for (const QByteArray& request : row.requests) {
            LoopbackClient client(server->port());
            const bool sent = client.send(request);
            const auto received = client.readAll();
            EXPECT_TRUE(sent && received.closed && received.bytes == row.answer)
                << "request " << shown(request) << " got " << shown(received.bytes);
        }
    }
    // The server listens on IPv6 as well, unless the machine has no ::1.
    LoopbackClient v6(server->port(), LoopbackClient::Family::IPv6);
    if (v6.connectError() != EADDRNOTAVAIL) {
        EXPECT_TRUE(v6.send(getState) && v6.readAll().bytes == rows[5].answer);
    }
}

// request cut into pieces of size bytes, each to be sent on its own.
std::vector<QByteArray> pieces(const QByteArray& request, int size)
{
    std::vector<QByteArray> result;
    for (qsizetype at = 0; at < request.size(); at += size)
        result.push_back(request.mid(at, size));
    return result;
}

// A head of size bytes that never forms CR LF CR LF.
QByteArray unterminated(qsizetype size)
{
    return "GET /state HTTP/1.1\r\nX: " + QByteArray(size - 24, 'a');
}

// Also the rules of finding the head, over sockets: a terminator split across reads, the limit
// applied to the head however the bytes arrive (HttpExchangeTest pins the chunks). A client that
// cannot be answered is dropped at once: the head timeout is set far beyond the test's wait.
TEST_F(RemoteDisplayServerTest, AHeadIsAnsweredOnceCompleteAndOnlyUpTo65536Bytes)
{
    server->setHeadTimeout(std::chrono::minutes(5));
    const QByteArray head = "GET /state HTTP/1.1\r\nHost: localhost\r\n\r\n";
    const QByteArray answer = response("200 OK", json, StateDocuments::stateJSON({}));
    const QByteArray badRequest = response("400 Bad Request", textPlain, "Bad Request");
    const struct
    {
        std::vector<QByteArray> sends; // each a send of its own (Nagle is off)
        bool closeSending;             // then the client closes its sending side
        QByteArray answer;             // none: dropped without one
    } cases[] = {
        {pieces(head, 1), false, answer},
        {pieces("GET /state HTTP/1.1\nHost: localhost\n\n", 1), false, answer},
        {{unterminated(65536), "\r\n\r\n"}, false, answer},
        {{unterminated(65536) + "\n", "\n"}, false, answer},
        {{unterminated(65536) + "\r\r\n"}, false, {}},
        {{unterminated(65537), "\r\n\r\n"}, false, {}},
        {{}, true, {}},
        {{"GET /state HTTP/1.1\r\n\r"}, true, {}},
        // A line without a version (HTTP/0.9) is refused as soon as it ends.
        {{"GET /state\n"}, false, badRequest},
        {pieces("GET /state\r\n", 1), false, badRequest},
        {{"GET /state\n", "Host: localhost\r\n\r\n"}, false, badRequest},
        // A client that closes its sending side still gets its whole answer.
        {{head}, true, answer},
    };
    for (const auto& c : cases) {
        std::string sent = c.closeSending ? "then closed sending" : "";
        for (auto piece = c.sends.rbegin(); piece != c.sends.rend(); ++piece)
            sent = shown(*piece) + " | " + sent;
        LoopbackClient client(server->port());
        bool sentAll = true; // a client being dropped may be reset while it still sends
        for (const QByteArray& piece : c.sends)
            sentAll = sentAll && client.send(piece);
        if (c.closeSending)
            client.shutdownSending();
        const auto received = client.readAll();
        EXPECT_TRUE((sentAll || c.answer.isEmpty()) && received.closed &&
                    received.bytes == c.answer)
            << "sent " << sent << " got " << shown(received.bytes);
    }
}

TEST_F(RemoteDisplayServerTest, HeadNotCompleteInTimeIsClosed)
{
    server->setHeadTimeout(std::chrono::milliseconds(200));
    LoopbackClient silent(server->port());
    LoopbackClient slow(server->port());
    ASSERT_TRUE(slow.send("GET /state HTTP/1.1\r\n"));
    for (LoopbackClient* client : {&silent, &slow}) {
        const auto received = client->readAll();
        EXPECT_TRUE(received.closed && received.bytes.isEmpty())
            << (client == &silent ? "silent client" : "slow client");
    }
    server->setHeadTimeout(RemoteDisplayServer::defaultHeadTimeout);
    EXPECT_TRUE(exchange(server->port(), getState).bytes.startsWith(ok));
}

TEST_F(RemoteDisplayServerTest, IdleClientsAtTheCapMakeRoomOldestFirstAndCloseWithTheServer)
{
    std::vector<std::unique_ptr<LoopbackClient>> idle;
    const auto addIdle = [&] {
        idle.push_back(std::make_unique<LoopbackClient>(server->port()));
        return idle.back()->connected();
    };
    for (int i = 0; i < RemoteDisplayServer::maxConnections; ++i)
        ASSERT_TRUE(addIdle()) << "idle client " << i;
    // The server accepts in connection order, so each live client arriving at the cap pushes out
    // the oldest idle one; a fresh idle client then brings the count back to the cap.
    for (int live = 0; live < 3; ++live) {
        EXPECT_TRUE(exchange(server->port(), getState).bytes.startsWith(ok)) << "live " << live;
        EXPECT_TRUE(idle[live]->readAll().closed) << "oldest idle client, live " << live;
        EXPECT_FALSE(idle[live + 1]->closedByPeerNow()) << "younger idle client, live " << live;
        ASSERT_TRUE(addIdle());
    }
    EXPECT_FALSE(idle.back()->closedByPeerNow());
    server.reset();
    for (std::size_t i = 0; i < idle.size(); ++i)
        ASSERT_TRUE(idle[i]->readAll().closed) << "idle client " << i << " after destruction";
}

TEST_F(RemoteDisplayServerTest, RestartsLeaveOneListenerAndKeepTheState)
{
    const quint16 port = server->port();
    server = makeServer(port); // the old one, destroyed, gives its port to a server that keeps it
    const std::size_t first = statuses.size();
    server->stop(); // nothing to cancel yet: no report
    ASSERT_TRUE(startAndWait(*server));
    const RemoteDisplayState pushed{"P", "Q", "7", "Next take", false, "REAPER", true};
    server->update(pushed);
    ASSERT_TRUE(startAndWait(*server));
    stopAndWait(*server);
    // Refused once stopped: no listener of the first start is left behind.
    EXPECT_EQ(LoopbackClient(port).connectError(), ECONNREFUSED);
    ASSERT_TRUE(startAndWait(*server));
    EXPECT_EQ(std::vector(statuses.begin() + first, statuses.end()),
              (std::vector<std::string>{"running", "stopped", "running", "stopped", "running"}));
    EXPECT_EQ(server->port(), port);
    EXPECT_TRUE(exchange(port, getState).bytes.endsWith(StateDocuments::stateJSON(pushed)));
}

// Listening is tried again until the port is free, quietly while it fails alike, and never after
// a stop. The port is handed over by destroying its holder, as a quitting Quorvel would.
TEST_F(RemoteDisplayServerTest, ATakenPortIsTriedAgainUntilFreeButNotAfterAStop)
{
    const quint16 port = server->port();
    auto waiting = makeServer(port);
    EXPECT_FALSE(startAndWait(*waiting));
    ASSERT_TRUE(lastError.has_value());
    EXPECT_TRUE(lastError->endsWith(". Trying again every 5 seconds.")) << lastError->toStdString();
    auto stopped = makeServer(port);
    EXPECT_FALSE(startAndWait(*stopped));
    stopAndWait(*stopped);

    const std::size_t first = statuses.size();
    server.reset();
    ASSERT_TRUE(pollUntil([&] { return statuses.size() > first; }, std::chrono::minutes(1)));
    EXPECT_EQ(std::vector(statuses.begin() + first, statuses.end()),
              std::vector<std::string>{"running"})
        << "the failed tries in between are not reported";
    EXPECT_TRUE(exchange(port, getState).bytes.startsWith(ok));

    // With the port free again, the stopped server must still not take it.
    stopAndWait(*waiting);
    test::processEventsFor(RemoteDisplayServer::listenRetryInterval * 2);
    EXPECT_EQ(LoopbackClient(port).connectError(), ECONNREFUSED);
    EXPECT_EQ(statuses.back(), "stopped");
}

TEST_F(RemoteDisplayServerTest, AThousandShortConnectionsLeaveNoDescriptorBehind)
{
    // Warm up once so lazily created descriptors of the event loop are counted in the baseline.
    ASSERT_TRUE(exchange(server->port(), "GET / HTTP/1.1\r\n\r\n").closed);
    const int baseline = test::openDescriptorCount();
    for (int i = 0; i < 1000; ++i) {
        // Let the server catch up now and then: a client that connects faster than the server
        // accepts overflows the kernel's accept queue, and the handshakes retried a second later
        // only slow the test down. Connections are accepted in order, so once this answer
        // arrives every earlier one has been accepted.
        if (i % 100 == 0) {
            ASSERT_TRUE(exchange(server->port(), getState).closed) << "cycle " << i;
        }
        LoopbackClient client(server->port());
        ASSERT_TRUE(client.connected()) << "cycle " << i << ", errno " << client.connectError();
        if (i % 4 == 1)
            client.send("GET /st"); // part of a head, then close
        if (i % 4 == 2)
            client.send("GET / HTTP/1.1\r\n\r\n"); // a whole request, then reset
        if (i % 4 >= 2)
            client.reset();
    }
    EXPECT_TRUE(pollUntil([&] { return test::openDescriptorCount() <= baseline; }))
        << "open descriptors: " << test::openDescriptorCount() << ", before: " << baseline;
    EXPECT_TRUE(exchange(server->port(), getState).bytes.startsWith(ok));
}

// updatedAt: none before the first push, then the push's time by the clock, moving with every
// push even when the state is the same. (Its format is StateDocumentsTest's.)
TEST_F(RemoteDisplayServerTest, UpdatedAtMovesWithEachPush)
{
    const auto api = [&] {
        const QByteArray bytes =
            exchange(server->port(), "GET /api/v1/state HTTP/1.1\r\n\r\n").bytes;
        return bytes.mid(bytes.indexOf("\r\n\r\n") + 4).toStdString();
    };
    EXPECT_EQ(api().find("updatedAt"), std::string::npos) << api();
    QDateTime now(QDate(2025, 3, 7), QTime(18, 4, 59), Qt::UTC);
    server->setClock([&] { return now; });
    for (const std::string pushedAt : {"2025-03-07T18:04:59Z", "2025-03-07T18:05:00Z"}) {
        server->update({});
        EXPECT_TRUE(api().ends_with(R"(,"updatedAt":")" + pushedAt + R"("})")) << api();
        now = now.addSecs(1);
    }
}

// With a key set every path wants it, in the query or as a Bearer credential; the Host check
// still comes first. Without one (the default, as in the response table above) nothing changes.
TEST_F(RemoteDisplayServerTest, AnAccessKeyGuardsEveryPathUntilRemoved)
{
    const QString key = RemoteDisplayServer::newAccessKey();
    EXPECT_TRUE(RemoteDisplayServer::isAccessKey(key)) << key.toStdString();
    EXPECT_NE(RemoteDisplayServer::newAccessKey(), key) << "keys are drawn afresh";
    server->setAccessKey(key);
    const QByteArray k = key.toUtf8();
    const QByteArray wrong = RemoteDisplayServer::newAccessKey().toUtf8();
    const struct
    {
        QByteArray request;
        QByteArray status; // the start of the answer
    } rows[] = {
        {getState, "HTTP/1.1 403 Forbidden\r\nContent-Type: text/html; charset=utf-8\r\n"},
        {"GET / HTTP/1.1\r\n\r\n", "HTTP/1.1 403 "},
        {"GET /api/v1/state HTTP/1.1\r\nHost: localhost\r\n\r\n", "HTTP/1.1 403 "},
        {"GET /nothing HTTP/1.1\r\n\r\n", "HTTP/1.1 403 "},
        {"POST /state HTTP/1.1\r\n\r\n", "HTTP/1.1 403 "},
        {"GET /state?key=" + wrong + " HTTP/1.1\r\n\r\n", "HTTP/1.1 403 "},
        {"GET /state HTTP/1.1\r\nAuthorization: Bearer " + wrong + "\r\n\r\n", "HTTP/1.1 403 "},
        {"GET /state?key=" + k + " HTTP/1.1\r\nHost: attacker.example\r\n\r\n", "HTTP/1.1 421 "},
        {"GET /state?key=" + k + " HTTP/1.1\r\nHost: localhost\r\n\r\n", ok},
        {"GET /?key=" + k + " HTTP/1.1\r\n\r\n", ok},
        {"GET /api/v1/state HTTP/1.1\r\nAuthorization: Bearer " + k + "\r\n\r\n", ok},
        {"GET /nothing?key=" + k + " HTTP/1.1\r\n\r\n", "HTTP/1.1 404 "},
    };
    for (const auto& row : rows) {
        const QByteArray answer = exchange(server->port(), row.request).bytes;
        EXPECT_TRUE(answer.startsWith(row.status))
            << shown(row.request) << " got " << shown(answer);
        if (answer.startsWith("HTTP/1.1 403 ")) {
            EXPECT_TRUE(answer.contains("\r\nAccess-Control-Allow-Origin: *\r\n") &&
                        answer.contains("QR code") && !answer.contains(k))
                << "the refusal says what to do and gives nothing away";
        }
    }
    server->setAccessKey(std::nullopt);
    EXPECT_TRUE(exchange(server->port(), getState).bytes.startsWith(ok));
}

} // namespace
} // namespace quorvel
