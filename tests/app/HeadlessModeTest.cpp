#include "support/Poll.h"
#include "support/TempDir.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <csignal>

using namespace quorvel::test;

namespace {

QString quorvelBinary()
{
    return qEnvironmentVariable("QUORVEL_BINARY_DIR") + QStringLiteral("/src/app/quorvel");
}

// Runs quorvel with HOME and XDG_CONFIG_HOME in throwaway folders, so no test ever reads or
// writes the developer's own settings.
class HeadlessModeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(quorvelBinary())) << quorvelBinary().toStdString();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_dir.makeFolder(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_dir.makeFolder(QStringLiteral("config")));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_process.setProcessEnvironment(environment);
    }

    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    QString settingsPath() const
    {
        return m_dir.filePath(QStringLiteral("config/Quorvel/Quorvel.conf"));
    }

    void start(const QStringList& arguments)
    {
        m_process.start(quorvelBinary(), arguments);
        ASSERT_TRUE(m_process.waitForStarted(10000));
    }

    // The next complete line of standard output, waiting for it as long as it takes.
    std::optional<QByteArray> nextLine()
    {
        const bool ready = pollUntil([&] {
            m_output += m_process.readAllStandardOutput();
            return m_output.contains('\n') || m_process.state() == QProcess::NotRunning;
        });
        const qsizetype end = m_output.indexOf('\n');
        if (!ready || end < 0)
            return std::nullopt;
        const QByteArray line = m_output.left(end);
        m_output.remove(0, end + 1);
        return line;
    }

    // Waits until standard error holds text.
    bool errorsContain(const QByteArray& text)
    {
        return pollUntil([&] {
            m_errors += m_process.readAllStandardError();
            return m_errors.contains(text);
        });
    }

    int terminate(int signalNumber)
    {
        // A pid of 0 would signal this whole process group, the test runner included.
        const auto pid = static_cast<pid_t>(m_process.processId());
        EXPECT_GT(pid, 0) << "quorvel is no longer running";
        if (pid <= 0)
            return -1;
        ::kill(pid, signalNumber);
        EXPECT_TRUE(pollUntil([&] { return m_process.state() == QProcess::NotRunning; }));
        EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
        return m_process.exitCode();
    }

    TempDir m_dir;
    QProcess m_process;
    QByteArray m_output;
    QByteArray m_errors;
};

// The whole answer to one GET on loopback.
QByteArray get(quint16 port, const QByteArray& target)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(10000))
        return {};
    socket.write("GET " + target + " HTTP/1.1\r\nHost: test\r\n\r\n");
    QByteArray answer;
    while (socket.waitForReadyRead(10000))
        answer += socket.readAll();
    return answer + socket.readAll();
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::Any, 0);
    return probe.serverPort();
}

} // namespace

TEST_F(HeadlessModeTest, PrintsTheStateAsJsonAndExitsCleanlyOnTerminate)
{
    start({QStringLiteral("--headless"), QStringLiteral("--json")});
    const auto line = nextLine();
    ASSERT_TRUE(line) << m_process.readAllStandardError().toStdString();
    QJsonParseError error{};
    const QJsonObject state = QJsonDocument::fromJson(*line, &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line->toStdString();
    EXPECT_EQ(state.value("status").toString(), "Next take");
    EXPECT_EQ(state.value("recording"), QJsonValue(false));
    EXPECT_EQ(state.value("hasTake"), QJsonValue(false));
    // Absent values are left out, never null.
    EXPECT_FALSE(state.contains("take"));
    EXPECT_FALSE(state.contains("daw"));
    EXPECT_FALSE(state.contains("folder"));
    EXPECT_EQ(terminate(SIGTERM), 0);
}

TEST_F(HeadlessModeTest, HonoursStoredSettingsAndExitsCleanlyOnInterrupt)
{
    {
        QSettings stored(settingsPath(), QSettings::IniFormat);
        stored.setValue(QStringLiteral("showNextTakeWhenIdle"), false);
        stored.setValue(QStringLiteral("folderMode"), QStringLiteral("manual"));
        stored.setValue(QStringLiteral("manualFolderPath"), QStringLiteral("/takes/day one"));
    }
    start({QStringLiteral("--headless")});
    const auto line = nextLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "no daw | waiting for takes | folder /takes/day one");
    EXPECT_EQ(terminate(SIGINT), 0);
}

TEST_F(HeadlessModeTest, RejectsUnknownOptionsWithUsage)
{
    for (const QStringList& arguments :
         {QStringList{"--bogus"}, QStringList{"--headless", "stray"}, QStringList{"-x"},
          QStringList{"--headless", "--port"}, QStringList{"--headless", "--port", "0"},
          QStringList{"--headless", "--port", "http"}, QStringList{"--port", "65536"}}) {
        m_process.start(quorvelBinary(), arguments);
        ASSERT_TRUE(m_process.waitForFinished(30000));
        EXPECT_EQ(m_process.exitCode(), 2) << arguments.join(' ').toStdString();
        const QByteArray errors = m_process.readAllStandardError();
        EXPECT_TRUE(errors.startsWith("quorvel: ")) << errors.toStdString();
        EXPECT_TRUE(errors.contains("Usage: quorvel")) << errors.toStdString();
        EXPECT_TRUE(m_process.readAllStandardOutput().isEmpty());
    }
}

TEST_F(HeadlessModeTest, PrintsVersionAndHelp)
{
    m_process.start(quorvelBinary(), {QStringLiteral("--version")});
    ASSERT_TRUE(m_process.waitForFinished(30000));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_EQ(m_process.readAllStandardOutput(), QByteArray("Quorvel " QUORVEL_VERSION "\n"));

    m_process.start(quorvelBinary(), {QStringLiteral("--help")});
    ASSERT_TRUE(m_process.waitForFinished(30000));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_TRUE(m_process.readAllStandardOutput().contains("--headless"));
}

TEST_F(HeadlessModeTest, RemoteDisplayForThisRunServesThePageAndSaysWhere)
{
    const quint16 port = freePort();
    start({"--headless", "--json", "--remote-display", "--port", QString::number(port)});
    EXPECT_TRUE(errorsContain("quorvel: remote display ")) << m_errors.toStdString();
    const QByteArray answer = get(port, "/state");
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << answer.toStdString();
    // Whatever a DAW running on this machine makes the state, it is served as a state document.
    const QJsonObject served =
        QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
    EXPECT_TRUE(served.value("status").isString()) << answer.toStdString();

    // Standard output stays one JSON state per line.
    const auto line = nextLine();
    ASSERT_TRUE(line);
    EXPECT_TRUE(QJsonDocument::fromJson(*line).isObject()) << line->toStdString();
    EXPECT_EQ(terminate(SIGTERM), 0);
    // The option is for this run only.
    EXPECT_FALSE(QSettings(settingsPath(), QSettings::IniFormat)
                     .contains(QStringLiteral("remoteDisplayEnabled")));
}

TEST_F(HeadlessModeTest, ATakenPortIsReportedAndWatchingGoesOn)
{
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));
    start({"--headless", "--remote-display", "--port", QString::number(occupant.serverPort())});
    EXPECT_TRUE(errorsContain("quorvel: remote display unavailable: ")) << m_errors.toStdString();
    EXPECT_TRUE(nextLine());
    EXPECT_EQ(m_process.state(), QProcess::Running);
    EXPECT_EQ(terminate(SIGTERM), 0);
}
