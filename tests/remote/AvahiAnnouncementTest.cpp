// The announcement against a real avahi-daemon, started for this test on a private system bus
// (a dbus-daemon of its own that lets everyone own and call everything), and looked up the way
// any other program would, with avahi-browse. Needs root (avahi-daemon binds the mDNS port and
// writes its PID file under /run) and no other avahi-daemon on the machine: only one can own UDP
// port 5353, so CTest runs this under a resource lock.
#include "platform/ServiceAnnouncement.h"
#include "remote/NetworkInfo.h"
#include "support/Poll.h"
#include "support/TempDir.h"
#include "ui/QtPrinters.h"
#include "ui/WatcherHarness.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using State = ServiceAnnouncement::State;

// The PID of a running avahi-daemon, if any, from the kernel's command names.
std::optional<QString> runningAvahiDaemon()
{
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "avahi-daemon")
            return pid;
    }
    return std::nullopt;
}

// One service as `avahi-browse -rtp` resolves it.
struct Found
{
    QString name;
    quint16 port = 0;
    QString txt;
};

// Undoes avahi-browse's escaping of names in its parseable output: "\DDD" for a byte in decimal
// (spaces among them), "\X" for a literal X.
QString unescape(const QString& text)
{
    QByteArray bytes;
    const QByteArray in = text.toUtf8();
    for (qsizetype i = 0; i < in.size(); ++i) {
        const auto digit = [&](qsizetype at) {
            return at < in.size() && std::isdigit(static_cast<unsigned char>(in[at]));
        };
        if (in[i] == '\\' && digit(i + 1) && digit(i + 2) && digit(i + 3)) {
            bytes.append(char(in.mid(i + 1, 3).toInt()));
            i += 3;
        } else if (in[i] == '\\' && i + 1 < in.size()) {
            bytes.append(in[++i]);
        } else {
            bytes.append(in[i]);
        }
    }
    return QString::fromUtf8(bytes);
}

// Every resolved "_http._tcp" service the daemon knows of, once per interface it is on.
std::vector<Found> browse()
{
    QProcess browser;
    browser.start(QStringLiteral("avahi-browse"),
                  {QStringLiteral("-rtp"), QStringLiteral("_http._tcp")});
    EXPECT_TRUE(browser.waitForFinished(20'000)) << "avahi-browse did not finish";
    std::vector<Found> found;
    // "=;IFACE;PROTO;NAME;TYPE;DOMAIN;HOST;ADDRESS;PORT;TXT"
    for (const QByteArray& line : browser.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(';');
        if (fields.size() >= 10 && fields[0] == "=")
            found.push_back({unescape(QString::fromUtf8(fields[3])), quint16(fields[8].toUInt()),
                             QString::fromUtf8(fields.mid(9).join(';'))});
    }
    return found;
}

std::vector<Found> browseFor(const QString& name)
{
    std::vector<Found> matching;
    for (const Found& f : browse()) {
        if (f.name == name)
            matching.push_back(f);
    }
    return matching;
}

// The daemons end with the test even when it is killed (a timeout): a leftover avahi-daemon would
// hold the mDNS port and make every later run skip.
void endWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

class AvahiAnnouncementTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "avahi-daemon needs root to bind the mDNS port and write under /run";
        for (const char* tool : {"dbus-daemon", "avahi-daemon", "avahi-browse"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty() &&
                QStandardPaths::findExecutable(
                    QString::fromLatin1(tool),
                    {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")})
                    .isEmpty())
                GTEST_SKIP() << tool
                             << " is not installed (packages dbus-daemon, avahi-daemon, "
                                "avahi-utils)";
        }
        if (const auto pid = runningAvahiDaemon())
            GTEST_SKIP() << "an avahi-daemon already runs on this machine (PID "
                         << pid->toStdString()
                         << ") and owns the mDNS port; this test starts its own and so cannot run";

        // One bus address for every test in this process: libdbus reads the variable once, at
        // the process's first connection. It is for avahi-daemon and avahi-browse too.
        static TempDir busDir;
        const QString socket = busDir.filePath(QStringLiteral("system_bus_socket"));
        QFile::remove(socket);
        m_dir.write(QStringLiteral("bus.conf"), busConfig(socket));
        m_dir.write(QStringLiteral("avahi-daemon.conf"), avahiConfig());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + QFile::encodeName(socket));

        m_bus.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        endWithParent(m_bus);
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--nofork"), QStringLiteral("--config-file=") +
                                                     m_dir.filePath(QStringLiteral("bus.conf"))});
        ASSERT_TRUE(m_bus.waitForStarted()) << "dbus-daemon did not start";
        ASSERT_TRUE(pollUntil([&] { return QFile::exists(socket); }))
            << "dbus-daemon never listened";
    }

    void TearDown() override
    {
        stopDaemon();
        if (m_bus.state() != QProcess::NotRunning) {
            m_bus.terminate();
            m_bus.waitForFinished(10'000);
        }
    }

    void startDaemon()
    {
        m_daemon.setProcessChannelMode(QProcess::MergedChannels);
        endWithParent(m_daemon);
        m_daemon.start(QStringLiteral("/usr/sbin/avahi-daemon"),
                       {QStringLiteral("--no-drop-root"), QStringLiteral("--no-chroot"),
                        QStringLiteral("--no-rlimits"), QStringLiteral("-f"),
                        m_dir.filePath(QStringLiteral("avahi-daemon.conf"))});
        ASSERT_TRUE(m_daemon.waitForStarted()) << "avahi-daemon did not start";
    }

    void stopDaemon()
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        m_daemon.terminate();
        m_daemon.waitForFinished(10'000);
    }

    std::string daemonLog() { return m_daemon.readAll().toStdString(); }

    static QByteArray busConfig(const QString& socket)
    {
        return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>system</type>\n"
               "  <listen>unix:path=" +
               QFile::encodeName(socket) +
               "</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow user=\"*\"/>\n"
               "    <allow own=\"*\"/>\n"
               "    <allow send_destination=\"*\"/>\n"
               "    <allow receive_sender=\"*\"/>\n"
               "  </policy>\n"
               "</busconfig>\n";
    }

    // IPv4 only, nothing published about the machine beyond its addresses, and no rate limit:
    // the test browses again and again.
    static QByteArray avahiConfig()
    {
        return "[server]\n"
               "use-ipv4=yes\n"
               "use-ipv6=no\n"
               "enable-dbus=yes\n"
               "ratelimit-interval-usec=1000000\n"
               "ratelimit-burst=1000\n"
               "[wide-area]\n"
               "enable-wide-area=no\n"
               "[publish]\n"
               "publish-hinfo=no\n"
               "publish-workstation=no\n";
    }

    TempDir m_dir;
    QProcess m_bus;
    QProcess m_daemon;
};

// The whole life of the announcement: the display is on before the responder runs (no responder,
// numeric addresses first), the responder starts and the next retry finds it (announced under
// "Quorvel on HOST" on the server's port with "path=/" and never the key, NAME.local first), a
// restart on a new port moves it, and turning the display off withdraws it.
TEST_F(AvahiAnnouncementTest, ThePageIsAnnouncedFollowedAndWithdrawn)
{
    WatcherHarness h;
    FolderWatcher& watcher = h.watcher();
    const QString name = NetworkInfo::serviceName(NetworkInfo::localHostName());
    const auto announcement = [&] { return watcher.remoteDisplayAnnouncement(); };

    watcher.setRemoteDisplayKeyRequired(true);
    watcher.setRemoteDisplayEnabled(true);
    ASSERT_TRUE(pollUntil([&] { return announcement().state == State::noResponder; }))
        << "state " << int(announcement().state);
    ASSERT_TRUE(watcher.remoteDisplayRunning());
    if (NetworkInfo::localHostName() && !NetworkInfo::lanIPv4Addresses().isEmpty()) {
        EXPECT_FALSE(watcher.remoteDisplayURLs().front().contains(".local"));
    }

    startDaemon();
    ASSERT_TRUE(pollUntil([&] { return announcement().state == State::registered; },
                          std::chrono::seconds(60)))
        << "state " << int(announcement().state) << "; avahi-daemon said:\n"
        << daemonLog();
    EXPECT_EQ(announcement().name, name);
    const quint16 port = watcher.remoteDisplayPort();
    std::vector<Found> found;
    ASSERT_TRUE(pollUntil([&] { return !(found = browseFor(name)).empty(); }))
        << "avahi-browse never listed " << name.toStdString();
    for (const Found& f : found) {
        EXPECT_EQ(f.port, port);
        EXPECT_EQ(f.txt, "\"path=/\"") << "the TXT record holds more than the path";
        EXPECT_FALSE(f.txt.contains(watcher.remoteDisplayKey()));
    }
    const QStringList urls = watcher.remoteDisplayURLs();
    if (const auto local = NetworkInfo::localHostName()) {
        ASSERT_FALSE(urls.isEmpty());
        EXPECT_EQ(urls.front(),
                  QStringLiteral("http://%1.local:%2/?key=%3")
                      .arg(*local, QString::number(port), watcher.remoteDisplayKey()));
    }
    EXPECT_TRUE(NetworkInfo::announcementNote(announcement()).contains(name));

    // Restarted, the server listens on a port of the system's choosing (port 0 in the harness),
    // and the announcement follows it: the old port is withdrawn, the new one announced.
    watcher.setRemoteDisplayEnabled(false);
    watcher.setRemoteDisplayEnabled(true);
    ASSERT_TRUE(pollUntil([&] {
        return announcement().state == State::registered && watcher.remoteDisplayPort() != port;
    })) << "state "
        << int(announcement().state);
    const quint16 newPort = watcher.remoteDisplayPort();
    EXPECT_TRUE(pollUntil([&] {
        found = browseFor(name);
        return !found.empty() && std::all_of(found.begin(), found.end(),
                                             [&](const Found& f) { return f.port == newPort; });
    })) << "the announcement did not move to port "
        << newPort;

    watcher.setRemoteDisplayEnabled(false);
    EXPECT_EQ(announcement().state, State::off);
    EXPECT_TRUE(pollUntil([&] { return browseFor(name).empty(); }))
        << "still announced after the display was turned off";
    EXPECT_TRUE(NetworkInfo::announcementNote(announcement()).isEmpty());
}

} // namespace
