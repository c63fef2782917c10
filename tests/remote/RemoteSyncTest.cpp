// The watcher's side of the remote display: following the setting and pushing what the surfaces
// show, over real sockets on loopback. A taken port is the command line tests' and the server's.
#include "LoopbackClient.h"
#include "support/Poll.h"
#include "ui/WatcherHarness.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <cerrno>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The body of GET /state from the watcher's server, parsed.
QJsonObject state(const FolderWatcher& watcher)
{
    const QByteArray answer =
        exchange(watcher.remoteDisplayPort(), "GET /state HTTP/1.1\r\n\r\n").bytes;
    return QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
}

TEST(RemoteSyncTest, EnablingServesTheCurrentStateAtOnceAndEveryScanAfterUntilDisabled)
{
    WatcherHarness h;
    FolderWatcher& watcher = h.watcher();
    h.stop(QStringLiteral("041"), QStringLiteral("Song"));
    watcher.setRemoteDisplayEnabled(true);
    EXPECT_TRUE(h.settings().remoteDisplayEnabled());
    ASSERT_TRUE(pollUntil([&] { return watcher.remoteDisplayRunning(); }));
    EXPECT_EQ(watcher.remoteDisplayError(), std::nullopt);
    const quint16 port = watcher.remoteDisplayPort();

    QJsonObject shown = state(watcher);
    EXPECT_EQ(shown.value("take").toString(), "42");
    EXPECT_EQ(shown.value("status").toString(), "Next take");
    EXPECT_EQ(shown.value("piece").toString(), "Song");
    h.record(QStringLiteral("042"));
    EXPECT_EQ(state(watcher).value("status").toString(), "Recording");
    for (const QString& url : watcher.remoteDisplayURLs()) {
        EXPECT_TRUE(url.startsWith("http://") && url.endsWith(QStringLiteral(":%1").arg(port)))
            << url.toStdString();
    }

    watcher.setRemoteDisplayEnabled(false);
    EXPECT_FALSE(h.settings().remoteDisplayEnabled());
    ASSERT_TRUE(pollUntil([&] { return !watcher.remoteDisplayRunning(); }));
    EXPECT_TRUE(pollUntil([&] { return LoopbackClient(port).connectError() == ECONNREFUSED; }));
}

// A port held by another program, as by a Quorvel started earlier: the error says listening is
// tried again, and the page comes up by itself once the port is free.
TEST(RemoteSyncTest, ATakenPortIsTriedAgainAndServedOnceFree)
{
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));
    WatcherHarness h;
    FolderWatcher watcher({}, h.settings(), nullptr, std::chrono::hours(1), occupant.serverPort());
    watcher.setRemoteDisplayEnabled(true);
    ASSERT_TRUE(pollUntil([&] { return watcher.remoteDisplayError().has_value(); }));
    EXPECT_TRUE(watcher.remoteDisplayError()->endsWith(" Trying again every 5 seconds."))
        << watcher.remoteDisplayError()->toStdString();
    EXPECT_FALSE(watcher.remoteDisplayRunning());

    occupant.close();
    ASSERT_TRUE(pollUntil([&] { return watcher.remoteDisplayRunning(); }, std::chrono::minutes(1)));
    EXPECT_EQ(watcher.remoteDisplayError(), std::nullopt);
    EXPECT_TRUE(state(watcher).value("status").isString());
}

// The status line of GET target from the watcher's server.
QByteArray statusOf(const FolderWatcher& watcher, const QByteArray& target)
{
    const QByteArray answer =
        exchange(watcher.remoteDisplayPort(), "GET " + target + " HTTP/1.1\r\n\r\n").bytes;
    return answer.left(answer.indexOf("\r\n"));
}

// The key setting flows from the settings through the watcher to the server and the addresses,
// and the stored settings hold for the next start; off, everything is as without keys.
TEST(RemoteSyncTest, TheAccessKeySettingGuardsTheServerAndRidesInTheAddresses)
{
    WatcherHarness h;
    FolderWatcher& watcher = h.watcher();
    watcher.setRemoteDisplayEnabled(true);
    ASSERT_TRUE(pollUntil([&] { return watcher.remoteDisplayRunning(); }));
    EXPECT_FALSE(watcher.remoteDisplayKeyRequired()) << "off by default";
    EXPECT_EQ(statusOf(watcher, "/state"), "HTTP/1.1 200 OK");

    watcher.setRemoteDisplayKeyRequired(true);
    const QString key = watcher.remoteDisplayKey();
    EXPECT_TRUE(h.settings().remoteDisplayKeyRequired());
    EXPECT_EQ(h.settings().remoteDisplayKey(), key);
    watcher.newRemoteDisplayKey();
    const QString fresh = watcher.remoteDisplayKey();
    EXPECT_NE(fresh, key) << "a new key replaces the old one";
    EXPECT_EQ(h.settings().remoteDisplayKey(), fresh);
    const struct
    {
        QByteArray target;
        QByteArray status;
    } rows[] = {
        {"/state", "HTTP/1.1 403 Forbidden"},
        {"/state?key=" + key.toUtf8(), "HTTP/1.1 403 Forbidden"},
        {"/state?key=" + fresh.toUtf8(), "HTTP/1.1 200 OK"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(statusOf(watcher, row.target), row.status) << row.target.toStdString();
    for (const QString& url : watcher.remoteDisplayURLs())
        EXPECT_TRUE(url.endsWith("/?key=" + fresh)) << url.toStdString();

    // The stored settings hold for the next start: the server comes up with the watcher, keyed.
    FolderWatcher next({}, h.settings(), nullptr, std::chrono::hours(1), 0);
    EXPECT_TRUE(next.remoteDisplayKeyRequired());
    EXPECT_EQ(next.remoteDisplayKey(), fresh);
    ASSERT_TRUE(pollUntil([&] { return next.remoteDisplayRunning(); }));
    EXPECT_EQ(statusOf(next, "/state?key=" + fresh.toUtf8()), "HTTP/1.1 200 OK");

    watcher.setRemoteDisplayKeyRequired(false);
    EXPECT_EQ(statusOf(watcher, "/state"), "HTTP/1.1 200 OK");
    for (const QString& url : watcher.remoteDisplayURLs())
        EXPECT_FALSE(url.contains("key=")) << url.toStdString();
}

} // namespace
