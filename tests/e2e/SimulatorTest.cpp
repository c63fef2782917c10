// quorvel-simulate, run for real: the name it runs under, the files each DAW family records, and
// what it refuses. Whether Quorvel follows those takes is the other end-to-end tests' part.
#include "e2e/ChildProcess.h"
#include "e2e/WavCheck.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

// Generous: a loaded machine may be slow to start a process, never wrong about what it does.
constexpr auto deadline = 20s;
const QString simulate = QStringLiteral(QUORVEL_SIMULATE_PROGRAM);

// Take 7 on two tracks, checked while it records: names, open files, audio, then a clean stop.
// REAPER's and Live's file names are checked where Quorvel reads them (HeadlessEndToEndTest).
TEST(SimulatorTest, RecordsEachDawsFilesUnderItsProgramsName)
{
    struct Case
    {
        QStringList arguments;
        QString commandName;
        QString firstArgument; // argv[0], after its last '/' when it starts with one; "" unchecked
        QStringList files;     // relative to the project folder, in the order reported
    } cases[] = {
        {{"logic"}, "Logic Pro", "", {"Audio Files/Audio 1#07.wav", "Audio Files/Audio 2#07.wav"}},
        // The second track is stereo, in two files.
        {{"protools"},
         "Pro Tools",
         "",
         {"Audio Files/Audio 1_07.wav", "Audio Files/Audio 2_07.L.wav",
          "Audio Files/Audio 2_07.R.wav"}},
        // Ardour's name outgrows the kernel's 15 bytes and survives whole in argv[0].
        {{"ardour"},
         "ardour-7.3.0~ds",
         "/ardour-7.3.0~ds0",
         {"interchange/Song Project/audiofiles/Take7_Audio 1-1.wav",
          "interchange/Song Project/audiofiles/Take7_Audio 2-1%L.wav",
          "interchange/Song Project/audiofiles/Take7_Audio 2-1%R.wav"}},
        // Under Wine argv[0] is the Windows path of the .exe, the command name its first 15 bytes.
        {{"reaper", "--wine"}, "reaper.exe", R"(C:\Program Files\REAPER (x64)\reaper.exe)", {}},
        {{"ableton", "--wine"},
         "Ableton Live 12",
         R"(C:\ProgramData\Ableton\Live 12 Suite\Program\Ableton Live 12 Suite.exe)",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("quorvel-simulate " + c.arguments.join(' ').toStdString());
        TempDir work;
        const QString folder = work.filePath(QStringLiteral("Song Project"));
        ChildProcess simulator(
            simulate, c.arguments + QStringList{"--folder", folder, "--tracks", "2", "--takes", "1",
                                                "--first-take", "7", "--take-seconds", "600"});
        QStringList paths;
        while (paths.size() < std::max<qsizetype>(c.files.size(), 1)) {
            const auto line = simulator.waitForLine("take 7 recording: ", deadline);
            ASSERT_TRUE(line) << simulator.printed() << simulator.standardError();
            paths << line->section(": ", 1);
        }
        EXPECT_EQ(commandName(simulator.pid()), c.commandName);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(simulator.pid()));
        ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
        const QString first = QString::fromUtf8(cmdline.readAll().split('\0').first());
        if (!c.firstArgument.isEmpty()) {
            EXPECT_EQ(c.firstArgument.startsWith('/') ? first.mid(first.lastIndexOf('/')) : first,
                      c.firstArgument);
        }
        const QDir project(QFileInfo(folder).canonicalFilePath());
        for (qsizetype i = 0; i < c.files.size(); ++i)
            EXPECT_EQ(project.relativeFilePath(paths[i]), c.files[i]);
        const QStringList open = openFiles(simulator.pid());
        for (const QString& path : paths) {
            EXPECT_TRUE(open.contains(path)) << path.toStdString() << " is not open";
            // Audio arrives while the file is open, and the header keeps up with it.
            EXPECT_TRUE(pollUntil([&] { return wavProblem(path).empty(); }, deadline))
                << wavProblem(path);
        }
        simulator.sendSignal(SIGTERM);
        EXPECT_EQ(simulator.waitForExit(deadline), 0) << simulator.standardError();
        EXPECT_EQ(simulator.lines().last(), "interrupted");
        for (const QString& path : paths)
            EXPECT_EQ(wavProblem(path), "") << "after the stop";
    }
}

TEST(SimulatorTest, RejectsBadArgumentsWithAReasonAndUsageAndStatusTwo)
{
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("never-created"));
    const std::pair<QStringList, QString> cases[] = {
        {{}, "name the DAW to simulate"},
        {{"bitwig", "--folder", folder}, "unknown DAW 'bitwig'"},
        {{"logic", "--folder", folder, "--wine"}, "Logic Pro has no Windows program"},
        {{"reaper"}, "--folder is required"},
        {{"reaper", "--folder", folder, "--tracks=100"}, "--tracks must be"},
        {{"reaper", "--folder", folder, "--take-seconds", "nan"}, "--take-seconds must be"},
        {{"reaper", "--folder", folder, "--fast"}, "unknown option '--fast'"},
        {{"reaper", "cubase", "--folder", folder}, "unexpected argument 'cubase'"},
        {{"reaper", "--folder", folder, "--first-take", "9999", "--takes", "2"},
         "take numbers end at 9999"},
    };
    for (const auto& [arguments, complaint] : cases) {
        SCOPED_TRACE("quorvel-simulate " + arguments.join(' ').toStdString());
        ChildProcess simulator(simulate, arguments);
        EXPECT_EQ(simulator.waitForExit(deadline), 2);
        // One line saying what is wrong, then the usage; nothing recorded.
        const QString error = QString::fromStdString(simulator.standardError());
        EXPECT_TRUE(error.startsWith("quorvel-simulate: ") &&
                    error.section('\n', 0, 0).contains(complaint) &&
                    error.section('\n', 1).startsWith("Usage: quorvel-simulate "))
            << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(folder));
    }
}

} // namespace
