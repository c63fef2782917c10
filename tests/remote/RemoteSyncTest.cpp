// The watcher's side of the remote display: following the settings, over real sockets on
// loopback. What it pushes on every scan is the page session test's; a taken port is the command
// line tests' and the server's; the addresses shown with the key are the settings window's.
#include "LoopbackClient.h"
#include "support/Poll.h"
#include "ui/WatcherHarness.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cerrno>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The status line and parsed body of GET target from the watcher's server.
std::pair<QByteArray, QJsonObject> get(const FolderWatcher& watcher, const QByteArray& target)
{
    const QByteArray answer =
        exchange(watcher.remoteDisplayPort(), "GET " + target + " HTTP/1.1\r\n\r\n").bytes;
    return {answer.left(answer.indexOf("\r\n")),
            QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object()};
}

// Enabling serves the current state at once and every scan after it; the key setting reaches the
// server, and the stored settings hold for the next start; disabling closes the port.
TEST(RemoteSyncTest, TheSettingsDriveTheServerAndEveryScanIsPushed)
{
    WatcherHarness h;
    FolderWatcher& watcher = h.watcher();
    h.stop(QStringLiteral("041"), QStringLiteral("Song"));
    watcher.setRemoteDisplayEnabled(true);
    EXPECT_TRUE(h.settings().remoteDisplayEnabled());
    ASSERT_TRUE(pollUntil([&] { return watcher.remoteDisplayRunning(); }));
    const quint16 port = watcher.remoteDisplayPort();
    EXPECT_EQ(get(watcher, "/state").second.value("piece").toString(), "Song");
    h.record(QStringLiteral("042"));
    EXPECT_EQ(get(watcher, "/state").second.value("status").toString(), "Recording");

    watcher.setRemoteDisplayKeyRequired(true);
    const QString key = watcher.remoteDisplayKey();
    watcher.newRemoteDisplayKey();
    const QString fresh = watcher.remoteDisplayKey();
    const std::pair<QByteArray, QByteArray> rows[] = {
        {"/state", "HTTP/1.1 403 Forbidden"},
        {"/state?key=" + key.toUtf8(), "HTTP/1.1 403 Forbidden"},
        {"/state?key=" + fresh.toUtf8(), "HTTP/1.1 200 OK"},
    };
    for (const auto& [target, expected] : rows)
        EXPECT_EQ(get(watcher, target).first, expected) << target.toStdString();

    // The stored settings hold for the next start: the server comes up with the watcher, keyed.
    FolderWatcher next({}, h.settings(), nullptr, std::chrono::hours(1), 0);
    ASSERT_TRUE(pollUntil([&] { return next.remoteDisplayRunning(); }));
    EXPECT_EQ(get(next, "/state").first, "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(get(next, "/state?key=" + fresh.toUtf8()).first, "HTTP/1.1 200 OK");

    watcher.setRemoteDisplayKeyRequired(false);
    EXPECT_EQ(get(watcher, "/state").first, "HTTP/1.1 200 OK");
    watcher.setRemoteDisplayEnabled(false);
    EXPECT_FALSE(h.settings().remoteDisplayEnabled());
    ASSERT_TRUE(pollUntil([&] { return !watcher.remoteDisplayRunning(); }));
    EXPECT_TRUE(pollUntil([&] { return LoopbackClient(port).connectError() == ECONNREFUSED; }));
}

} // namespace
