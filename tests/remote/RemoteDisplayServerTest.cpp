#include "remote/RemoteDisplayServer.h"

#include "remote/LoopbackClient.h"
#include "remote/NetworkInfo.h"
#include "remote/StateDocuments.h"
#include "support/Poll.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorvel {
namespace {

using test::exchange;
using test::LoopbackClient;
using test::pollUntil;
using test::shown;

const QByteArray getState = "GET /state HTTP/1.1\r\n\r\n";
const QByteArray json = "application/json; charset=utf-8";
const QByteArray ok = "HTTP/1.1 200 OK\r\n";
const QByteArray textPlain = "text/plain; charset=utf-8";

// Each test begins with a running server on a port the system chose. The status reports of every
// server a test makes are recorded as "running", "stopped" or "failed", and each must arrive on
// the main thread.
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
            statuses.push_back(running ? "running" : error ? "failed" : "stopped");
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

// A whole response, byte for byte.
QByteArray response(const QByteArray& status, const QByteArray& type, const QByteArray& body)
{
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nCache-Control: no-store\r\nAccess-Control-Allow-Origin: *\r\n"
           "Connection: close\r\n\r\n" +
           body;
}

TEST_F(RemoteDisplayServerTest, EveryRequestGetsItsRowOfTheResponseTable)
{
    // The page row holds the bytes of the page's source file: the page is served byte for byte.
    QFile page(QStringLiteral(QUORVEL_PAGE_SOURCE));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << QUORVEL_PAGE_SOURCE;
    server->update({"Session A", "Nocturne", "042", "Recording", true, "REAPER", true});
    const QByteArray takeList = R"({"takes":[{"take":"41","mark":"circled"}]})";
    server->setTakeList(takeList);
    const auto [state, updatedAt] = server->snapshot();
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
        {response("404 Not Found", textPlain, "Not Found"),
         {"GET /nothing?x=1 HTTP/1.1\r\nHost: localhost:8787\r\n\r\n",
          "GET /state/ HTTP/1.1\r\n\r\n", "GET /%73tate HTTP/1.0\r\n\r\n",
          QByteArray("GET /state\0 HTTP/1.1\r\n\r\n", 24)}},
        {response("405 Method Not Allowed", textPlain, "Method Not Allowed"),
         {"HEAD / HTTP/1.1\r\n\r\n", "get / HTTP/1.1\r\n\r\n",
          "POST / HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
              body}},
        {response("400 Bad Request", textPlain, "Bad Request"),
         {"GET /state\tHTTP/1.1\r\n\r\n", "GET / HTTP/11\r\n\r\n", "GET /state\rX: y\r\n\r\n",
          "GET / HTTP/1.1\r\nHost: localhost\r\nHost: localhost\r\n\r\n"}},
        {response("421 Misdirected Request", textPlain, "Misdirected Request"),
         {"GET /api/v1/takes HTTP/1.1\nhost: localhost.attacker.example:8787\n\n"}},
        {response("200 OK", "text/html; charset=utf-8", page.readAll()),
         {"\r\nGET /?anything HTTP/1.1\r\nHost: 127.0.0.1:8787\r\n\r\n"}},
        {response("200 OK", json, StateDocuments::stateJSON(state)),
         {getState, "GET    /state?t=123    HTTP/1.1\r\n\r\n",
          "GET /state HTTP/1.1\nHOST: \t[::1]:8787 \nAccept: */*\n\n", ownName}},
        {response("200 OK", json, StateDocuments::apiJSON(state, updatedAt)),
         {"GET /api/v1/state HTTP/1.1\r\nAccept: */*\r\n\r\n"}},
        {response("200 OK", json, takeList), {"GET /api/v1/takes HTTP/1.1\r\nHost: localhost\r\n\r\n"}},
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
    const auto oneByteEach = [](const QByteArray& bytes) {
        std::vector<QByteArray> result;
        for (const char byte : bytes)
            result.push_back(QByteArray(1, byte));
        return result;
    };
    const struct
    {
        std::vector<QByteArray> sends; // each a send of its own (Nagle is off)
        bool closeSending;             // then the client closes its sending side
        QByteArray answer;             // none: dropped without one
    } cases[] = {
        {oneByteEach(head), false, answer},
        {{unterminated(65536), "\r\n\r\n"}, false, answer},
        {{unterminated(65536) + "\r\r\n"}, false, {}},
        {{unterminated(65537), "\r\n\r\n"}, false, {}},
        {{"GET /state HTTP/1.1\r\n\r"}, true, {}},
        // A line without a version (HTTP/0.9) is refused as soon as it ends.
        {{"GET /state\n"}, false, badRequest},
        // A client that closes its sending side still gets its whole answer.
        {{head}, true, answer},
    };
    for (const auto& c : cases) {
        LoopbackClient client(server->port());
        bool sentAll = true; // a client being dropped may be reset while it still sends
        for (const QByteArray& piece : c.sends)
            sentAll = sentAll && client.send(piece);
        if (c.closeSending)
            client.shutdownSending();
        const auto received = client.readAll();
        EXPECT_TRUE((sentAll || c.answer.isEmpty()) && received.closed &&
                    received.bytes == c.answer)
            << "case " << &c - cases << " got " << shown(received.bytes);
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
    test::processEventsFor(RemoteDisplayServer::listenRetryInterval + std::chrono::seconds(1));
    EXPECT_EQ(LoopbackClient(port).connectError(), ECONNREFUSED);
    EXPECT_EQ(statuses.back(), "stopped");
}

// Connections that end every way a client can end them leave nothing open on the server.
TEST_F(RemoteDisplayServerTest, ShortConnectionsLeaveNoDescriptorBehind)
{
    // Warm up once so lazily created descriptors of the event loop are counted in the baseline.
    ASSERT_TRUE(exchange(server->port(), "GET / HTTP/1.1\r\n\r\n").closed);
    const int baseline = test::openDescriptorCount();
    // Fewer than the listen backlog, so the kernel never drops a handshake to retry it later.
    for (int i = 0; i < 200; ++i) {
        LoopbackClient client(server->port());
        ASSERT_TRUE(client.connected()) << "cycle " << i << ", errno " << client.connectError();
        if (i % 4 == 1)
            client.send("GET /st"); // part of a head, then close
        if (i % 4 == 2)
            client.send("GET / HTTP/1.1\r\n\r\n"); // a whole request, then reset
        if (i % 4 >= 2)
            client.reset();
    }
    EXPECT_TRUE(exchange(server->port(), getState).bytes.startsWith(ok));
    EXPECT_TRUE(pollUntil([&] { return test::openDescriptorCount() <= baseline; }))
        << "open descriptors: " << test::openDescriptorCount() << ", before: " << baseline;
}

// The event stream, /events, over the same fixture.

const QByteArray getEvents = "GET /events HTTP/1.1\r\nHost: localhost\r\n\r\n";

// The event that carries state.
QByteArray eventOf(const RemoteDisplayState& state)
{
    return "data: " + StateDocuments::stateJSON(state) + "\n\n";
}

// A client that reads whatever arrives while the test waits, as a browser's event source does.
class StreamClient
{
public:
    StreamClient(quint16 port, const QByteArray& request)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.write(request);
    }

    QByteArray received()
    {
        m_bytes += m_socket.readAll();
        return m_bytes;
    }
    // Waits until what arrived so far satisfies condition.
    bool waitFor(const std::function<bool(const QByteArray&)>& condition)
    {
        return pollUntil([&] { return condition(received()); });
    }
    bool waitForClose()
    {
        return pollUntil([&] {
            received();
            return m_socket.state() == QAbstractSocket::UnconnectedState;
        });
    }
    bool open() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

private:
    QTcpSocket m_socket;
    QByteArray m_bytes;
};

const auto hasEvent = [](const RemoteDisplayState& state) {
    return [event = eventOf(state)](const QByteArray& bytes) { return bytes.contains(event); };
};

class EventStreamTest : public RemoteDisplayServerTest
{
};

// With a key set every path wants it, in the query or as a Bearer credential; the Host check
// still comes first, and /events passes the same checks as every path. Without a key (the
// default, as in the response table above) nothing changes. A request that finishes its head
// once the display is off gets no stream.
TEST_F(EventStreamTest, AnAccessKeyGuardsEveryPathStreamsIncluded)
{
    const QString key = RemoteDisplayServer::newAccessKey();
    EXPECT_TRUE(RemoteDisplayServer::isAccessKey(key)) << key.toStdString();
    EXPECT_NE(RemoteDisplayServer::newAccessKey(), key) << "keys are drawn afresh";
    server->setAccessKey(key);
    const QByteArray k = key.toUtf8();
    const QByteArray stream = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n";
    const struct
    {
        QByteArray request;
        QByteArray answer; // its beginning
    } rows[] = {
        {getState, "HTTP/1.1 403 Forbidden\r\nContent-Type: text/html; charset=utf-8\r\n"},
        {getEvents, "HTTP/1.1 403 "},
        {"POST /nothing HTTP/1.1\r\nHost: localhost\r\n\r\n", "HTTP/1.1 403 "},
        {"GET /api/v1/takes HTTP/1.1\r\n\r\n", "HTTP/1.1 403 "},
        {"GET /events?key=" + k + " HTTP/1.1\r\nHost: attacker.example\r\n\r\n", "HTTP/1.1 421 "},
        {"POST /events?key=" + k + " HTTP/1.1\r\n\r\n", "HTTP/1.1 405 "},
        {"GET /events/?key=" + k + " HTTP/1.1\r\n\r\n", "HTTP/1.1 404 "},
        {"GET /events\r\n\r\n", "HTTP/1.1 400 "},
        {"GET /api/v1/state HTTP/1.1\r\nAuthorization: Bearer " + k + "\r\n\r\n", ok},
        {"GET /events HTTP/1.1\r\nAuthorization: Bearer " + k + "\r\n\r\n", stream},
    };
    for (const auto& row : rows) {
        StreamClient client(server->port(), row.request);
        EXPECT_TRUE(client.waitFor([&](const QByteArray& bytes) {
            return bytes.size() >= row.answer.size();
        }) && client.received().startsWith(row.answer))
            << shown(row.request) << " got " << shown(client.received());
        if (row.answer == stream)
            continue;
        EXPECT_TRUE(client.waitForClose()) << shown(row.request) << " stays open";
        const QByteArray answer = client.received();
        EXPECT_TRUE(answer.contains("\r\nAccess-Control-Allow-Origin: *\r\n")) << shown(answer);
        if (answer.startsWith("HTTP/1.1 403 ")) {
            EXPECT_TRUE(answer.contains("QR code") && !answer.contains(k))
                << "the refusal says what to do and gives nothing away";
        }
    }

    LoopbackClient late(server->port());
    ASSERT_TRUE(late.connected());
    // Connections are accepted in order: once a later one is answered, this one is the server's
    // and outlives the listener.
    ASSERT_TRUE(test::exchange(server->port(), getEvents).closed);
    server->setAccessKey(std::nullopt);
    EXPECT_TRUE(exchange(server->port(), getState).bytes.startsWith(ok));
    stopAndWait(*server);
    ASSERT_TRUE(late.send(getEvents));
    const auto received = late.readAll();
    EXPECT_TRUE(received.closed && received.bytes.startsWith("HTTP/1.1 503 "))
        << shown(received.bytes);
}

// Past their cap the oldest stream ends and the newcomer is served. Streams leave the
// one-request connections their whole cap: with the streams open, a full set of idle clients is
// kept, and only a request past it pushes out the longest-waiting of them. Destroying the server
// closes every connection it holds.
TEST_F(EventStreamTest, StreamsAndIdleClientsEachHaveACapPastWhichTheOldestEnds)
{
    std::vector<std::unique_ptr<StreamClient>> streams;
    for (int i = 0; i <= RemoteDisplayServer::maxStreams; ++i) {
        streams.push_back(std::make_unique<StreamClient>(server->port(), getEvents));
        ASSERT_TRUE(streams.back()->waitFor(hasEvent({}))) << "stream " << i;
    }
    EXPECT_TRUE(streams.front()->waitForClose()) << "the oldest stream";

    std::vector<std::unique_ptr<LoopbackClient>> idle;
    for (int i = 0; i < RemoteDisplayServer::maxConnections; ++i) {
        idle.push_back(std::make_unique<LoopbackClient>(server->port()));
        ASSERT_TRUE(idle.back()->connected()) << "idle client " << i;
    }
    const auto answer = test::exchange(server->port(), "GET /state HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(answer.closed && answer.bytes.startsWith("HTTP/1.1 200 OK\r\n"))
        << shown(answer.bytes);
    EXPECT_TRUE(idle[0]->readAll().closed) << "the oldest idle client";
    EXPECT_FALSE(idle[1]->closedByPeerNow()) << "the next idle client";
    for (std::size_t i = 1; i < streams.size(); ++i)
        EXPECT_TRUE(streams[i]->open()) << "stream " << i;
    server.reset();
    for (std::size_t i = 1; i < idle.size(); ++i)
        ASSERT_TRUE(idle[i]->readAll().closed) << "idle client " << i << " after destruction";
}

// A client that stops reading is dropped once its unsent events pile up, while one that reads
// the same events keeps its stream, and gets the last state again while it stands (a silent
// stream would look like a vanished server to the page).
TEST_F(EventStreamTest, AClientThatStopsReadingIsDropped)
{
    LoopbackClient stalled(server->port());
    ASSERT_TRUE(stalled.send(getEvents));
    StreamClient reading(server->port(), getEvents);
    // Accepted in order: the stalled connection is the server's once the later one is answered.
    ASSERT_TRUE(reading.waitFor(hasEvent({})));
    const int withBoth = test::openDescriptorCount();
    RemoteDisplayState state;
    state.piece = QString(16 * 1024, u'x');
    bool dropped = false;
    // The system's buffers on both ends fill before the server's own; their size varies, so
    // the test pushes until the drop shows, with a bound far past any of them.
    for (int push = 0; push < 20'000 && !dropped; ++push) {
        state.take = QString::number(push);
        server->update(state);
        if (push % 16 == 15) {
            dropped = pollUntil([&] { return test::openDescriptorCount() < withBoth; },
                                std::chrono::milliseconds(20));
            reading.received();
        }
    }
    EXPECT_TRUE(dropped);
    EXPECT_TRUE(stalled.readAll().closed);
    EXPECT_TRUE(reading.waitFor([event = eventOf(state)](const QByteArray& bytes) {
        return bytes.right(3 * event.size()).count(event) >= 2;
    })) << "the reading client has the last state, repeated";
    EXPECT_TRUE(reading.open());
}

// A restart, a stop and the server's destruction each end every stream, between two events. A
// restart leaves one listener and keeps the state; a stop with nothing to cancel reports nothing.
TEST_F(EventStreamTest, RestartsStopsAndDestructionEndStreamsAndLeaveOneListener)
{
    const quint16 port = server->port();
    server = makeServer(port); // the old one, destroyed, gives its port to a server that keeps it
    const std::size_t first = statuses.size();
    server->stop();
    ASSERT_TRUE(startAndWait(*server));
    const RemoteDisplayState pushed{"P", "Q", "7", "Next take", false, "REAPER", true};
    server->update(pushed);
    const auto endsStreams = [&](const char* action, const std::function<void()>& run) {
        std::vector<std::unique_ptr<StreamClient>> streams;
        for (int i = 0; i < 2; ++i) {
            streams.push_back(std::make_unique<StreamClient>(port, getEvents));
            ASSERT_TRUE(streams.back()->waitFor(hasEvent(pushed))) << action;
        }
        run();
        for (auto& stream : streams) {
            EXPECT_TRUE(stream->waitForClose() && stream->received().endsWith("\n\n"))
                << action << ": " << shown(stream->received());
        }
    };
    endsStreams("restart", [&] { ASSERT_TRUE(startAndWait(*server)); });
    endsStreams("stop", [&] { stopAndWait(*server); });
    // Refused once stopped: no listener of the first start is left behind.
    EXPECT_EQ(LoopbackClient(port).connectError(), ECONNREFUSED);
    ASSERT_TRUE(startAndWait(*server));
    EXPECT_EQ(std::vector(statuses.begin() + first, statuses.end()),
              (std::vector<std::string>{"running", "stopped", "running", "stopped", "running"}));
    EXPECT_TRUE(exchange(port, getState).bytes.endsWith(StateDocuments::stateJSON(pushed)));
    endsStreams("destruction", [&] { server.reset(); });
}

} // namespace
} // namespace quorvel
