// The quorvel binary on a machine without a display: the diagnostics report, and the fall-back
// from the desktop to the headless mode. (--help and --version are the headless mode tests'.)
#include "QtPrinters.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace quorvel::test;

namespace {

// quorvel with arguments, HOME and XDG_CONFIG_HOME in dir and no display at all.
void start(QProcess& quorvel, const TempDir& dir, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), dir.makeFolder(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.makeFolder("config"));
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    quorvel.setProcessEnvironment(environment);
    quorvel.start(qEnvironmentVariable("QUORVEL_BINARY_DIR") + "/src/app/quorvel", arguments);
}

} // namespace

TEST(DesktopCommandLineTest, DiagnosticsPrintsTheReportWithoutADisplay)
{
    TempDir dir;
    const QString takes = dir.makeFolder(QStringLiteral("takes"));
    dir.write(QStringLiteral("takes/Song-01-007.wav"));
    // Pinned to REAPER, so that a DAW running on this machine cannot lend its own pattern.
    dir.write(QStringLiteral("config/Quorvel/Quorvel.conf"),
              "[General]\ndawSelection=reaper\nfolderMode=manual\nmanualFolderPath=" +
                  takes.toUtf8() + "\n");
    QProcess quorvel;
    start(quorvel, dir, {QStringLiteral("--diagnostics")});
    ASSERT_TRUE(quorvel.waitForFinished(60000)) << quorvel.errorString().toStdString();
    const QString output = QString::fromUtf8(quorvel.readAllStandardOutput());
    EXPECT_EQ(quorvel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(quorvel.exitCode(), 0) << quorvel.readAllStandardError().toStdString();
    EXPECT_TRUE(output.startsWith("Quorvel diagnostics\nGenerated: ")) << output.toStdString();
    // The stored settings were read: the pinned DAW, and the manual folder listed.
    for (const QString& line : {QStringLiteral("\nDAW selection: pinned: REAPER\n"),
                                "\nAudio files in " + takes + " (1 of 1 audio"})
        EXPECT_TRUE(output.contains(line)) << line.toStdString() << "\nnot in:\n"
                                           << output.toStdString();
}

TEST(DesktopCommandLineTest, WithoutADisplayTheDesktopFallsBackToHeadless)
{
    TempDir dir;
    QProcess quorvel;
    start(quorvel, dir, {});
    // It says so, then runs on, printing the state as the headless mode does.
    for (const auto& [channel, line] :
         {std::pair(QProcess::StandardError, "quorvel: no display found"),
          std::pair(QProcess::StandardOutput, "no daw")}) {
        quorvel.setReadChannel(channel);
        ASSERT_TRUE(pollUntil([&] { return quorvel.canReadLine(); }))
            << line << ": " << quorvel.errorString().toStdString();
        const QByteArray first = quorvel.readLine();
        EXPECT_TRUE(first.startsWith(line)) << first.toStdString();
    }
    quorvel.kill();
    quorvel.waitForFinished(10000);
}
