#pragma once

#include "remote/RemoteDisplayState.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QThread;

namespace quorvel {

// The remote display: a minimal HTTP/1.1 server that lets a tablet on the studio network show the
// current take. It listens on every interface, answers one GET per connection ("/" the page,
// "/state" and "/api/v1/state" the JSON documents) and closes the connection after the answer:
// it shuts its sending side and discards what the client still sends for a short while, so a
// request body left unread does not turn the close into a reset that destroys the answer. Only
// requests addressed to an IP literal, localhost or this machine's own names are answered (421
// otherwise), so a web page cannot reach the server through a DNS name rebound to it. With an
// access key set, every request must also carry that key (403 otherwise), so only a device that
// was shown the address from the settings can read the studio's session names.
//
// The listener and every connection live on the server's own thread, so a slow or hostile client
// never stalls the main thread. A client that has not finished its request head within the head
// timeout is dropped, and at most maxConnections are open at once: a new connection past the cap
// pushes out the one that has waited longest without a complete head, so idle clients cannot lock
// out a live one.
//
// "/events" keeps its connection open instead: a stream of server-sent events, each carrying the
// document "/state" serves, sent at once, on every change of the state and again every
// streamRefreshInterval, so a page can tell a live server whose state stands still from one that
// has gone (a comment line alone would not do: browsers never hand those to the page). A comment
// line every streamKeepAliveInterval keeps quiet network links from dropping the connection.
// Streams have a cap of their own, maxStreams, and do not count against maxConnections: a new
// stream past the cap ends the oldest, since a device that left the network leaves its stream
// open and silent for minutes and is always the oldest, while a live page that loses its stream
// this way polls and asks for it again. A client that stops reading is dropped once more than
// maxStreamBacklog bytes wait to be sent to it. Stopping or restarting the display ends every
// stream.
//
// A listener that cannot listen (most often because another program, or a second Quorvel, holds
// the port) is tried again every listenRetryInterval until it listens or is stopped, so the page
// comes back by itself once the port is free.
//
// The public members are for the thread that created the server (the main thread); status reports
// are delivered there too.
class RemoteDisplayServer : public QObject
{
    Q_OBJECT

public:
    using State = RemoteDisplayState;
    // running: the listener is accepting. error: why it is not, when that is a failure (none for
    // a plain stop).
    using StatusHandler = std::function<void(bool running, std::optional<QString> error)>;

    static constexpr int maxConnections = 256;
    static constexpr std::chrono::milliseconds defaultHeadTimeout{10'000};
    static constexpr std::chrono::seconds listenRetryInterval{5};
    static constexpr int maxStreams = 8;
    static constexpr qsizetype maxStreamBacklog = 64 * 1024;
    static constexpr std::chrono::seconds streamRefreshInterval{1};
    static constexpr std::chrono::seconds streamKeepAliveInterval{15};

    // port 0 picks a free port at each start (for tests); port() then tells which one.
    // Does not listen until start().
    explicit RemoteDisplayServer(quint16 port, QObject* parent = nullptr);
    // Closes the listener and every connection and waits for the server thread to end; no status
    // is reported after this begins.
    ~RemoteDisplayServer() override;
    RemoteDisplayServer(const RemoteDisplayServer&) = delete;
    RemoteDisplayServer& operator=(const RemoteDisplayServer&) = delete;

    // (Re)starts listening; a listener that exists is cancelled first (reported as not running,
    // no error). The outcome arrives through the status handler: (true, none) when listening,
    // (false, text) when the port cannot be had. The text ends by saying that listening is tried
    // again; a retry that fails the same way is not reported again, one that listens is reported
    // as (true, none). Connections already open are answered anyway; event streams are ended.
    void start();
    // Cancels the listener and any retry, reported as (false, none); does nothing when there is
    // none. Open connections are still answered, open event streams are ended; the state is kept
    // for the next start.
    void stop();
    // Replaces the served state and stamps the time of the push. A state that differs from the
    // one before is sent to every open event stream from the server thread; this call never
    // waits for that.
    void update(const State& state);
    // Replaces the document /api/v1/takes answers with (the take sheet's newest entries).
    void setTakeList(const QByteArray& json);
    // The handler runs on this object's thread from its event loop, some time after the
    // listener changed; never from inside start() or stop().
    void setStatusHandler(StatusHandler handler);

    // The key every request must carry from now on (see HttpExchange::carriesKey); none lets
    // every request through, as before keys existed. Takes effect for requests answered after
    // the call.
    void setAccessKey(const std::optional<QString>& key);
    // A fresh key: 128 bits from the system's random generator, as 32 lowercase hex characters,
    // which survive a URL, a QR code and the settings file without escaping.
    static QString newAccessKey();
    // Whether text has the form newAccessKey() makes.
    static bool isAccessKey(const QString& text);

    // The listening port while listening (the one the system chose when constructed with 0);
    // otherwise the port given at construction.
    quint16 port() const;

    // How long a connection may take to deliver its complete request head; applies to
    // connections accepted after the call.
    void setHeadTimeout(std::chrono::milliseconds timeout);
    // The clock update() stamps with; tests replace it. Defaults to the current UTC time.
    void setClock(std::function<QDateTime()> now);

    // The served state and the time of its push, copied together under the state lock.
    struct Snapshot
    {
        State state;
        std::optional<QDateTime> updatedAt;
    };
    Snapshot snapshot() const;

private:
    class Engine;
    struct Shared;

    void report(bool running, std::optional<QString> error);

    const quint16 m_port;
    std::shared_ptr<Shared> m_shared;
    StatusHandler m_statusHandler;
    std::function<QDateTime()> m_now;
    QThread* m_thread = nullptr;
    Engine* m_engine = nullptr;
};

} // namespace quorvel
