#include "remote/LoopbackClient.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvel::test {

LoopbackClient::LoopbackClient(quint16 port, Family family)
{
    const int domain = family == Family::IPv4 ? AF_INET : AF_INET6;
    m_fd = ::socket(domain, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        m_connectError = errno;
        return;
    }
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    int result = -1;
    if (family == Family::IPv4) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        result = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    } else {
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_port = htons(port);
        address.sin6_addr = in6addr_loopback;
        result = ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    if (result != 0) {
        m_connectError = errno;
        close();
    }
}

LoopbackClient::~LoopbackClient()
{
    close();
}

bool LoopbackClient::send(QByteArrayView bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

void LoopbackClient::shutdownSending()
{
    ::shutdown(m_fd, SHUT_WR);
}

void LoopbackClient::reset()
{
    if (m_fd < 0)
        return;
    const linger abortive{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    close();
}

void LoopbackClient::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

LoopbackClient::Received LoopbackClient::readAll(std::chrono::milliseconds deadline)
{
    Received received;
    const auto end = std::chrono::steady_clock::now() + deadline;
    char chunk[16384];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            received.timedOut = true;
            return received;
        }
        pollfd waiting{m_fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            received.bytes.append(chunk, n);
        } else if (n == 0) {
            received.endOfStream = true;
            return received;
        } else if (errno != EINTR) {
            received.wasReset = true;
            return received;
        }
    }
}

bool LoopbackClient::closedByPeerNow()
{
    pollfd waiting{m_fd, POLLIN, 0};
    if (::poll(&waiting, 1, 0) <= 0)
        return false;
    char byte;
    const ssize_t n = ::recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n <= 0;
}

LoopbackClient::Received exchange(quint16 port, QByteArrayView request)
{
    LoopbackClient client(port);
    if (!client.connected() || !client.send(request))
        return {};
    return client.readAll();
}

quint16 freePort()
{
    const int fd = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin6_port);
    ::close(fd);
    return port;
}

int openDescriptorCount()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

int listeningSocketCount(quint16 port)
{
    // Lines read "sl local_address rem_address st ...", addresses as HEX:PORT, LISTEN is 0A.
    const QString suffix = QStringLiteral(":%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    int count = 0;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray& line : lines) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields[1].endsWith(suffix.toLatin1()) && fields[3] == "0A")
                ++count;
        }
    }
    return count;
}

} // namespace quorvel::test
