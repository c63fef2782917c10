#include "remote/RemoteDisplayServer.h"

#include "remote/LoopbackClient.h"
#include "remote/StateDocuments.h"
#include "support/Poll.h"

#include <QHostAddress>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace quorvel {
namespace {

using test::LoopbackClient;
using test::pollUntil;

const QByteArray getEvents = "GET /events HTTP/1.1\r\nHost: localhost\r\n\r\n";

// The event that carries state.
QByteArray eventOf(const RemoteDisplayState& state)
{
    return "data: " + StateDocuments::stateJSON(state) + "\n\n";
}

std::string shown(const QByteArray& bytes)
{
    return bytes.left(300).toPercentEncoding(" /?#:*=\"{},").toStdString() + " (" +
           std::to_string(bytes.size()) + " bytes)";
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

class EventStreamTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server->setStatusHandler(
            [this](bool running, std::optional<QString>) { statuses.push_back(running); });
        ASSERT_TRUE(startAndWait());
    }

    bool startAndWait()
    {
        const std::size_t before = statuses.size();
        server->start();
        return pollUntil([&] { return statuses.size() > before && statuses.back(); });
    }

    bool stopAndWait()
    {
        const std::size_t before = statuses.size();
        server->stop();
        return pollUntil([&] { return statuses.size() > before; }) && !statuses.back();
    }

    std::unique_ptr<RemoteDisplayServer> server = std::make_unique<RemoteDisplayServer>(0);
    std::vector<bool> statuses; // running, as reported
};

TEST_F(EventStreamTest, TheStateArrivesAtOnceOnEveryChangeAndAgainWhileItStands)
{
    const RemoteDisplayState first{"Session", "Nocturne", "41", "Next take", false, "REAPER", true};
    const RemoteDisplayState second{"Session", "Nocturne", "42", "Recording", true, "REAPER", true};
    server->update(first);
    StreamClient client(server->port(), getEvents);
    ASSERT_TRUE(client.waitFor(hasEvent(first))) << shown(client.received());
    const QByteArray head = client.received().left(client.received().indexOf("\r\n\r\n") + 4);
    for (const QByteArray line :
         {"HTTP/1.1 200 OK\r\n", "\r\nContent-Type: text/event-stream\r\n",
          "\r\nCache-Control: no-cache\r\n", "\r\nAccess-Control-Allow-Origin: *\r\n"})
        EXPECT_TRUE(head.contains(line)) << shown(line) << " in " << shown(head);
    EXPECT_TRUE(client.received().startsWith(head + eventOf(first))) << "the first event at once";

    server->update(second);
    ASSERT_TRUE(client.waitFor(hasEvent(second))) << shown(client.received());
    // Repeated while nothing changes, so a page can tell a live server from a vanished one.
    EXPECT_TRUE(client.waitFor([&](const QByteArray& bytes) {
        return bytes.count(eventOf(second)) >= 2;
    })) << shown(client.received());
    EXPECT_TRUE(client.open());
}

// /events passes the same checks as every path, in the same order; a stream that passes them
// begins with its head. A request that finishes its head once the display is off gets no stream.
TEST_F(EventStreamTest, StreamsAreRefusedLikeEveryOtherPath)
{
    const QString key = RemoteDisplayServer::newAccessKey();
    const QByteArray k = key.toUtf8();
    server->setAccessKey(key);
    const QByteArray stream = "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n";
    const struct
    {
        QByteArray request;
        QByteArray answer; // its beginning
    } rows[] = {
        {"GET /events?key=" + k + " HTTP/1.1\r\nHost: attacker.example\r\n\r\n", "HTTP/1.1 421 "},
        {getEvents, "HTTP/1.1 403 "},
        {"GET /events?key=" + RemoteDisplayServer::newAccessKey().toUtf8() + " HTTP/1.1\r\n\r\n",
         "HTTP/1.1 403 "},
        {"POST /events?key=" + k + " HTTP/1.1\r\n\r\n", "HTTP/1.1 405 "},
        {"GET /events/?key=" + k + " HTTP/1.1\r\n\r\n", "HTTP/1.1 404 "},
        {"GET /events\r\n\r\n", "HTTP/1.1 400 "},
        {"GET /events?key=" + k + " HTTP/1.1\r\nHost: 127.0.0.1:8787\r\n\r\n", stream},
        {"GET /events HTTP/1.1\r\nAuthorization: Bearer " + k + "\r\n\r\n", stream},
    };
    for (const auto& row : rows) {
        StreamClient client(server->port(), row.request);
        EXPECT_TRUE(client.waitFor([&](const QByteArray& bytes) {
            return bytes.size() >= row.answer.size();
        }) && client.received().startsWith(row.answer))
            << shown(row.request) << " got " << shown(client.received());
        if (row.answer != stream) {
            EXPECT_TRUE(client.waitForClose()) << shown(row.request) << " stays open";
            EXPECT_TRUE(client.received().contains("\r\nAccess-Control-Allow-Origin: *\r\n"));
        }
    }

    LoopbackClient late(server->port());
    ASSERT_TRUE(late.connected());
    // Connections are accepted in order: once a later one is answered, this one is the server's
    // and outlives the listener.
    ASSERT_TRUE(test::exchange(server->port(), getEvents).closed);
    ASSERT_TRUE(stopAndWait());
    ASSERT_TRUE(late.send("GET /events?key=" + k + " HTTP/1.1\r\n\r\n"));
    const auto received = late.readAll();
    EXPECT_TRUE(received.closed && received.bytes.startsWith("HTTP/1.1 503 "))
        << shown(received.bytes);
}

// Past their cap the oldest stream ends and the newcomer is served. Streams leave the
// one-request connections their whole cap: with the streams open, a full set of idle clients is
// kept, and only a request past it pushes out the oldest of them.
TEST_F(EventStreamTest, StreamsHaveACapOfTheirOwnPastWhichTheOldestEnds)
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
}

// A client that stops reading is dropped once its unsent events pile up, while one that reads
// the same events keeps its stream.
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
    EXPECT_TRUE(reading.waitFor(hasEvent(state))) << "the reading client has the last state";
    EXPECT_TRUE(reading.open());
}

TEST_F(EventStreamTest, StopRestartAndDestructionEndEveryStream)
{
    const struct
    {
        const char* action;
        std::function<bool()> run;
    } actions[] = {
        {"restart", [&] { return startAndWait(); }},
        {"stop", [&] { return stopAndWait() && startAndWait(); }},
        {"destruction",
         [&] {
             server.reset();
             return true;
         }},
    };
    for (const auto& action : actions) {
        std::vector<std::unique_ptr<StreamClient>> streams;
        for (int i = 0; i < 2; ++i) {
            streams.push_back(std::make_unique<StreamClient>(server->port(), getEvents));
            ASSERT_TRUE(streams.back()->waitFor(hasEvent({}))) << action.action;
        }
        ASSERT_TRUE(action.run()) << action.action;
        for (auto& stream : streams) {
            EXPECT_TRUE(stream->waitForClose()) << action.action;
            EXPECT_TRUE(stream->received().endsWith("\n\n"))
                << action.action << ": ends between events, " << shown(stream->received());
        }
    }
}

} // namespace
} // namespace quorvel
