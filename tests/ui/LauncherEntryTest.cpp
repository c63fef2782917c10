// The launcher entry on a real session bus, heard by a separate process that listens as a dock
// does (launcher_listener.py). CTest runs these under dbus-run-session, and the
// LauncherEntryWithoutBus cases with a session bus address where nothing listens.
#include "QtPrinters.h"
#include "WatcherHarness.h"
#include "support/Poll.h"
#include "ui/ApplicationIcon.h"
#include "ui/DockTileRenderer.h"
#include "ui/DockTileUpdater.h"

#include <QApplication>
#include <QDBusConnection>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <deque>

// GoogleTest finds this by argument-dependent lookup: QJsonArray lives in the global namespace.
inline void PrintTo(const QJsonArray& array, std::ostream* out)
{
    *out << QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString desktopFileName = QStringLiteral("com.quorvel.Quorvel");
const QString appUri = QStringLiteral("application://com.quorvel.Quorvel.desktop");

// The listener process and the JSON lines it prints.
class Listener
{
public:
    Listener()
    {
        const QString script = qEnvironmentVariable("QUORVEL_LAUNCHER_LISTENER");
        EXPECT_FALSE(script.isEmpty()) << "QUORVEL_LAUNCHER_LISTENER names launcher_listener.py";
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine()) {
                const QJsonObject event = QJsonDocument::fromJson(m_process.readLine()).object();
                m_events.push_back(event);
            }
        });
        m_process.start(QStringLiteral("/usr/bin/python3"), {script});
        const auto ready = next("ready");
        EXPECT_TRUE(ready) << "the listener never got onto the session bus";
    }

    ~Listener()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(10000);
    }

    void command(const QString& line) { m_process.write((line + u'\n').toUtf8()); }

    // The next event the listener printed, which must be of kind; absent when none came in
    // time or it was of another kind (then the test fails with what came instead).
    std::optional<QJsonObject> next(const QString& kind)
    {
        if (!pollUntil([this] { return !m_events.empty(); })) {
            ADD_FAILURE() << "no \"" << kind.toStdString() << "\" event from the listener";
            return std::nullopt;
        }
        const QJsonObject event = m_events.front();
        m_events.pop_front();
        if (event.value(u"event").toString() != kind) {
            ADD_FAILURE() << "expected a \"" << kind.toStdString() << "\" event, got "
                          << QJsonDocument(event).toJson(QJsonDocument::Compact).toStdString();
            return std::nullopt;
        }
        return event;
    }

private:
    QProcess m_process;
    std::deque<QJsonObject> m_events;
};

struct Badge
{
    qint64 count;
    bool countVisible;
    bool urgent;
};

// Checks that properties, as the listener printed them, hold exactly badge with the types
// libunity sends: count an int64 ("x"), the flags booleans ("b").
void expectProperties(const char* step, const QJsonObject& properties, Badge badge)
{
    const auto value = [&](const char* name) { return properties.value(QLatin1String(name)); };
    EXPECT_EQ(properties.size(), 3) << step << ": count, count-visible and urgent only";
    EXPECT_EQ(value("count").toArray(), QJsonArray({"x", badge.count})) << step;
    EXPECT_EQ(value("count-visible").toArray(), QJsonArray({"b", badge.countVisible})) << step;
    EXPECT_EQ(value("urgent").toArray(), QJsonArray({"b", badge.urgent})) << step;
}

// Checks one Update signal from this process's entry.
void expectUpdate(const char* step, const std::optional<QJsonObject>& update, Badge badge)
{
    ASSERT_TRUE(update) << step;
    EXPECT_EQ(update->value(u"sender").toString(), QDBusConnection::sessionBus().baseService())
        << step;
    EXPECT_EQ(update->value(u"signature").toString(), QStringLiteral("(sa{sv})")) << step;
    EXPECT_EQ(update->value(u"app_uri").toString(), appUri) << step;
    // Digits after the prefix, the only paths a snap's AppArmor profile lets the signal out of.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^/com/canonical/unity/launcherentry/[0-9]+$"))
                    .match(update->value(u"path").toString())
                    .hasMatch())
        << step << ": path " << update->value(u"path").toString().toStdString();
    expectProperties(step, update->value(u"properties").toObject(), badge);
}

QImage windowIcon()
{
    const int side = DockTileRenderer::imageSide(DockTileRenderer::tileWidth());
    return QApplication::windowIcon()
        .pixmap(side, side)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

class LauncherEntryOnBusTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
            << "these tests need a session bus: run them under dbus-run-session";
        QGuiApplication::setDesktopFileName(desktopFileName);
    }
};

} // namespace

TEST_F(LauncherEntryOnBusTest, FollowsTheTakeThroughTheWatcher)
{
    Listener listener;
    WatcherHarness h;
    DockTileUpdater updater(h.watcher(), &h.settings());

    h.apply({});
    expectUpdate("idle", listener.next("update"), {0, false, false});
    h.record("42");
    expectUpdate("recording 42", listener.next("update"), {42, true, true});
    EXPECT_EQ(windowIcon(), DockTileRenderer::render("42", true, windowIcon().width()))
        << "the window icon carries the badge too";
    // A change the badge does not show sends nothing: the next signal is the next take's.
    h.apply(snapshotWithTake("42", true, std::nullopt, QString("/takes")));
    h.stop("42");
    expectUpdate("next take 43", listener.next("update"), {43, true, false});
    // The setting off clears the badge; the next signal after it is the one turning it back on.
    h.settings().setShowInDock(false);
    expectUpdate("Dock icon off", listener.next("update"), {0, false, false});
    h.record("44");
    h.settings().setShowInDock(true);
    expectUpdate("Dock icon on, recording 44", listener.next("update"), {44, true, true});
    // The stop settles over a few scans: first the new take while still recording, then idle.
    h.stop("Take A");
    expectUpdate("no number, recording", listener.next("update"), {0, false, true});
    expectUpdate("no number, idle", listener.next("update"), {0, false, false});
}

TEST_F(LauncherEntryOnBusTest, AnswersQueryAndRepeatsItselfToADockThatStartsLater)
{
    Listener listener;
    WatcherHarness h;
    DockTileUpdater updater(h.watcher());
    h.record("42");
    const auto update = listener.next("update");
    expectUpdate("recording 42", update, {42, true, true});
    ASSERT_TRUE(update);

    listener.command(
        QStringLiteral("query %1 %2")
            .arg(update->value(u"sender").toString(), update->value(u"path").toString()));
    const auto query = listener.next("query");
    ASSERT_TRUE(query);
    EXPECT_EQ(query->value(u"signature").toString(), QStringLiteral("(a{sv})"))
        << query->value(u"error").toString().toStdString();
    expectProperties("Query", query->value(u"properties").toObject(), {42, true, true});

    // A dock takes the name docks own when it starts; the entry sends its whole state again.
    listener.command(QStringLiteral("own com.canonical.Unity"));
    const auto owned = listener.next("owned");
    ASSERT_TRUE(owned);
    EXPECT_EQ(owned->value(u"result").toInt(), 1) << "the listener became the name's owner";
    expectUpdate("after a dock appeared", listener.next("update"), {42, true, true});
}

TEST(LauncherEntryWithoutBus, TheWindowIconStillFollowsAndNothingIsPrinted)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        << "CTest points DBUS_SESSION_BUS_ADDRESS at a socket where nothing listens";
    QGuiApplication::setDesktopFileName(desktopFileName);
    static QStringList messages;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { messages << message; });

    {
        WatcherHarness h;
        DockTileUpdater updater(h.watcher(), &h.settings());
        h.record("42");
        EXPECT_EQ(windowIcon(), DockTileRenderer::render("42", true, windowIcon().width()));
        h.stop("42");
        EXPECT_EQ(windowIcon(), DockTileRenderer::render("43", false, windowIcon().width()));
        h.settings().setShowInDock(false);
        h.record("44");
        EXPECT_EQ(windowIcon(), DockTileRenderer::render("44", true, windowIcon().width()));
    }
    EXPECT_FALSE(QDBusConnection::sessionBus().isConnected()) << "no bus answered";
    qInstallMessageHandler(previous);
    EXPECT_TRUE(messages.isEmpty()) << "printed: " << messages.join(u'\n').toStdString();
}
