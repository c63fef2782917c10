// The quorvel binary on a machine without a display: the options that must work there, and the
// fall-back from the desktop to the headless mode.
#include "QtPrinters.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace quorvel::test;

namespace {

QString quorvelBinary()
{
    return qEnvironmentVariable("QUORVEL_BINARY_DIR") + QStringLiteral("/src/app/quorvel");
}

class DesktopCommandLineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(quorvelBinary())) << quorvelBinary().toStdString();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_dir.makeFolder(QStringLiteral("home")));
        // An empty settings folder: a first start.
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_dir.makeFolder(QStringLiteral("config")));
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        m_process.setProcessEnvironment(environment);
    }

    void TearDown() override
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    // Runs to the end; false if it did not finish within the (generous) deadline.
    bool run(const QStringList& arguments)
    {
        m_process.start(quorvelBinary(), arguments);
        return m_process.waitForStarted(10000) && m_process.waitForFinished(60000);
    }

    TempDir m_dir;
    QProcess m_process;
};

} // namespace

TEST_F(DesktopCommandLineTest, DiagnosticsPrintsTheReportWithoutADisplay)
{
    ASSERT_TRUE(run({QStringLiteral("--diagnostics")}));
    const QString output = QString::fromUtf8(m_process.readAllStandardOutput());
    EXPECT_EQ(m_process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_process.exitCode(), 0) << m_process.readAllStandardError().toStdString();
    EXPECT_TRUE(output.startsWith(QStringLiteral("Quorvel diagnostics\nGenerated: ")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("\nApp version: 0.1.0 (Qt ")));
    EXPECT_TRUE(output.contains(QStringLiteral("\nDAW selection: auto-detect\n")));
    EXPECT_TRUE(output.contains(QStringLiteral("\nRegex is default: yes\n")));
    // The listing closes the report; which folder it lists depends on what runs on this machine.
    const QStringList lines = output.trimmed().split(u'\n');
    ASSERT_GE(lines.size(), 24) << output.toStdString();
    EXPECT_EQ(lines[22], QString());
    EXPECT_TRUE(lines[23].startsWith("Recent files: ") || lines[23].startsWith("Audio files in "))
        << lines[23].toStdString();
}

TEST_F(DesktopCommandLineTest, DiagnosticsListsAManualFolder)
{
    const QString takes = m_dir.makeFolder(QStringLiteral("takes"));
    m_dir.write(QStringLiteral("takes/Song-01-007.wav"));
    m_dir.write(QStringLiteral("config/Quorvel/Quorvel.conf"),
                // Pinned, so that a DAW running on this machine cannot lend its own pattern.
                "[General]\ndawSelection=reaper\nfolderMode=manual\nmanualFolderPath=" +
                    takes.toUtf8() + "\n");
    ASSERT_TRUE(run({QStringLiteral("--diagnostics")}));
    const QString output = QString::fromUtf8(m_process.readAllStandardOutput());
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_TRUE(output.contains("\nAudio files in " + takes +
                                " (1 of 1 audio / 1 total files, newest first):\n"))
        << output.toStdString();
    EXPECT_TRUE(
        output.contains(QStringLiteral("  Song-01-007.wav  \u2192 groups: [\"Song\", \"007\"]")))
        << output.toStdString();
}

TEST_F(DesktopCommandLineTest, HelpAndVersionNeedNoDisplay)
{
    ASSERT_TRUE(run({QStringLiteral("--help")}));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_TRUE(m_process.readAllStandardOutput().contains("--diagnostics"));
    ASSERT_TRUE(run({QStringLiteral("--version")}));
    EXPECT_EQ(m_process.exitCode(), 0);
    EXPECT_EQ(m_process.readAllStandardOutput(), QByteArray("Quorvel 0.1.0\n"));
}

TEST_F(DesktopCommandLineTest, WithoutADisplayTheDesktopFallsBackToHeadless)
{
    m_process.start(quorvelBinary(), {});
    ASSERT_TRUE(m_process.waitForStarted(10000));
    QByteArray errors;
    ASSERT_TRUE(pollUntil([&] {
        errors += m_process.readAllStandardError();
        return errors.contains('\n');
    })) << errors.toStdString();
    EXPECT_TRUE(errors.startsWith("quorvel: no display found")) << errors.toStdString();
    // And it runs, printing the state as the headless mode does.
    QByteArray output;
    ASSERT_TRUE(pollUntil([&] {
        output += m_process.readAllStandardOutput();
        return output.contains('\n');
    }));
    EXPECT_TRUE(output.startsWith("no daw")) << output.toStdString();
}
