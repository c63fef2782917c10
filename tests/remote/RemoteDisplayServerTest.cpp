#include "remote/RemoteDisplayServer.h"

#include "remote/LoopbackClient.h"
#include "remote/RemotePage.h"
#include "remote/StateDocuments.h"
#include "support/Poll.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

using test::LoopbackClient;
using test::pollUntil;

struct Status
{
    bool running;
    std::optional<QString> error;
    bool onMainThread;
};

// A server on its own port with every status report recorded.
class RemoteDisplayServerTest : public ::testing::Test
{
protected:
    void SetUp() override { server = makeServer(0); }

    std::unique_ptr<RemoteDisplayServer> makeServer(quint16 port)
    {
        auto created = std::make_unique<RemoteDisplayServer>(port);
        created->setStatusHandler([this](bool running, std::optional<QString> error) {
            statuses.push_back(
                {running, error,
                 QThread::currentThread() == QCoreApplication::instance()->thread()});
        });
        return created;
    }

    // Starts server and waits for its report; true when it reports running.
    bool startAndWait(RemoteDisplayServer& target)
    {
        const std::size_t before = statuses.size();
        target.start();
        return pollUntil([&] {
                   for (std::size_t i = before; i < statuses.size(); ++i) {
                       if (statuses[i].running || statuses[i].error)
                           return true;
                   }
                   return false;
               }) &&
               statuses.back().running;
    }

    void stopAndWait(RemoteDisplayServer& target)
    {
        const std::size_t before = statuses.size();
        target.stop();
        ASSERT_TRUE(pollUntil([&] { return statuses.size() > before; }));
    }

    std::unique_ptr<RemoteDisplayServer> server;
    std::vector<Status> statuses;
};

QByteArray expectedResponse(QByteArrayView status, QByteArrayView contentType, QByteArrayView body)
{
    QByteArray bytes = "HTTP/1.1 ";
    bytes.append(status).append("\r\nContent-Type: ").append(contentType);
    bytes.append("\r\nContent-Length: ").append(QByteArray::number(body.size()));
    bytes.append("\r\nCache-Control: no-store\r\nAccess-Control-Allow-Origin: *\r\n");
    bytes.append("Connection: close\r\n\r\n").append(body);
    return bytes;
}

RemoteDisplayState fullState()
{
    RemoteDisplayState state;
    state.project = QStringLiteral("Session A");
    state.piece = QStringLiteral("Nocturne");
    state.take = QStringLiteral("042");
    state.status = QStringLiteral("Recording");
    state.recording = true;
    state.daw = QStringLiteral("REAPER");
    state.hasTake = true;
    return state;
}

// Printable form of a request for failure messages: control and non-ASCII bytes escaped.
std::string printable(QByteArrayView bytes)
{
    std::string text;
    const qsizetype shown = std::min<qsizetype>(bytes.size(), 120);
    for (qsizetype i = 0; i < shown; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            text += escaped;
        }
    }
    if (shown < bytes.size())
        text += "... (" + std::to_string(bytes.size()) + " bytes)";
    return text;
}

TEST_F(RemoteDisplayServerTest, NotFoundIsAnsweredWithExactlyTheseBytes)
{
    ASSERT_TRUE(startAndWait(*server));
    const auto received =
        test::exchange(server->port(), "GET /nothing?x=1 HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(received.endOfStream);
    EXPECT_EQ(received.bytes.toStdString(), "HTTP/1.1 404 Not Found\r\n"
                                            "Content-Type: text/plain; charset=utf-8\r\n"
                                            "Content-Length: 9\r\n"
                                            "Cache-Control: no-store\r\n"
                                            "Access-Control-Allow-Origin: *\r\n"
                                            "Connection: close\r\n"
                                            "\r\n"
                                            "Not Found");
}

TEST_F(RemoteDisplayServerTest, EveryRequestGetsItsRowOfTheResponseTable)
{
    server->update(fullState());
    ASSERT_TRUE(startAndWait(*server));
    const auto snapshot = server->snapshot();
    const QByteArray page = RemotePage::html();
    const QByteArray state = StateDocuments::stateJSON(snapshot.state);
    const QByteArray api = StateDocuments::apiJSON(snapshot.state, snapshot.updatedAt);
    const QByteArray html = "text/html; charset=utf-8";
    const QByteArray json = "application/json; charset=utf-8";
    const QByteArray text = "text/plain; charset=utf-8";
    const QByteArray notAllowed =
        expectedResponse("405 Method Not Allowed", text, "Method Not Allowed");
    const QByteArray notFound = expectedResponse("404 Not Found", text, "Not Found");
    const QByteArray pageResponse = expectedResponse("200 OK", html, page);
    const QByteArray stateResponse = expectedResponse("200 OK", json, state);
    const QByteArray apiResponse = expectedResponse("200 OK", json, api);

    const struct
    {
        QByteArray request;
        QByteArray expected;
    } cases[] = {
        {"GET / HTTP/1.1\r\nHost: studio\r\n\r\n", pageResponse},
        {"GET /?anything HTTP/1.1\r\n\r\n", pageResponse},
        {"GET\r\n\r\n", pageResponse},
        {"GET /state HTTP/1.1\r\n\r\n", stateResponse},
        {"GET /state?t=123 HTTP/1.1\r\n\r\n", stateResponse},
        {"GET    /state    HTTP/1.1\r\n\r\n", stateResponse},
        {"GET /state\n\r\n\r\n", stateResponse},
        {"GET /state\rX: y\r\n\r\n", stateResponse},
        {"GET /api/v1/state HTTP/1.1\r\nAccept: */*\r\n\r\n", apiResponse},
        {"GET /state/ HTTP/1.1\r\n\r\n", notFound},
        {"GET /index.html HTTP/1.1\r\n\r\n", notFound},
        {"GET /State HTTP/1.1\r\n\r\n", notFound},
        {"GET /%73tate HTTP/1.1\r\n\r\n", notFound},
        {"GET /state#top HTTP/1.1\r\n\r\n", notFound},
        {"GET /state\tHTTP/1.1\r\n\r\n", notFound},
        {QByteArray("GET /state\0 HTTP/1.1\r\n\r\n", 24), notFound},
        {"GET /st\xff\xfe"
         "ate HTTP/1.1\r\n\r\n",
         notFound},
        {"GET /" + QByteArray(60 * 1024, 'a') + " HTTP/1.1\r\n\r\n", notFound},
        {"HEAD / HTTP/1.1\r\n\r\n", notAllowed},
        {"POST /state HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", notAllowed},
        {"OPTIONS /state HTTP/1.1\r\n\r\n", notAllowed},
        {"get / HTTP/1.1\r\n\r\n", notAllowed},
        {"GET\t/state HTTP/1.1\r\n\r\n", notAllowed},
        {QByteArray("GET\0 / HTTP/1.1\r\n\r\n", 19), notAllowed},
        {"G\xc3T / HTTP/1.1\r\n\r\n", notAllowed},
        {"\r\n\r\n", notAllowed},
        {" \r\n\r\n", notAllowed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("request: " + printable(c.request));
        const auto received = test::exchange(server->port(), c.request);
        EXPECT_TRUE(received.endOfStream) << "the connection must close after the answer";
        EXPECT_EQ(received.bytes, c.expected);
    }
}

TEST_F(RemoteDisplayServerTest, PageIsServedByteForByteFromItsSourceFile)
{
    QFile source(QStringLiteral(QUORVEL_PAGE_SOURCE));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly)) << QUORVEL_PAGE_SOURCE;
    const QByteArray file = source.readAll();
    ASSERT_TRUE(startAndWait(*server));
    const auto received = test::exchange(server->port(), "GET / HTTP/1.1\r\n\r\n");
    const qsizetype bodyStart = received.bytes.indexOf("\r\n\r\n") + 4;
    ASSERT_GT(bodyStart, 4);
    EXPECT_EQ(received.bytes.mid(bodyStart), file);
    EXPECT_TRUE(
        received.bytes.contains("Content-Length: " + QByteArray::number(file.size()) + "\r\n"));
}

TEST_F(RemoteDisplayServerTest, HeadArrivingInPiecesIsAnsweredOnceComplete)
{
    ASSERT_TRUE(startAndWait(*server));
    const QByteArray request = "GET /state HTTP/1.1\r\nHost: studio\r\n\r\n";
    const QByteArray expected = expectedResponse("200 OK", "application/json; charset=utf-8",
                                                 StateDocuments::stateJSON({}));
    for (const int pieceSize : {1, 2, 3, 5, 7}) {
        SCOPED_TRACE("piece size " + std::to_string(pieceSize));
        LoopbackClient client(server->port());
        ASSERT_TRUE(client.connected());
        for (qsizetype at = 0; at < request.size(); at += pieceSize) {
            EXPECT_FALSE(client.closedByPeerNow()) << "closed before byte " << at;
            ASSERT_TRUE(client.send(QByteArrayView(request).sliced(at).first(
                std::min<qsizetype>(pieceSize, request.size() - at))));
        }
        const auto received = client.readAll();
        EXPECT_TRUE(received.endOfStream);
        EXPECT_EQ(received.bytes, expected);
    }
}

// Fills a head up to size bytes without ever forming CR LF CR LF.
QByteArray headWithoutTerminator(qsizetype size)
{
    QByteArray head = "GET /state HTTP/1.1\r\nX-Fill: ";
    head.append(QByteArray(size - head.size(), 'a'));
    return head;
}

TEST_F(RemoteDisplayServerTest, HeadOfExactlyTheLimitStillGetsItsTerminator)
{
    ASSERT_TRUE(startAndWait(*server));
    const QByteArray expected = expectedResponse("200 OK", "application/json; charset=utf-8",
                                                 StateDocuments::stateJSON({}));
    const struct
    {
        const char* name;
        QByteArray first;
        QByteArray then;
    } cases[] = {
        {"terminator after the limit", headWithoutTerminator(65536), "\r\n\r\n"},
        {"terminator across the limit", headWithoutTerminator(65534) + "\r\n", "\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.first.size(), 65536);
        ASSERT_EQ(c.first.indexOf("\r\n\r\n"), -1);
        LoopbackClient client(server->port());
        ASSERT_TRUE(client.send(c.first));
        ASSERT_TRUE(client.send(c.then));
        const auto received = client.readAll();
        EXPECT_TRUE(received.endOfStream);
        EXPECT_EQ(received.bytes, expected);
    }
}

TEST_F(RemoteDisplayServerTest, HeadPastTheLimitIsDroppedUnanswered)
{
    ASSERT_TRUE(startAndWait(*server));
    const struct
    {
        qsizetype size;
        bool terminatorInSameSend;
    } cases[] = {{65537, false}, {65537, true}, {65536 + 4096, true}, {300000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE("head of " + std::to_string(c.size) + " bytes" +
                     (c.terminatorInSameSend ? ", terminator in the same send" : ""));
        LoopbackClient client(server->port());
        // The server may reset the connection while the client is still sending; only the
        // answer matters.
        if (c.terminatorInSameSend) {
            client.send(headWithoutTerminator(c.size) + "\r\n\r\n");
        } else {
            client.send(headWithoutTerminator(c.size));
            client.send("\r\n\r\n");
        }
        const auto received = client.readAll();
        EXPECT_FALSE(received.timedOut);
        EXPECT_TRUE(received.bytes.isEmpty()) << printable(received.bytes);
    }
}

TEST_F(RemoteDisplayServerTest, ClientThatStopsSendingBeforeTheTerminatorGetsNothing)
{
    ASSERT_TRUE(startAndWait(*server));
    for (const QByteArray& partial : {QByteArray(), QByteArray("GET /state HTTP/1.1\r\n"),
                                      QByteArray("GET /state HTTP/1.1\r\n\r")}) {
        SCOPED_TRACE("sent: " + printable(partial));
        LoopbackClient client(server->port());
        ASSERT_TRUE(client.send(partial));
        client.shutdownSending();
        const auto received = client.readAll();
        EXPECT_TRUE(received.endOfStream || received.wasReset);
        EXPECT_TRUE(received.bytes.isEmpty()) << printable(received.bytes);
    }
}

TEST_F(RemoteDisplayServerTest, ClientThatStopsSendingAfterTheTerminatorIsAnswered)
{
    ASSERT_TRUE(startAndWait(*server));
    LoopbackClient client(server->port());
    ASSERT_TRUE(client.send("GET /nothing HTTP/1.1\r\n\r\n"));
    client.shutdownSending();
    const auto received = client.readAll();
    EXPECT_TRUE(received.endOfStream);
    EXPECT_TRUE(received.bytes.startsWith("HTTP/1.1 404 Not Found\r\n"))
        << printable(received.bytes);
}

TEST_F(RemoteDisplayServerTest, HeadNotCompleteInTimeIsClosed)
{
    server->setHeadTimeout(std::chrono::milliseconds(200));
    ASSERT_TRUE(startAndWait(*server));
    LoopbackClient silent(server->port());
    LoopbackClient slow(server->port());
    ASSERT_TRUE(slow.send("GET /state HTTP/1.1\r\n"));
    for (LoopbackClient* client : {&silent, &slow}) {
        const auto received = client->readAll();
        EXPECT_TRUE(received.endOfStream || received.wasReset);
        EXPECT_TRUE(received.bytes.isEmpty()) << printable(received.bytes);
    }
    // A connection accepted later gets its own full time and is still served.
    const auto answered = test::exchange(server->port(), "GET /state HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(answered.bytes.startsWith("HTTP/1.1 200 OK\r\n"));
}

TEST_F(RemoteDisplayServerTest, IdleClientsAtTheCapMakeRoomOldestFirst)
{
    ASSERT_TRUE(startAndWait(*server));
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
        SCOPED_TRACE("live client " + std::to_string(live));
        const auto received = test::exchange(server->port(), "GET /state HTTP/1.1\r\n\r\n");
        EXPECT_TRUE(received.bytes.startsWith("HTTP/1.1 200 OK\r\n")) << printable(received.bytes);
        const auto evicted = idle[live]->readAll(std::chrono::seconds(5));
        EXPECT_TRUE(evicted.endOfStream || evicted.wasReset) << "the oldest idle client stays open";
        EXPECT_FALSE(idle[live + 1]->closedByPeerNow()) << "a younger idle client was closed";
        ASSERT_TRUE(addIdle());
    }
    EXPECT_FALSE(idle.back()->closedByPeerNow());
}

TEST_F(RemoteDisplayServerTest, StartingTwiceLeavesOneListener)
{
    const quint16 port = test::freePort();
    auto fixed = makeServer(port);
    ASSERT_TRUE(startAndWait(*fixed));
    ASSERT_TRUE(startAndWait(*fixed));
    ASSERT_EQ(statuses.size(), 3u);
    EXPECT_TRUE(statuses[0].running);
    EXPECT_FALSE(statuses[1].running) << "the first listener is cancelled";
    EXPECT_FALSE(statuses[1].error.has_value());
    EXPECT_TRUE(statuses[2].running);
    EXPECT_EQ(fixed->port(), port);
    EXPECT_EQ(test::listeningSocketCount(port), 1);
    EXPECT_TRUE(test::exchange(port, "GET / HTTP/1.1\r\n\r\n").bytes.startsWith("HTTP/1.1 200 OK"));
}

TEST_F(RemoteDisplayServerTest, TakenPortReportsFailureWithText)
{
    ASSERT_TRUE(startAndWait(*server));
    const quint16 port = server->port();
    auto second = makeServer(port);
    EXPECT_FALSE(startAndWait(*second));
    ASSERT_FALSE(statuses.empty());
    EXPECT_FALSE(statuses.back().running);
    ASSERT_TRUE(statuses.back().error.has_value());
    EXPECT_FALSE(statuses.back().error->isEmpty());
    EXPECT_EQ(second->port(), port);
    // The failed listener is cancelled by stop, which reports a plain stop.
    stopAndWait(*second);
    EXPECT_FALSE(statuses.back().running);
    EXPECT_FALSE(statuses.back().error.has_value());
    EXPECT_TRUE(
        test::exchange(port, "GET /state HTTP/1.1\r\n\r\n").bytes.startsWith("HTTP/1.1 200 OK"));
}

TEST_F(RemoteDisplayServerTest, StatusIsReportedOnTheMainThreadAndStopKeepsTheState)
{
    const quint16 port = test::freePort();
    auto fixed = makeServer(port);
    fixed->stop(); // nothing to cancel: no report
    ASSERT_TRUE(startAndWait(*fixed));
    fixed->update(fullState());
    stopAndWait(*fixed);
    EXPECT_FALSE(LoopbackClient(port).connected());
    ASSERT_TRUE(startAndWait(*fixed));
    const auto received = test::exchange(port, "GET /state HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(received.bytes.endsWith(StateDocuments::stateJSON(fullState())));
    ASSERT_EQ(statuses.size(), 3u);
    for (const Status& status : statuses)
        EXPECT_TRUE(status.onMainThread);
}

TEST_F(RemoteDisplayServerTest, ApiDocumentCarriesTheTimeOfEachPush)
{
    QDateTime now(QDate(2025, 3, 7), QTime(18, 4, 59, 250), Qt::UTC);
    server->setClock([&] { return now; });
    ASSERT_TRUE(startAndWait(*server));
    const auto api = [&] {
        const QByteArray bytes =
            test::exchange(server->port(), "GET /api/v1/state HTTP/1.1\r\n\r\n").bytes;
        return bytes.mid(bytes.indexOf("\r\n\r\n") + 4);
    };
    EXPECT_FALSE(api().contains("updatedAt")) << "nothing pushed yet";
    server->update(fullState());
    EXPECT_TRUE(api().contains("\"updatedAt\":\"2025-03-07T18:04:59Z\"")) << api().toStdString();
    now = now.addSecs(1);
    server->update(fullState());
    EXPECT_TRUE(api().contains("\"updatedAt\":\"2025-03-07T18:05:00Z\"")) << api().toStdString();
}

TEST_F(RemoteDisplayServerTest, UpdateStampsTheCurrentTimeInUtc)
{
    ASSERT_TRUE(startAndWait(*server));
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1000);
    server->update(fullState());
    const QDateTime after = QDateTime::currentDateTimeUtc();
    const QByteArray bytes =
        test::exchange(server->port(), "GET /api/v1/state HTTP/1.1\r\n\r\n").bytes;
    const qsizetype at = bytes.indexOf("\"updatedAt\":\"");
    ASSERT_GE(at, 0) << bytes.toStdString();
    const QByteArray text = bytes.mid(at + 13, 20);
    const QDateTime stamped = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    ASSERT_TRUE(stamped.isValid()) << text.toStdString();
    EXPECT_TRUE(text.endsWith('Z')) << text.toStdString();
    EXPECT_LE(before, stamped) << text.toStdString();
    EXPECT_LE(stamped, after) << text.toStdString();
}

TEST_F(RemoteDisplayServerTest, InitialDocumentsBeforeAnyPush)
{
    ASSERT_TRUE(startAndWait(*server));
    const auto body = [&](const char* request) {
        const QByteArray bytes = test::exchange(server->port(), request).bytes;
        return bytes.mid(bytes.indexOf("\r\n\r\n") + 4).toStdString();
    };
    EXPECT_EQ(body("GET /state HTTP/1.1\r\n\r\n"),
              R"({"hasTake":false,"recording":false,"status":""})");
    EXPECT_EQ(body("GET /api/v1/state HTTP/1.1\r\n\r\n"),
              R"({"api":1,"app":"Quorvel","appVersion":")" QUORVEL_VERSION
              R"(","hasTake":false,"recording":false,"status":""})");
}

TEST_F(RemoteDisplayServerTest, ListensOnIPv6LoopbackToo)
{
    ASSERT_TRUE(startAndWait(*server));
    LoopbackClient client(server->port(), LoopbackClient::Family::IPv6);
    if (!client.connected() && client.connectError() == EADDRNOTAVAIL)
        GTEST_SKIP() << "no IPv6 loopback on this machine";
    ASSERT_TRUE(client.connected());
    ASSERT_TRUE(client.send("GET /state HTTP/1.1\r\n\r\n"));
    EXPECT_TRUE(client.readAll().bytes.startsWith("HTTP/1.1 200 OK\r\n"));
}

TEST_F(RemoteDisplayServerTest, TenThousandShortConnectionsLeaveNoDescriptorBehind)
{
    ASSERT_TRUE(startAndWait(*server));
    // Warm up once so lazily created descriptors of the event loop are counted in the baseline.
    ASSERT_TRUE(test::exchange(server->port(), "GET / HTTP/1.1\r\n\r\n").endOfStream);
    const int baseline = test::openDescriptorCount();
    for (int i = 0; i < 10000; ++i) {
        // Let the server catch up now and then: a client that connects faster than the server
        // accepts overflows the kernel's accept queue, and the handshakes retried a second later
        // only slow the test down. Connections are accepted in order, so once this answer
        // arrives every earlier one has been accepted.
        if (i % 100 == 0) {
            ASSERT_TRUE(test::exchange(server->port(), "GET /state HTTP/1.1\r\n\r\n").endOfStream)
                << "cycle " << i;
        }
        LoopbackClient client(server->port());
        ASSERT_TRUE(client.connected()) << "cycle " << i << ", errno " << client.connectError();
        switch (i % 4) {
        case 0: // connect and close
            break;
        case 1: // part of a head, then close
            client.send("GET /st");
            break;
        case 2: // a whole request, then a reset while the answer is on its way
            client.send("GET / HTTP/1.1\r\n\r\n");
            client.reset();
            break;
        case 3: // a reset before anything was sent
            client.reset();
            break;
        }
    }
    EXPECT_TRUE(pollUntil([&] { return test::openDescriptorCount() <= baseline; }))
        << "open descriptors: " << test::openDescriptorCount() << ", before: " << baseline;
    EXPECT_TRUE(test::exchange(server->port(), "GET /state HTTP/1.1\r\n\r\n")
                    .bytes.startsWith("HTTP/1.1 200 OK"));
}

TEST_F(RemoteDisplayServerTest, RequestsWhileStartingAndStoppingGetWholeAnswersOrNone)
{
    const quint16 port = test::freePort();
    auto fixed = makeServer(port);
    fixed->update(fullState());
    const QByteArray expected = expectedResponse("200 OK", "application/json; charset=utf-8",
                                                 StateDocuments::stateJSON(fullState()));
    std::atomic<bool> done{false};
    std::atomic<int> answered{0};
    std::atomic<int> malformed{0};
    std::thread hammer([&] {
        while (!done) {
            LoopbackClient client(port);
            if (!client.connected())
                continue;
            client.send("GET /state HTTP/1.1\r\n\r\n");
            const auto received = client.readAll();
            if (received.bytes == expected)
                ++answered;
            else if (!received.bytes.isEmpty())
                ++malformed;
        }
    });
    for (int round = 0; round < 20; ++round) {
        fixed->start();
        fixed->stop();
        fixed->start();
        const int before = answered;
        EXPECT_TRUE(pollUntil([&] { return answered > before; })) << "round " << round;
        fixed->stop();
    }
    fixed.reset(); // destroyed while the client may still be mid-request
    done = true;
    hammer.join();
    EXPECT_EQ(malformed, 0);
    EXPECT_GE(answered, 20);
}

TEST_F(RemoteDisplayServerTest, DestroyingTheServerClosesOpenConnections)
{
    ASSERT_TRUE(startAndWait(*server));
    LoopbackClient idle(server->port());
    LoopbackClient partial(server->port());
    ASSERT_TRUE(partial.send("GET /state HTTP/1.1\r\n"));
    server.reset();
    for (LoopbackClient* client : {&idle, &partial}) {
        const auto received = client->readAll();
        EXPECT_TRUE(received.endOfStream || received.wasReset);
        EXPECT_TRUE(received.bytes.isEmpty());
    }
}

} // namespace
} // namespace quorvel
