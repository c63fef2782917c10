// The quorvel program as a user starts it on a machine without a display, with HOME and
// XDG_CONFIG_HOME in throwaway folders so no test reads or writes the developer's settings. What
// it shows while a DAW records is the end-to-end tests' part.
#include "e2e/ChildProcess.h"
#include "remote/LoopbackClient.h"
#include "support/TempDir.h"

#include <QSettings>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

constexpr auto deadline = 60s;

// quorvel with arguments, its home and settings in dir, and no display at all.
struct Quorvel : ChildProcess
{
    Quorvel(const TempDir& dir, const QStringList& arguments)
        : ChildProcess(QStringLiteral(QUORVEL_PROGRAM), arguments, environment(dir))
    {
    }
    static QProcessEnvironment environment(const TempDir& dir)
    {
        QProcessEnvironment environment = isolatedEnvironment(dir);
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        return environment;
    }
    bool errorsContain(const char* text)
    {
        return pollUntil([&] { return standardError().find(text) != std::string::npos; });
    }
};

TEST(CommandLineTest, AnswersAtOnceOrRejectsAMistakeWithUsage)
{
    TempDir dir;
    const std::pair<QStringList, int> cases[] = {
        {{"--version"}, 0},
        {{"--help"}, 0},
        {{"--bogus"}, 2},
        {{"--headless", "stray"}, 2},
        {{"--headless", "--port"}, 2},
        {{"--headless", "--port", "0"}, 2},
        {{"--port", "65536"}, 2},
    };
    for (const auto& [arguments, status] : cases) {
        SCOPED_TRACE("quorvel " + arguments.join(' ').toStdString());
        Quorvel quorvel(dir, arguments);
        EXPECT_EQ(quorvel.waitForExit(deadline), status) << quorvel.standardError();
        const QString errors = QString::fromStdString(quorvel.standardError());
        if (arguments.first() == "--version") {
            EXPECT_EQ(quorvel.lines(), QStringList{"Quorvel " QUORVEL_VERSION});
        } else if (status == 0) {
            EXPECT_TRUE(quorvel.lines().contains("Usage: quorvel [options]"));
        } else {
            EXPECT_TRUE(errors.startsWith("quorvel: ") && errors.contains("Usage: quorvel") &&
                        quorvel.lines().isEmpty())
                << errors.toStdString();
        }
    }
}

// An interrupt and a hang-up (the terminal closed) end the run as cleanly as SIGTERM does below.
TEST(CommandLineTest, HeadlessHonoursStoredSettingsAndEndsCleanlyOnInterruptOrHangUp)
{
    TempDir dir;
    {
        QSettings stored(dir.filePath("config/Quorvel/Quorvel.conf"), QSettings::IniFormat);
        stored.setValue(QStringLiteral("showNextTakeWhenIdle"), false);
        stored.setValue(QStringLiteral("folderMode"), QStringLiteral("manual"));
        stored.setValue(QStringLiteral("manualFolderPath"), QStringLiteral("/takes/day one"));
    }
    for (const int signalNumber : {SIGINT, SIGHUP}) {
        SCOPED_TRACE("signal " + std::to_string(signalNumber));
        Quorvel quorvel(dir, {QStringLiteral("--headless")});
        const auto line = quorvel.waitForLine("", deadline);
        EXPECT_EQ(line, "no daw | waiting for takes | folder /takes/day one")
            << quorvel.standardError();
        quorvel.sendSignal(signalNumber);
        EXPECT_EQ(quorvel.waitForExit(deadline), 0);
    }
}

TEST(CommandLineTest, RemoteDisplayForThisRunServesTheStateAndSaysWhere)
{
    TempDir dir;
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::Any, 0));
    const quint16 port = probe.serverPort();
    probe.close();
    Quorvel quorvel(dir,
                    {"--headless", "--json", "--remote-display", "--port", QString::number(port)});
    EXPECT_TRUE(quorvel.errorsContain("quorvel: remote display ")) << quorvel.standardError();
    const QByteArray answer =
        exchange(port, "GET /state HTTP/1.1\r\nHost: localhost\r\n\r\n").bytes;
    EXPECT_TRUE(answer.startsWith("HTTP/1.1 200")) << answer.toStdString();
    // Whatever a DAW running on this machine makes the state, it is served as a state document.
    const QJsonObject served =
        QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
    EXPECT_TRUE(served.value("status").isString()) << answer.toStdString();

    // Standard output stays one JSON state per line, the first with nothing left as null.
    const auto first = quorvel.waitForLine("", deadline);
    ASSERT_TRUE(first);
    EXPECT_TRUE(QJsonDocument::fromJson(first->toUtf8()).isObject()) << first->toStdString();
    EXPECT_FALSE(first->contains("null")) << first->toStdString();
    quorvel.sendSignal(SIGTERM);
    EXPECT_EQ(quorvel.waitForExit(deadline), 0);
    // The option is for this run only.
    EXPECT_FALSE(QSettings(dir.filePath("config/Quorvel/Quorvel.conf"), QSettings::IniFormat)
                     .contains(QStringLiteral("remoteDisplayEnabled")));
}

TEST(CommandLineTest, ATakenPortIsReportedAndWatchingGoesOn)
{
    TempDir dir;
    QTcpServer occupant;
    ASSERT_TRUE(occupant.listen(QHostAddress::Any, 0));
    Quorvel quorvel(
        dir, {"--headless", "--remote-display", "--port", QString::number(occupant.serverPort())});
    EXPECT_TRUE(quorvel.errorsContain("quorvel: remote display unavailable: "))
        << quorvel.standardError();
    EXPECT_TRUE(quorvel.waitForLine("", deadline));
    quorvel.sendSignal(SIGTERM);
    EXPECT_EQ(quorvel.waitForExit(deadline), 0) << "still running, and ends cleanly";
}

TEST(CommandLineTest, DiagnosticsPrintsTheReportOfTheStoredSettings)
{
    TempDir dir;
    const QString takes = dir.makeFolder(QStringLiteral("takes"));
    dir.write(QStringLiteral("takes/Song-01-007.wav"));
    // Pinned to REAPER, so that a DAW running on this machine cannot lend its own pattern.
    dir.write(QStringLiteral("config/Quorvel/Quorvel.conf"),
              "[General]\ndawSelection=reaper\nfolderMode=manual\nmanualFolderPath=" +
                  takes.toUtf8() + "\n");
    Quorvel quorvel(dir, {QStringLiteral("--diagnostics")});
    ASSERT_EQ(quorvel.waitForExit(deadline), 0) << quorvel.standardError();
    const QString output = quorvel.lines().join('\n');
    EXPECT_TRUE(output.startsWith("Quorvel diagnostics\nGenerated: ")) << output.toStdString();
    for (const QString& line : {QStringLiteral("\nDAW selection: pinned: REAPER\n"),
                                "\nAudio files in " + takes + " (1 of 1 audio"})
        EXPECT_TRUE(output.contains(line)) << line.toStdString() << " not in:\n"
                                           << output.toStdString();
}

// A desktop start without a display says so, then runs on as the headless mode does.
TEST(CommandLineTest, WithoutADisplayTheDesktopFallsBackToHeadless)
{
    TempDir dir;
    Quorvel quorvel(dir, {});
    EXPECT_TRUE(quorvel.errorsContain("quorvel: no display found")) << quorvel.standardError();
    EXPECT_TRUE(quorvel.waitForLine("no daw", deadline)) << quorvel.printed();
}

} // namespace
