// quorvel-simulate, run for real: the name it runs under, the files it names, holds open and
// writes, how it stops and what it refuses.
#include "e2e/ChildProcess.h"
#include "e2e/WavCheck.h"
#include "support/TempDir.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

// Generous: a loaded machine may be slow to start a process, never wrong about what it does.
constexpr auto deadline = 20s;
const QString simulate = QStringLiteral(QUORVEL_SIMULATE_PROGRAM);

QStringList openFiles(qint64 pid)
{
    QStringList paths;
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::AllEntries | QDir::System))
        paths << fd.symLinkTarget();
    return paths;
}

// The files of one take, from its "take N recording: PATH" lines.
QStringList recordedPaths(ChildProcess& simulator, int take, qsizetype count)
{
    const QString prefix = QStringLiteral("take %1 recording: ").arg(take);
    QStringList paths;
    while (paths.size() < count) {
        const auto line = simulator.waitForLine(prefix, deadline);
        if (!line)
            break;
        paths << line->mid(prefix.size());
    }
    return paths;
}

struct DawCase
{
    const char* daw;
    const char* processName;
    int take;
    QStringList files; // for --tracks 2, relative to the project folder, in the order reported
};

void PrintTo(const DawCase& c, std::ostream* out)
{
    *out << c.daw << " take " << c.take;
}

const DawCase dawCases[] = {
    // REAPER writes at least three digits of its rec-pass, and more when the number needs them.
    {"reaper", "reaper", 1234, {"Media/Session-01-1234.wav", "Media/Session-02-1234.wav"}},
    {"logic", "Logic Pro", 7, {"Audio Files/Audio 1#07.wav", "Audio Files/Audio 2#07.wav"}},
    {"protools",
     "Pro Tools",
     7,
     {"Audio Files/Audio 1_07.wav", "Audio Files/Audio 2_07.L.wav",
      "Audio Files/Audio 2_07.R.wav"}},
    {"nuendo", "Nuendo", 7, {"Audio/Audio 01_07.wav", "Audio/Audio 02_07.wav"}},
    {"cubase", "Cubase", 7, {"Audio/Audio 01_07.wav", "Audio/Audio 02_07.wav"}},
    // Live stamps each clip with the date and time its recording began.
    {"ableton",
     "Live",
     7,
     {"Samples/Recorded/1-Audio 0007 [date time].wav",
      "Samples/Recorded/2-Audio 0007 [date time].wav"}},
    // Ardour's name outgrows the kernel's 15 bytes; its stereo track writes %L and %R halves.
    {"ardour",
     "ardour-7.3.0~ds",
     7,
     {"interchange/Song Project/audiofiles/Take7_Audio 1-1.wav",
      "interchange/Song Project/audiofiles/Take7_Audio 2-1%L.wav",
      "interchange/Song Project/audiofiles/Take7_Audio 2-1%R.wav"}},
};

class SimulatorDawTest : public ::testing::TestWithParam<DawCase>
{
};

TEST_P(SimulatorDawTest, RecordsUnderTheDawsNameHoldingTheTakeOpenUntilStopped)
{
    const DawCase& c = GetParam();
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("Song Project"));
    // A take far longer than the test: everything is checked while it records.
    ChildProcess simulator(simulate,
                           {c.daw, "--folder", folder, "--tracks", "2", "--takes", "1",
                            "--first-take", QString::number(c.take), "--take-seconds", "600"});
    const QStringList paths = recordedPaths(simulator, c.take, c.files.size());
    ASSERT_EQ(paths.size(), c.files.size()) << simulator.printed() << simulator.standardError();

    const QDir project(QFileInfo(folder).canonicalFilePath());
    const QRegularExpression stamp(QStringLiteral(R"(\[\d{4}-\d\d-\d\d \d{6}\])"));
    for (qsizetype i = 0; i < paths.size(); ++i)
        EXPECT_EQ(project.relativeFilePath(paths[i]).replace(stamp, "[date time]"), c.files[i]);
    EXPECT_EQ(commandName(simulator.pid()).toStdString(), c.processName);
    const QStringList open = openFiles(simulator.pid());
    for (const QString& path : paths) {
        EXPECT_TRUE(open.contains(path)) << path.toStdString() << " is not open; open are:\n"
                                         << open.join('\n').toStdString();
        // Audio arrives while the file is open, and the header keeps up with it.
        EXPECT_TRUE(pollUntil([&] { return wavProblem(path).empty(); }, deadline))
            << wavProblem(path);
    }

    simulator.sendSignal(SIGTERM);
    EXPECT_EQ(simulator.waitForExit(deadline), 0) << simulator.standardError();
    // "stopped" is printed once the take's files are closed.
    const QStringList ending{QStringLiteral("take %1 stopped").arg(c.take), "interrupted"};
    EXPECT_EQ(simulator.lines().mid(simulator.lines().size() - 2), ending);
    for (const QString& path : paths)
        EXPECT_EQ(wavProblem(path), "");
}

INSTANTIATE_TEST_SUITE_P(EveryDaw, SimulatorDawTest, ::testing::ValuesIn(dawCases),
                         [](const auto& info) { return std::string(info.param.daw); });

// Ableton Live, because Quorvel counts its clips: take 3 shows as 3 only over the clips of takes
// 1 and 2, which the simulator lays down first, and only once in a project.
TEST(SimulatorTest, ClosesATakesFilesForTheGapAndStopsThereOnInterrupt)
{
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("Demo Project"));
    ChildProcess simulator(simulate, {"ableton", "--folder", folder, "--takes", "2", "--first-take",
                                      "3", "--take-seconds", "0.5", "--gap-seconds", "600"});
    const QStringList paths = recordedPaths(simulator, 3, 2);
    ASSERT_EQ(paths.size(), 2) << simulator.printed() << simulator.standardError();
    ASSERT_TRUE(simulator.waitForLine("take 3 stopped", deadline)) << simulator.printed();
    const QStringList earlier = simulator.lines().filter(" recorded earlier: ");
    EXPECT_EQ(earlier.size(), 4) << simulator.printed();
    for (const QString& line : earlier) {
        // Old enough never to look like a recording in progress.
        const QDateTime written = QFileInfo(line.section(": ", 1)).lastModified();
        EXPECT_GE(written.secsTo(QDateTime::currentDateTime()), 60) << line.toStdString();
    }

    // The line comes after the files are closed, so this holds however slow the machine is.
    const QStringList open = openFiles(simulator.pid());
    for (const QString& path : paths) {
        EXPECT_FALSE(open.contains(path)) << path.toStdString() << " is still open in the gap";
        // Frames follow the clock, so a slow machine writes bigger blocks, not a shorter take.
        double seconds = 0;
        EXPECT_EQ(wavProblem(path, &seconds), "");
        EXPECT_DOUBLE_EQ(seconds, 0.5) << path.toStdString();
    }

    // Ctrl-C in the gap ends the session without another take.
    simulator.sendSignal(SIGINT);
    EXPECT_EQ(simulator.waitForExit(deadline), 0) << simulator.standardError();
    EXPECT_EQ(simulator.lines().last(), QStringLiteral("interrupted"));
    const QString recorded = QFileInfo(paths[0]).path();
    EXPECT_EQ(QDir(recorded).entryList(QDir::Files).size(), 6) << "take 4 began";

    // The next session in the project finds the clips of takes 1 to 3 and adds only its own.
    ChildProcess next(simulate, {"ableton", "--folder", folder, "--takes", "1", "--first-take", "4",
                                 "--take-seconds", "0.3"});
    EXPECT_EQ(next.waitForExit(deadline), 0) << next.standardError();
    EXPECT_EQ(next.lines().filter(" recorded earlier: "), QStringList());
    EXPECT_EQ(QDir(recorded).entryList(QDir::Files).size(), 8) << next.printed();
}

// The program's full name survives where the command name is cut: in argv[0], as under Wine,
// where argv[0] is the Windows path of the .exe and the command name its first 15 bytes.
TEST(SimulatorTest, RunsUnderTheProgramsFullNameWithTheCommandNameCut)
{
    struct NameCase
    {
        QStringList arguments;
        QString commandName;
        QString firstArgument; // exactly, or after the last '/' when it starts with one
    };
    const NameCase cases[] = {
        {{"ardour"}, "ardour-7.3.0~ds", "/ardour-7.3.0~ds0"},
        {{"ableton", "--wine"},
         "Ableton Live 12",
         R"(C:\ProgramData\Ableton\Live 12 Suite\Program\Ableton Live 12 Suite.exe)"},
        {{"reaper", "--wine"}, "reaper.exe", R"(C:\Program Files\REAPER (x64)\reaper.exe)"},
        {{"cubase", "--wine"},
         "Cubase13.exe",
         R"(C:\Program Files\Steinberg\Cubase 13\Cubase13.exe)"},
        {{"nuendo", "--wine"},
         "Nuendo13.exe",
         R"(C:\Program Files\Steinberg\Nuendo 13\Nuendo13.exe)"},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE("quorvel-simulate " + c.arguments.join(' ').toStdString());
        TempDir work;
        ChildProcess simulator(simulate,
                               c.arguments + QStringList{"--folder", work.path(), "--takes", "1",
                                                         "--take-seconds", "600"});
        ASSERT_TRUE(simulator.waitForLine("take 1 recording: ", deadline))
            << simulator.printed() << simulator.standardError();
        EXPECT_EQ(commandName(simulator.pid()), c.commandName);
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(simulator.pid()));
        ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
        const QString first = QString::fromUtf8(cmdline.readAll().split('\0').first());
        EXPECT_EQ(c.firstArgument.startsWith('/') ? first.mid(first.lastIndexOf('/')) : first,
                  c.firstArgument);
        simulator.sendSignal(SIGTERM);
        EXPECT_EQ(simulator.waitForExit(deadline), 0) << simulator.standardError();
    }
}

// Ardour holds the files of every take of the session open, not only the one it records: in the
// gap after a take, where every other DAW has closed it.
TEST(SimulatorTest, ArdourKeepsEveryTakeOpenUntilItEnds)
{
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("Song"));
    ChildProcess simulator(simulate, {"ardour", "--folder", folder, "--takes", "2",
                                      "--take-seconds", "0.3", "--gap-seconds", "600"});
    const QStringList paths = recordedPaths(simulator, 1, 3);
    ASSERT_EQ(paths.size(), 3) << simulator.printed() << simulator.standardError();
    ASSERT_TRUE(simulator.waitForLine("take 1 stopped", deadline)) << simulator.printed();
    const QStringList open = openFiles(simulator.pid());
    for (const QString& path : paths) {
        EXPECT_TRUE(open.contains(path)) << path.toStdString() << " is closed in the gap";
        EXPECT_EQ(wavProblem(path), "");
    }
    EXPECT_TRUE(QFileInfo::exists(folder + "/Song.ardour"));
    simulator.sendSignal(SIGTERM);
    EXPECT_EQ(simulator.waitForExit(deadline), 0) << simulator.standardError();
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
        {{"reaper", "--folder"}, "option '--folder' needs a value"},
        {{"reaper", "--folder", folder, "--tracks", "two"}, "--tracks must be"},
        {{"reaper", "--folder", folder, "--tracks=100"}, "--tracks must be"},
        {{"reaper", "--folder", folder, "--takes", "-1"}, "--takes must be"},
        {{"reaper", "--folder", folder, "--first-take", "0"}, "--first-take must be"},
        {{"reaper", "--folder", folder, "--take-seconds", "nan"}, "--take-seconds must be"},
        {{"reaper", "--folder", folder, "--gap-seconds", "-1"}, "--gap-seconds must be"},
        {{"reaper", "--folder", folder, "--fast"}, "unknown option '--fast'"},
        {{"reaper", "cubase", "--folder", folder}, "unexpected argument 'cubase'"},
        {{"reaper", "--folder", folder, "--first-take", "9999", "--takes", "2"},
         "take numbers end at 9999"},
    };
    for (const auto& [arguments, complaint] : cases) {
        SCOPED_TRACE("quorvel-simulate " + arguments.join(' ').toStdString());
        ChildProcess simulator(simulate, arguments);
        EXPECT_EQ(simulator.waitForExit(deadline), 2);
        // One line saying what is wrong, then the usage.
        const QString error = QString::fromStdString(simulator.standardError());
        EXPECT_TRUE(error.startsWith("quorvel-simulate: ") &&
                    error.section('\n', 0, 0).contains(complaint) &&
                    error.section('\n', 1).startsWith("Usage: quorvel-simulate "))
            << error.toStdString();
        EXPECT_EQ(simulator.lines(), QStringList());
        EXPECT_FALSE(QFileInfo::exists(folder));
    }
}

} // namespace
