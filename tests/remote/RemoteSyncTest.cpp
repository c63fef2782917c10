#include "LoopbackClient.h"
#include "model/FolderWatcher.h"
#include "model/UserDefaults.h"
#include "support/FakeProvider.h"
#include "support/Poll.h"
#include "support/RawSettings.h"
#include "support/TempDir.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <cerrno>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The watcher's side of the remote display: following the setting, pushing what the surfaces
// show, and reporting the server's status. Over real sockets on loopback.
class RemoteSyncTest : public ::testing::Test
{
protected:
    void start(quint16 port = 0)
    {
        m_settings = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("q.conf")));
        m_settings->registerApplicationDefaults();
        m_reaper = std::make_shared<FakeProvider>(DAWId::reaper, QStringLiteral("REAPER"));
        m_reaper->setRunning(false);
        m_watcher = std::make_unique<FolderWatcher>(FolderWatcher::ProviderList{m_reaper},
                                                    *m_settings, nullptr, std::chrono::hours(1),
                                                    port);
        // Let the round the watcher starts with land first, so it cannot overwrite a test's.
        bool applied = false;
        QObject::connect(m_watcher.get(), &FolderWatcher::scanApplied, [&] { applied = true; });
        ASSERT_TRUE(pollUntil([&] { return applied; }));
        QObject::disconnect(m_watcher.get(), &FolderWatcher::scanApplied, nullptr, nullptr);
    }

    void applyTake(const QString& recPass, bool recording)
    {
        m_watcher->apply({{m_reaper, snapshotWithTake(recPass, recording, QStringLiteral("Song"))}});
    }

    // The body of GET /state, parsed.
    QJsonObject state() const
    {
        const auto answer = exchange(m_watcher->remoteDisplayPort(),
                                     "GET /state HTTP/1.1\r\nHost: x\r\n\r\n");
        const qsizetype body = answer.bytes.indexOf("\r\n\r\n");
        EXPECT_GE(body, 0) << answer.bytes.toStdString();
        return QJsonDocument::fromJson(answer.bytes.mid(body + 4)).object();
    }

    QString storedEnabled() const
    {
        return readRawSetting(m_dir.filePath(QStringLiteral("q.conf")),
                              QStringLiteral("remoteDisplayEnabled"))
            .toString();
    }

    TempDir m_dir;
    std::unique_ptr<UserDefaults> m_settings;
    std::shared_ptr<FakeProvider> m_reaper;
    std::unique_ptr<FolderWatcher> m_watcher;
};

} // namespace

TEST_F(RemoteSyncTest, EnablingServesTheCurrentStateAtOnceAndEveryScanAfterUntilDisabled)
{
    start();
    applyTake(QStringLiteral("041"), false);
    m_watcher->setRemoteDisplayEnabled(true);
    EXPECT_EQ(storedEnabled(), "true");
    ASSERT_TRUE(pollUntil([&] { return m_watcher->remoteDisplayRunning(); }));
    EXPECT_EQ(m_watcher->remoteDisplayError(), std::nullopt);
    const quint16 port = m_watcher->remoteDisplayPort();

    QJsonObject shown = state();
    EXPECT_EQ(shown.value("take").toString(), "42");
    EXPECT_EQ(shown.value("status").toString(), "Next take");
    EXPECT_EQ(shown.value("piece").toString(), "Song");
    EXPECT_EQ(shown.value("daw").toString(), "REAPER");

    applyTake(QStringLiteral("042"), true);
    shown = state();
    EXPECT_EQ(shown.value("status").toString(), "Recording");
    EXPECT_EQ(shown.value("recording"), QJsonValue(true));

    for (const QString& url : m_watcher->remoteDisplayURLs()) {
        EXPECT_TRUE(url.startsWith("http://") && url.endsWith(QStringLiteral(":%1").arg(port)))
            << url.toStdString();
    }

    m_watcher->setRemoteDisplayEnabled(false);
    EXPECT_EQ(storedEnabled(), "false");
    ASSERT_TRUE(pollUntil([&] { return !m_watcher->remoteDisplayRunning(); }));
    EXPECT_EQ(m_watcher->remoteDisplayError(), std::nullopt);
    EXPECT_TRUE(pollUntil([&] {
        LoopbackClient client(port);
        return !client.connected() && client.connectError() == ECONNREFUSED;
    }));
}

TEST_F(RemoteSyncTest, ATakenPortIsReportedAndTurningOffClearsIt)
{
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));
    start(occupant.serverPort());
    m_watcher->setRemoteDisplayEnabled(true);
    ASSERT_TRUE(pollUntil([&] { return m_watcher->remoteDisplayError().has_value(); }));
    EXPECT_FALSE(m_watcher->remoteDisplayRunning());
    EXPECT_FALSE(m_watcher->remoteDisplayError()->isEmpty());

    m_watcher->setRemoteDisplayEnabled(false);
    EXPECT_TRUE(pollUntil([&] { return !m_watcher->remoteDisplayError().has_value(); }));

    // Once the port is free, turning it on again succeeds.
    occupant.close();
    m_watcher->setRemoteDisplayEnabled(true);
    EXPECT_TRUE(pollUntil([&] { return m_watcher->remoteDisplayRunning(); }));
}

TEST_F(RemoteSyncTest, AStoredSettingStartsTheServerWithTheWatcher)
{
    storeRawSetting(m_dir.filePath(QStringLiteral("q.conf")),
                    QStringLiteral("remoteDisplayEnabled"), true);
    start();
    EXPECT_TRUE(m_watcher->remoteDisplayEnabled());
    EXPECT_TRUE(pollUntil([&] { return m_watcher->remoteDisplayRunning(); }));
}
