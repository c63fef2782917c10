#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace quorvel::test {

// A plain blocking TCP client on the loopback interface, written against the socket calls so a
// test controls exactly which bytes go out and how the connection ends. Every wait has a
// deadline, so a server that never answers fails the test instead of hanging it.
class LoopbackClient
{
public:
    enum class Family { IPv4, IPv6 };

    // Connects to 127.0.0.1 (or ::1) on port; check connected().
    explicit LoopbackClient(quint16 port, Family family = Family::IPv4);
    ~LoopbackClient() { close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    // The errno of a failed connect, 0 after a successful one.
    int connectError() const { return m_connectError; }

    // Sends all bytes (Nagle off, so small pieces leave as separate segments); false on error.
    bool send(QByteArrayView bytes);
    // Closes the sending side (the server sees end of stream); reading still works.
    void shutdownSending();
    // Closes with a reset instead of an orderly close.
    void reset();
    void close();

    struct Received
    {
        QByteArray bytes;
        bool closed = false; // the server ended the connection (orderly or with a reset) in time
    };
    // Reads until the server ends the connection or 20 seconds pass; at once when not connected.
    Received readAll();
    // True when the server has ended the connection and no bytes are waiting; does not wait.
    bool closedByPeerNow();

private:
    int m_fd = -1;
    int m_connectError = 0;
};

// Connects, sends request, and reads the whole answer.
LoopbackClient::Received exchange(quint16 port, QByteArrayView request);

// Open descriptors of this process.
int openDescriptorCount();

} // namespace quorvel::test
