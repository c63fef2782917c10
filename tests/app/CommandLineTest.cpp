// The quorvel program as a user starts it on a machine without a display, with HOME and
// XDG_CONFIG_HOME in throwaway folders so no test reads or writes the developer's settings. What
// it shows while a DAW records is the end-to-end tests' part.
#include "e2e/ChildProcess.h"
#include "support/TempDir.h"

#include <QSettings>
#include <QTcpServer>

#include <gtest/gtest.h>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

constexpr auto deadline = 60s;

// quorvel with arguments, its home and settings in dir, and no display but the X display given.
struct Quorvel : ChildProcess
{
    Quorvel(const TempDir& dir, const QStringList& arguments, const char* display = nullptr)
        : ChildProcess(QStringLiteral(QUORVEL_PROGRAM), arguments, environment(dir, display))
    {
    }
    static QProcessEnvironment environment(const TempDir& dir, const char* display)
    {
        QProcessEnvironment environment = isolatedEnvironment(dir);
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        if (display)
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
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

// A taken port is reported and watching goes on; the option is for this run only. A display
// that starts is the page session test's.
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
    EXPECT_FALSE(QSettings(dir.filePath("config/Quorvel/Quorvel.conf"), QSettings::IniFormat)
                     .contains(QStringLiteral("remoteDisplayEnabled")));
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

// A desktop start whose display does not answer says so, then runs on as the headless mode does
// (Qt itself would abort).
TEST(CommandLineTest, WithoutADisplayTheDesktopFallsBackToHeadless)
{
    TempDir dir;
    Quorvel quorvel(dir, {}, ":97"); // no X server listens there
    EXPECT_TRUE(quorvel.errorsContain("quorvel: no display found")) << quorvel.standardError();
    EXPECT_TRUE(quorvel.waitForLine("no daw", deadline)) << quorvel.printed();
}

} // namespace
