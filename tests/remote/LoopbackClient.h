#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDir>

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::test {

// A plain blocking TCP client on the loopback interface, written against the socket calls so a
// test controls exactly which bytes go out and how the connection ends. Every wait has a
// deadline, so a server that never answers fails the test instead of hanging it.
class LoopbackClient
{
public:
    // Connects to 127.0.0.1 on port; check connected().
    explicit LoopbackClient(quint16 port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int one = 1;
        if (m_fd >= 0)
            ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (m_fd < 0 ||
            ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            m_connectError = errno;
            close();
        }
    }
    ~LoopbackClient() { close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return m_fd >= 0; }
    // The errno of a failed connect, 0 after a successful one.
    int connectError() const { return m_connectError; }

    // Sends all bytes (Nagle off, so small pieces leave as separate segments); false on error.
    bool send(QByteArrayView bytes)
    {
        for (qsizetype sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0 && errno != EINTR)
                return false;
            sent += std::max<ssize_t>(n, 0);
        }
        return true;
    }
    // Closes the sending side (the server sees end of stream); reading still works.
    void shutdownSending() { ::shutdown(m_fd, SHUT_WR); }
    // Closes with a reset instead of an orderly close.
    void reset()
    {
        const linger abortive{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        close();
    }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    struct Received
    {
        QByteArray bytes;
        bool closed = false; // the server ended the connection (orderly or with a reset) in time
    };
    // Reads until the server ends the connection or 20 seconds pass; at once when not connected.
    Received readAll()
    {
        Received received;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        char chunk[16384];
        while (m_fd >= 0 && !received.closed && std::chrono::steady_clock::now() < end) {
            pollfd waiting{m_fd, POLLIN, 0};
            if (::poll(&waiting, 1, 50) <= 0)
                continue;
            const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
            if (n > 0)
                received.bytes.append(chunk, n);
            else
                received.closed = n == 0 || errno != EINTR;
        }
        return received;
    }
    // True when the server has ended the connection and no bytes are waiting; does not wait.
    bool closedByPeerNow()
    {
        pollfd waiting{m_fd, POLLIN, 0};
        char byte;
        return ::poll(&waiting, 1, 0) > 0 && ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0;
    }

private:
    int m_fd = -1;
    int m_connectError = 0;
};

// Connects, sends request, and reads the whole answer.
inline LoopbackClient::Received exchange(quint16 port, QByteArrayView request)
{
    LoopbackClient client(port);
    if (!client.connected() || !client.send(request))
        return {};
    return client.readAll();
}

// Bytes as printable text for failure messages.
inline std::string shown(const QByteArray& bytes)
{
    return bytes.left(300).toPercentEncoding(" /?#:*=\"{},").toStdString() + " (" +
           std::to_string(bytes.size()) + " bytes)";
}

// Open descriptors of this process (Linux lists them in /proc/self/fd, macOS in /dev/fd).
inline int openDescriptorCount()
{
    const QString folder = QDir(QStringLiteral("/proc/self/fd")).exists()
                               ? QStringLiteral("/proc/self/fd")
                               : QStringLiteral("/dev/fd");
    return int(QDir(folder).entryList(QDir::Files | QDir::System).size());
}

} // namespace quorvel::test
