#include "remote/RemoteDisplayServer.h"

#include "model/HandOver.h"
#include "platform/SocketEnds.h"
#include "remote/HttpExchange.h"
#include "remote/NetworkInfo.h"
#include "remote/RemotePage.h"
#include "remote/StateDocuments.h"

#include <QHostAddress>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <future>
#include <list>
#include <mutex>

namespace quorvel {

using Clock = std::chrono::steady_clock;

// What the main thread and the server thread both touch.
struct RemoteDisplayServer::Shared
{
    mutable std::mutex stateLock; // guards everything up to keyLock
    State state;
    std::optional<QDateTime> updatedAt;
    // The complete answers to /state and /api/v1/state, built once per push rather than once per
    // poll: every tablet asks 2.5 times a second and the watcher pushes once a second.
    QByteArray stateResponse;
    QByteArray apiResponse;
    QByteArray stateEvent; // the /state document as an event of the stream
    QByteArray takesResponse; // the answer to /api/v1/takes
    quint64 stateGeneration = 0; // counts the pushes that changed the state

    mutable std::mutex keyLock; // guards accessKey
    std::optional<QByteArray> accessKey;

    std::atomic<quint16> boundPort{0};
    std::atomic<qint64> headTimeoutMs{defaultHeadTimeout.count()};
};

namespace {

constexpr QByteArrayView textPlain = "text/plain; charset=utf-8";
constexpr QByteArrayView applicationJSON = "application/json; charset=utf-8";

// The answer to a request without the right key. A browser that was given the key before keeps
// it in local storage (the page stores it under "quorvelKey"), so a bookmark without it is sent
// on once with the stored key; a stored key that is wrong too stops there, showing the advice.
constexpr QByteArrayView forbiddenPage = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Quorvel: access key needed</title>
<style>body { background: #0B0B0A; color: #F2EFE6; font-family: "Helvetica Neue", Helvetica, Arial, sans-serif; padding: 8vmin; line-height: 1.4; }</style>
</head>
<body>
<h1>Access key needed</h1>
<p>This remote display asks for an access key. Open the address shown in Quorvel's settings
(Remote Display), or scan its QR code with this device's camera.</p>
<script>
(function () {
  "use strict";
  var stored = null;
  try { stored = localStorage.getItem("quorvelKey"); } catch (e) { return; }
  var given = new URLSearchParams(location.search).get("key");
  if (stored && stored !== given) location.replace(location.pathname + "?key=" + encodeURIComponent(stored));
})();
</script>
</body>
</html>
)html";
constexpr auto acceptRetryDelay = std::chrono::milliseconds(250);
// How long a connection that has its answer may still send (a request body, say) before it is
// dropped.
constexpr auto drainTime = std::chrono::seconds(2);

constexpr QByteArrayView keepAliveComment = ": keep-alive\n\n";

struct JSONResponses
{
    QByteArray state;
    QByteArray api;
    QByteArray event;
};

JSONResponses jsonResponses(const RemoteDisplayState& state,
                            const std::optional<QDateTime>& updatedAt)
{
    const QByteArray stateJSON = StateDocuments::stateJSON(state);
    return {HttpExchange::response("200 OK", applicationJSON, stateJSON),
            HttpExchange::response("200 OK", applicationJSON,
                                   StateDocuments::apiJSON(state, updatedAt)),
            HttpExchange::streamEvent(stateJSON)};
}

// One accepted client. The socket object carries its own request buffer so every callback
// reaches its data without a lookup.
class Connection : public QTcpSocket
{
public:
    using QTcpSocket::QTcpSocket;

    QByteArray buffer;
    // When the head must be complete; once the answer is out, when draining ends.
    Clock::time_point deadline;
    bool headComplete = false; // the answer is chosen; what the client sends now is discarded
    bool streaming = false;    // an open event stream: its answer has no end yet
    bool draining = false;     // the answer is out and the sending side shut
    bool closed = false;
    std::list<Connection*>* list = nullptr; // the engine's list that holds it
    std::list<Connection*>::iterator position;
};

// Hands each accepted descriptor straight to the engine instead of queueing QTcpSockets, so the
// engine alone decides which connections stay open.
class Listener : public QTcpServer
{
public:
    Listener(std::function<void(qintptr)> accepted, QObject* parent)
        : QTcpServer(parent), m_accepted(std::move(accepted))
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override { m_accepted(descriptor); }

private:
    std::function<void(qintptr)> m_accepted;
};

} // namespace

// Everything that runs on the server thread: the listener, the connections and their deadlines.
class RemoteDisplayServer::Engine : public QObject
{
public:
    using Reporter = std::function<void(bool running, std::optional<QString> error)>;

    Engine(quint16 port, std::shared_ptr<Shared> shared, Reporter report)
        : m_port(port), m_shared(std::move(shared)), m_report(std::move(report)),
          m_pageResponse(
              HttpExchange::response("200 OK", "text/html; charset=utf-8", RemotePage::html()))
    {
    }

    // Creates what needs the server thread; runs there.
    void initialize()
    {
        m_headTimer = new QTimer(this);
        m_headTimer->setSingleShot(true);
        m_headTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_headTimer, &QTimer::timeout, this, [this] { expireHeads(); });
        m_retryTimer = new QTimer(this);
        m_retryTimer->setSingleShot(true);
        m_retryTimer->setInterval(listenRetryInterval);
        QObject::connect(m_retryTimer, &QTimer::timeout, this, [this] { retryListening(); });
        m_refreshTimer = new QTimer(this);
        m_refreshTimer->setInterval(streamRefreshInterval);
        QObject::connect(m_refreshTimer, &QTimer::timeout, this, [this] { refreshStreams(); });
        m_keepAliveTimer = new QTimer(this);
        m_keepAliveTimer->setInterval(streamKeepAliveInterval);
        QObject::connect(m_keepAliveTimer, &QTimer::timeout, this,
                         [this] { sendToStreams(keepAliveComment); });
    }

    void start()
    {
        endStreams();
        cancelListener();
        m_machineNames = NetworkInfo::machineNames();
        m_reportedFailure.reset();
        listen();
    }

    void stop()
    {
        endStreams();
        cancelListener();
    }

    // Sends the state to every stream, unless they have it already.
    void broadcast()
    {
        const auto [generation, event] = currentEvent();
        if (generation == m_sentGeneration)
            return;
        m_sentGeneration = generation;
        sendToStreams(event);
    }

    // Closes everything without reporting; the server is going away.
    void shutdown()
    {
        delete m_retryTimer;
        m_retryTimer = nullptr;
        delete m_listener;
        m_listener = nullptr;
        for (auto* list : {&m_connections, &m_streams}) {
            while (!list->empty()) {
                Connection* connection = list->front();
                list->pop_front();
                QObject::disconnect(connection, nullptr, this, nullptr);
                delete connection;
            }
        }
        delete m_headTimer;
        m_headTimer = nullptr;
        delete m_refreshTimer;
        m_refreshTimer = nullptr;
        delete m_keepAliveTimer;
        m_keepAliveTimer = nullptr;
    }

private:
    // Makes a fresh listener and reports the outcome; a failure arms the retry timer.
    void listen()
    {
        auto* listener = new Listener([this](qintptr descriptor) { accept(descriptor); }, this);
        listener->setListenBacklogSize(maxConnections);
        // Accepting fails for lack of descriptors or memory; Qt then pauses the listener for good.
        // Try again a little later, by which time connections have closed.
        QObject::connect(listener, &QTcpServer::acceptError, listener, [listener] {
            QTimer::singleShot(acceptRetryDelay, listener,
                               [listener] { listener->resumeAccepting(); });
        });
        m_listener = listener;
        if (!listener->listen(QHostAddress::Any, m_port)) {
            // The failed listener stays until the next start, stop or retry; the cancellation by
            // a start or stop is then reported like any other.
            const QString error = failureText(listener->errorString());
            if (error != m_reportedFailure) {
                m_reportedFailure = error;
                m_report(false, error);
            }
            m_retryTimer->start();
            return;
        }
        m_reportedFailure.reset();
        m_shared->boundPort.store(listener->serverPort());
        m_report(true, std::nullopt);
    }

    // Replaces the failed listener without a report: to the user it is still the same attempt.
    void retryListening()
    {
        delete m_listener;
        m_listener = nullptr;
        listen();
    }

    static QString failureText(QString error)
    {
        if (!error.isEmpty() && !error.endsWith(u'.'))
            error += u'.';
        if (!error.isEmpty())
            error += u' ';
        return error + QStringLiteral("Trying again every %1 seconds.")
                           .arg(std::chrono::seconds(listenRetryInterval).count());
    }

    void cancelListener()
    {
        m_retryTimer->stop();
        if (m_listener == nullptr)
            return;
        delete m_listener;
        m_listener = nullptr;
        m_shared->boundPort.store(0);
        m_report(false, std::nullopt);
    }

    void accept(qintptr descriptor)
    {
        if (m_connections.size() >= static_cast<std::size_t>(maxConnections))
            makeRoom();

        auto* connection = new Connection(this);
        if (!connection->setSocketDescriptor(descriptor)) {
            delete connection;
            return;
        }
        // Qt's own buffer never needs to hold more than one receive's worth.
        connection->setReadBufferSize(HttpExchange::maxHeadBytes);
        connection->deadline =
            Clock::now() + std::chrono::milliseconds(m_shared->headTimeoutMs.load());
        connection->list = &m_connections;
        connection->position = m_connections.insert(m_connections.end(), connection);

        QObject::connect(connection, &QIODevice::readyRead, this,
                         [this, connection] { receive(connection); });
        QObject::connect(connection, &QIODevice::bytesWritten, this, [this, connection] {
            if (connection->headComplete && !connection->streaming && !connection->draining &&
                connection->bytesToWrite() == 0)
                drain(connection);
        });
        QObject::connect(connection, &QAbstractSocket::disconnected, this,
                         [this, connection] { close(connection); });
        QObject::connect(connection, &QAbstractSocket::errorOccurred, this,
                         [this, connection] { close(connection); });

        if (!m_headTimer->isActive() || connection->deadline < m_nextDeadline)
            armHeadTimer();
    }

    // The cap is reached: the oldest connection that already has its answer goes, otherwise the
    // one that has waited longest for its head, or, when every head is complete, the oldest
    // connection still sending.
    void makeRoom()
    {
        for (const auto done : {+[](const Connection* c) { return c->draining; },
                                +[](const Connection* c) { return !c->headComplete; }}) {
            const auto found = std::find_if(m_connections.begin(), m_connections.end(), done);
            if (found != m_connections.end()) {
                close(*found);
                return;
            }
        }
        close(m_connections.front());
    }

    void receive(Connection* connection)
    {
        while (!connection->closed && !connection->headComplete) {
            const qint64 available = connection->bytesAvailable();
            if (available <= 0)
                return;
            // Read at most one head's worth at a time: the size rule is checked after every
            // chunk, so no client makes the buffer grow past twice the limit.
            const qsizetype before = connection->buffer.size();
            const qsizetype chunk =
                static_cast<qsizetype>(std::min<qint64>(available, HttpExchange::maxHeadBytes));
            connection->buffer.resize(before + chunk);
            const qint64 received = connection->read(connection->buffer.data() + before, chunk);
            connection->buffer.resize(before + std::max<qint64>(received, 0));
            if (received <= 0 || connection->closed)
                return;

            const auto scan = HttpExchange::scanHead(connection->buffer, before);
            switch (scan.status) {
            case HttpExchange::HeadStatus::Complete: {
                const Answer answer =
                    answerTo(QByteArrayView(connection->buffer).first(scan.length));
                if (answer.opensStream)
                    openStream(connection);
                else
                    respond(connection, answer.bytes);
                break;
            }
            case HttpExchange::HeadStatus::BadRequestLine:
                respond(connection, badRequest());
                break;
            case HttpExchange::HeadStatus::TooLong:
                close(connection);
                return;
            case HttpExchange::HeadStatus::Incomplete:
                break;
            }
        }
        // Whatever follows the head is not read: a client closed with unread bytes waiting would
        // be sent a reset, which can destroy the answer before the client reads it.
        if (!connection->closed)
            connection->skip(connection->bytesAvailable());
    }

    void respond(Connection* connection, const QByteArray& bytes)
    {
        connection->headComplete = true;
        connection->buffer = QByteArray();
        connection->write(bytes);
        // Hand the answer to the system now: a client that shuts its sending side right after
        // the request would otherwise make Qt drop the unsent answer.
        connection->flush();
        if (!connection->closed && connection->bytesToWrite() == 0)
            drain(connection);
    }

    // The answer is with the system: shut the sending side, so the client sees the end of it,
    // and discard what the client still sends until it closes or drainTime passes.
    void drain(Connection* connection)
    {
        connection->draining = true;
        SocketEnds::closeSending(connection->socketDescriptor());
        connection->deadline = Clock::now() + drainTime;
        if (!m_headTimer->isActive() || connection->deadline < m_nextDeadline)
            armHeadTimer();
    }

    static QByteArray badRequest()
    {
        return HttpExchange::response("400 Bad Request", textPlain, "Bad Request");
    }

    // The head of an event stream is answered by openStream(); every other answer is whole.
    struct Answer
    {
        QByteArray bytes;
        bool opensStream = false;
    };

    Answer answerTo(QByteArrayView head) const
    {
        const auto request = HttpExchange::parseRequestLine(head);
        const auto hosts = HttpExchange::fieldValues(head, "Host");
        // More than one Host is a bad request (RFC 9112 section 3.2,
        // https://www.rfc-editor.org/rfc/rfc9112#section-3.2); none is fine, as HTTP/1.0 allows.
        if (!request || hosts.size() > 1)
            return {badRequest()};
        if (!hosts.isEmpty() && !HttpExchange::hostAllowed(hosts.first(), m_machineNames))
            return {HttpExchange::response("421 Misdirected Request", textPlain,
                                           "Misdirected Request")};
        if (!keyCarried(head))
            return {HttpExchange::response("403 Forbidden", "text/html; charset=utf-8",
                                           forbiddenPage)};
        switch (HttpExchange::route(*request)) {
        case HttpExchange::Route::MethodNotAllowed:
            return {HttpExchange::response("405 Method Not Allowed", textPlain,
                                           "Method Not Allowed")};
        case HttpExchange::Route::Page:
            return {m_pageResponse};
        case HttpExchange::Route::State: {
            std::lock_guard lock(m_shared->stateLock);
            return {m_shared->stateResponse};
        }
        case HttpExchange::Route::Api: {
            std::lock_guard lock(m_shared->stateLock);
            return {m_shared->apiResponse};
        }
        case HttpExchange::Route::Takes: {
            std::lock_guard lock(m_shared->stateLock);
            return {m_shared->takesResponse};
        }
        case HttpExchange::Route::Events:
            // A stream opened while the display is off would go on showing a state nobody
            // updates any more.
            if (m_listener == nullptr || !m_listener->isListening())
                return {HttpExchange::response("503 Service Unavailable", textPlain,
                                               "The remote display is off.")};
            return {{}, true};
        case HttpExchange::Route::NotFound:
            break;
        }
        return {HttpExchange::response("404 Not Found", textPlain, "Not Found")};
    }

    bool keyCarried(QByteArrayView head) const
    {
        std::lock_guard lock(m_shared->keyLock);
        return !m_shared->accessKey || HttpExchange::carriesKey(head, *m_shared->accessKey);
    }

    // Safe to call more than once and from inside the connection's own signals: the socket is
    // only deleted once control is back in the event loop.
    void close(Connection* connection)
    {
        if (connection->closed)
            return;
        connection->closed = true;
        connection->list->erase(connection->position);
        QObject::disconnect(connection, nullptr, this, nullptr);
        connection->abort();
        connection->deleteLater();
    }

    struct Event
    {
        quint64 generation;
        QByteArray bytes;
    };

    Event currentEvent() const
    {
        std::lock_guard lock(m_shared->stateLock);
        return {m_shared->stateGeneration, m_shared->stateEvent};
    }

    // The connection leaves the one-request connections, with their cap and deadlines, for the
    // streams; past the cap the oldest stream ends.
    void openStream(Connection* connection)
    {
        connection->headComplete = true;
        connection->streaming = true;
        connection->buffer = QByteArray();
        m_streams.splice(m_streams.end(), m_connections, connection->position);
        connection->list = &m_streams;
        if (m_streams.size() > static_cast<std::size_t>(maxStreams))
            endStream(m_streams.front());
        connection->write(HttpExchange::streamHead() + currentEvent().bytes);
        if (!m_refreshTimer->isActive()) {
            m_refreshTimer->start();
            m_keepAliveTimer->start();
        }
    }

    // A client that has not taken what was sent before is dropped rather than buffered for.
    void send(Connection* connection, QByteArrayView bytes)
    {
        if (connection->bytesToWrite() > maxStreamBacklog)
            close(connection);
        else
            connection->write(bytes.data(), bytes.size());
    }

    void sendToStreams(QByteArrayView bytes)
    {
        for (auto it = m_streams.begin(); it != m_streams.end();)
            send(*it++, bytes); // send may close, and so unlink, the stream
    }

    void refreshStreams()
    {
        if (m_streams.empty()) {
            m_refreshTimer->stop();
            m_keepAliveTimer->stop();
            return;
        }
        const auto [generation, event] = currentEvent();
        m_sentGeneration = generation;
        sendToStreams(event);
    }

    // Ends a stream the way a one-request answer ends: once what it was sent is out, the sending
    // side is shut and the connection drains; a client that does not take it by then is dropped.
    void endStream(Connection* connection)
    {
        connection->streaming = false;
        m_connections.splice(m_connections.end(), m_streams, connection->position);
        connection->list = &m_connections;
        connection->deadline = Clock::now() + drainTime;
        if (connection->bytesToWrite() == 0)
            drain(connection);
        else if (!m_headTimer->isActive() || connection->deadline < m_nextDeadline)
            armHeadTimer();
    }

    void endStreams()
    {
        while (!m_streams.empty())
            endStream(m_streams.front());
    }

    void expireHeads()
    {
        const auto now = Clock::now();
        for (auto it = m_connections.begin(); it != m_connections.end();) {
            Connection* connection = *it++;
            // A connection whose answer is still being written is done with its head, but one
            // stuck there as long is no better than one that never sent it. A draining one has
            // had its time to close.
            if (connection->deadline <= now)
                close(connection);
        }
        armHeadTimer();
    }

    void armHeadTimer()
    {
        if (m_connections.empty()) {
            m_headTimer->stop();
            return;
        }
        const auto next = std::min_element(
            m_connections.begin(), m_connections.end(),
            [](const Connection* a, const Connection* b) { return a->deadline < b->deadline; });
        m_nextDeadline = (*next)->deadline;
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(m_nextDeadline - Clock::now());
        m_headTimer->start(std::max(wait, std::chrono::milliseconds(0)));
    }

    const quint16 m_port;
    const std::shared_ptr<Shared> m_shared;
    const Reporter m_report;
    const QByteArray m_pageResponse;
    QStringList m_machineNames; // read at each start, so a renamed machine is known by its name
    Listener* m_listener = nullptr;
    QTimer* m_headTimer = nullptr;
    QTimer* m_retryTimer = nullptr; // runs while a failed listener waits for its next try
    // The failure last reported since the last start, so a retry that fails alike stays quiet.
    std::optional<QString> m_reportedFailure;
    Clock::time_point m_nextDeadline; // when the head timer fires, while it runs
    QTimer* m_refreshTimer = nullptr;   // runs while streams are open
    QTimer* m_keepAliveTimer = nullptr; // likewise
    quint64 m_sentGeneration = 0;       // the state every stream has been sent
    // Every open connection but the streams, oldest first.
    std::list<Connection*> m_connections;
    // The open event streams, oldest first.
    std::list<Connection*> m_streams;
};

RemoteDisplayServer::RemoteDisplayServer(quint16 port, QObject* parent)
    : QObject(parent), m_port(port), m_shared(std::make_shared<Shared>())
{
    auto responses = jsonResponses(m_shared->state, m_shared->updatedAt);
    m_shared->stateResponse = std::move(responses.state);
    m_shared->apiResponse = std::move(responses.api);
    m_shared->stateEvent = std::move(responses.event);
    m_shared->takesResponse =
        HttpExchange::response("200 OK", applicationJSON, QByteArrayLiteral("{\"takes\":[]}"));
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("remote display"));
    m_engine = new Engine(port, m_shared, [this](bool running, std::optional<QString> error) {
        // Runs on the server thread; the server outlives the engine, and a report still queued
        // when the server is destroyed is discarded with it.
        handOver(this, [this, running, error] { report(running, error); });
    });
    m_engine->moveToThread(m_thread);
    // The thread sets up its event loop's wake-up before it says it has started; waiting for that
    // costs a moment once and lets every later post find it in place, in the open, where a race
    // detector can see the order.
    // A thread the system could not create never says so; the wait is bounded, and the promise
    // outlives it should the thread come up after all.
    auto started = std::make_shared<std::promise<void>>();
    std::future<void> running = started->get_future();
    connect(m_thread, &QThread::started, m_engine, [started] { started->set_value(); },
            Qt::DirectConnection);
    m_thread->start();
    running.wait_for(std::chrono::seconds(5));
    handOver(m_engine, [engine = m_engine] { engine->initialize(); });
}

RemoteDisplayServer::~RemoteDisplayServer()
{
    // The thread ends its own loop: asked from here, the wake-up would go to a descriptor the
    // thread may already be closing.
    handOverAndWait(m_engine, [engine = m_engine] {
        engine->shutdown();
        QThread::currentThread()->quit();
    });
    m_thread->wait();
    delete m_engine;
}

void RemoteDisplayServer::start()
{
    handOver(m_engine, [engine = m_engine] { engine->start(); });
}

void RemoteDisplayServer::stop()
{
    handOver(m_engine, [engine = m_engine] { engine->stop(); });
}

void RemoteDisplayServer::update(const State& state)
{
    const QDateTime now = m_now ? m_now() : QDateTime::currentDateTimeUtc();
    auto responses = jsonResponses(state, now);
    {
        std::lock_guard lock(m_shared->stateLock);
        if (m_shared->state == state) {
            m_shared->updatedAt = now;
            m_shared->apiResponse = std::move(responses.api);
            return;
        }
        m_shared->state = state;
        m_shared->updatedAt = now;
        m_shared->stateResponse = std::move(responses.state);
        m_shared->apiResponse = std::move(responses.api);
        m_shared->stateEvent = std::move(responses.event);
        ++m_shared->stateGeneration;
    }
    handOver(m_engine, [engine = m_engine] { engine->broadcast(); });
}

void RemoteDisplayServer::setTakeList(const QByteArray& json)
{
    QByteArray response = HttpExchange::response("200 OK", applicationJSON, json);
    std::lock_guard lock(m_shared->stateLock);
    m_shared->takesResponse = std::move(response);
}

void RemoteDisplayServer::setStatusHandler(StatusHandler handler)
{
    m_statusHandler = std::move(handler);
}

void RemoteDisplayServer::setAccessKey(const std::optional<QString>& key)
{
    std::lock_guard lock(m_shared->keyLock);
    m_shared->accessKey = key ? std::optional(key->toUtf8()) : std::nullopt;
}

QString RemoteDisplayServer::newAccessKey()
{
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words.data()), sizeof(words)).toHex());
}

bool RemoteDisplayServer::isAccessKey(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9a-f]{32}$"));
    return form.match(text).hasMatch();
}

quint16 RemoteDisplayServer::port() const
{
    const quint16 bound = m_shared->boundPort.load();
    return bound != 0 ? bound : m_port;
}

void RemoteDisplayServer::setHeadTimeout(std::chrono::milliseconds timeout)
{
    m_shared->headTimeoutMs.store(timeout.count());
}

void RemoteDisplayServer::setClock(std::function<QDateTime()> now)
{
    m_now = std::move(now);
}

RemoteDisplayServer::Snapshot RemoteDisplayServer::snapshot() const
{
    std::lock_guard lock(m_shared->stateLock);
    return Snapshot{m_shared->state, m_shared->updatedAt};
}

void RemoteDisplayServer::report(bool running, std::optional<QString> error)
{
    if (m_statusHandler)
        m_statusHandler(running, std::move(error));
}

} // namespace quorvel
