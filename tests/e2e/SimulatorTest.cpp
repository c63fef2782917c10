// quorvel-simulate, run for real: what it names, holds open, writes and answers.
#include "e2e/ChildProcess.h"
#include "e2e/WavCheck.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

// Generous: a loaded machine may be slow to start a process, never wrong about what it does.
constexpr auto eventDeadline = 20s;
constexpr int sampleRate = 48000;
constexpr int bytesPerFrame = 2;

QStringList openFiles(qint64 pid)
{
    QStringList paths;
    std::error_code error;
    const std::filesystem::path fdFolder = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(fdFolder, error)) {
        std::error_code linkError;
        const auto target = std::filesystem::read_symlink(entry.path(), linkError);
        if (!linkError)
            paths << QString::fromStdString(target.string());
    }
    return paths;
}

QString commandName(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

QString canonicalFolder(const QString& path)
{
    return QFileInfo(path).canonicalFilePath();
}

bool matchesWhole(const QString& pattern, const QString& text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch();
}

// Reads every "take N recording: PATH" line of one take; count is how many files it records.
QStringList recordedPaths(ChildProcess& simulator, int take, int count)
{
    const QString prefix = QStringLiteral("take %1 recording: ").arg(take);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const auto line = simulator.waitForLineStartingWith(prefix, eventDeadline);
        if (!line)
            break;
        paths << line->mid(prefix.size());
    }
    return paths;
}

// ---------------------------------------------------------------------------------------------
// Every DAW: its process name, its folder and names, its files open and growing while recording.

struct LayoutCase
{
    const char* daw;
    const char* processName;
    const char* mediaFolder;
    QStringList namePatterns; // for --tracks 2 --first-take 7, in the order the files are reported
    int stopSignal;
};

void PrintTo(const LayoutCase& c, std::ostream* out)
{
    *out << c.daw;
}

const LayoutCase layoutCases[] = {
    {"reaper", "reaper", "Media", {R"(Session-01-007\.wav)", R"(Session-02-007\.wav)"}, SIGTERM},
    {"logic", "Logic Pro", "Audio Files", {R"(Audio 1#07\.wav)", R"(Audio 2#07\.wav)"}, SIGINT},
    {"protools",
     "Pro Tools",
     "Audio Files",
     {R"(Audio 1_07\.wav)", R"(Audio 2_07\.L\.wav)", R"(Audio 2_07\.R\.wav)"},
     SIGTERM},
    {"nuendo", "Nuendo", "Audio", {R"(Audio 01_07\.wav)", R"(Audio 02_07\.wav)"}, SIGINT},
    {"cubase", "Cubase", "Audio", {R"(Audio 01_07\.wav)", R"(Audio 02_07\.wav)"}, SIGTERM},
    {"ableton",
     "Live",
     "Samples/Recorded",
     {R"(1-Audio 0007 \[\d{4}-\d{2}-\d{2} \d{6}\]\.wav)",
      R"(2-Audio 0007 \[\d{4}-\d{2}-\d{2} \d{6}\]\.wav)"},
     SIGINT},
};

class SimulatorLayoutTest : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(SimulatorLayoutTest, RecordsUnderTheDawsNameIntoItsFolderHoldingTheTakeOpen)
{
    const LayoutCase& c = GetParam();
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("Song Project"));
    // A take far longer than the test: everything is checked while it records, then it is
    // stopped by a signal, as a user stops a demonstration.
    ChildProcess simulator(simulateProgram(),
                           {QString::fromUtf8(c.daw), "--folder", folder, "--tracks", "2",
                            "--takes", "1", "--first-take", "7", "--take-seconds", "600"});
    ASSERT_TRUE(simulator.started());

    const auto banner = simulator.waitForLineStartingWith("simulating ", eventDeadline);
    ASSERT_TRUE(banner) << simulator.standardError().toStdString();
    EXPECT_TRUE(banner->contains(QStringLiteral("\"%1\"").arg(c.processName)))
        << banner->toStdString();

    const QStringList paths = recordedPaths(simulator, 7, c.namePatterns.size());
    ASSERT_EQ(paths.size(), c.namePatterns.size()) << simulator.linesSince(0).toStdString();
    const QString media = QDir(canonicalFolder(folder)).filePath(QString::fromUtf8(c.mediaFolder));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QFileInfo file(paths[i]);
        EXPECT_EQ(file.absolutePath(), media) << paths[i].toStdString();
        EXPECT_TRUE(matchesWhole(c.namePatterns[i], file.fileName()))
            << file.fileName().toStdString() << " against " << c.namePatterns[i].toStdString();
    }

    EXPECT_EQ(commandName(simulator.pid()), QString::fromUtf8(c.processName));
    const QStringList open = openFiles(simulator.pid());
    for (const QString& path : paths)
        EXPECT_TRUE(open.contains(path)) << path.toStdString() << " is not open; open are:\n"
                                         << open.join('\n').toStdString();
    const QString project = canonicalFolder(folder) + QStringLiteral("/Session.RPP");
    EXPECT_EQ(open.contains(project), QLatin1String(c.daw) == QLatin1String("reaper"))
        << "REAPER, and only REAPER, holds its project file open";

    // Audio keeps arriving while the file is open, and the header keeps up with it.
    for (const QString& path : paths) {
        EXPECT_TRUE(pollUntil(
            [&] {
                const WavHeader header = readWavHeader(path);
                return header.problem.isEmpty() &&
                       header.dataSize >= sampleRate * bytesPerFrame / 2;
            },
            eventDeadline))
            << path.toStdString() << " did not grow to half a second of audio";
    }

    simulator.sendSignal(c.stopSignal);
    EXPECT_EQ(simulator.waitForExit(eventDeadline), 0) << simulator.standardError().toStdString();
    EXPECT_TRUE(simulator.waitForLine([](const QString& l) { return l == "take 7 stopped"; }, 1s));
    EXPECT_TRUE(simulator.waitForLine([](const QString& l) { return l == "interrupted"; }, 1s))
        << simulator.linesSince(0).toStdString();
    for (const QString& path : paths)
        EXPECT_EQ(wavProblem(path), QString());
}

INSTANTIATE_TEST_SUITE_P(EveryDaw, SimulatorLayoutTest, ::testing::ValuesIn(layoutCases),
                         [](const auto& info) { return std::string(info.param.daw); });

// ---------------------------------------------------------------------------------------------
// Whole sessions: takes, gaps, the end.

TEST(SimulatorRunTest, RecordsEveryTakeForItsFullLengthAndExitsZero)
{
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("Band"));
    ChildProcess simulator(simulateProgram(),
                           {"protools", "--folder", folder, "--tracks", "3", "--takes", "2",
                            "--first-take", "9", "--take-seconds", "0.5", "--gap-seconds", "0.2"});
    ASSERT_EQ(simulator.waitForExit(60s), 0) << simulator.standardError().toStdString();

    const QString media = canonicalFolder(folder) + QStringLiteral("/Audio Files/");
    QStringList expected{QStringLiteral("simulating Pro Tools as \"Pro Tools\" (pid %1) in %2")
                             .arg(simulator.pid())
                             .arg(canonicalFolder(folder))};
    for (const char* take : {"09", "10"}) {
        const QString number = QString::number(QString::fromLatin1(take).toInt());
        for (const QString& name :
             {QStringLiteral("Audio 1_%1.wav"), QStringLiteral("Audio 2_%1.wav"),
              QStringLiteral("Audio 3_%1.L.wav"), QStringLiteral("Audio 3_%1.R.wav")})
            expected << QStringLiteral("take %1 recording: %2").arg(number, media + name.arg(take));
        expected << QStringLiteral("take %1 stopped").arg(number);
    }
    expected << QStringLiteral("done");
    EXPECT_EQ(simulator.lines(), expected);

    // Frames follow the clock, so each file holds exactly the take's length of audio.
    for (const QString& file : QDir(media).entryList(QDir::Files)) {
        const QString path = media + file;
        EXPECT_EQ(wavProblem(path), QString());
        const WavHeader header = readWavHeader(path);
        EXPECT_EQ(header.sampleRate, quint32(sampleRate)) << file.toStdString();
        EXPECT_EQ(header.dataSize, quint32(sampleRate / 2 * bytesPerFrame)) << file.toStdString();
    }
    EXPECT_EQ(QDir(media).entryList(QDir::Files).size(), 8);
}

TEST(SimulatorRunTest, ClosesATakesFilesForTheGapAndStopsThereOnASignal)
{
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("Gig"));
    ChildProcess simulator(simulateProgram(),
                           {"reaper", "--folder", folder, "--takes", "2", "--first-take", "41",
                            "--take-seconds", "0.5", "--gap-seconds", "600"});
    const QStringList paths = recordedPaths(simulator, 41, 2);
    ASSERT_EQ(paths.size(), 2) << simulator.linesSince(0).toStdString();
    ASSERT_TRUE(simulator.waitForLine([](const QString& l) { return l == "take 41 stopped"; },
                                      eventDeadline));

    // The line comes after the files are closed, so this holds however slow the machine is.
    const QStringList open = openFiles(simulator.pid());
    for (const QString& path : paths)
        EXPECT_FALSE(open.contains(path)) << path.toStdString() << " is still open in the gap";
    EXPECT_TRUE(open.contains(canonicalFolder(folder) + QStringLiteral("/Session.RPP")))
        << open.join('\n').toStdString();

    simulator.sendSignal(SIGTERM);
    EXPECT_EQ(simulator.waitForExit(eventDeadline), 0);
    EXPECT_EQ(simulator.lines().last(), QStringLiteral("interrupted"));
    EXPECT_FALSE(QFileInfo::exists(canonicalFolder(folder) + "/Media/Session-01-042.wav"));
    for (const QString& path : paths)
        EXPECT_EQ(wavProblem(path), QString());
}

TEST(SimulatorRunTest, ReaperNamesMatchItsDefaultFilenamePattern)
{
    TempDir work;
    ChildProcess simulator(simulateProgram(),
                           {"reaper", "--folder", work.filePath("Take"), "--tracks", "3", "--takes",
                            "1", "--first-take", "1234", "--take-seconds", "0.2"});
    const QStringList paths = recordedPaths(simulator, 1234, 3);
    ASSERT_EQ(paths.size(), 3);
    ASSERT_EQ(simulator.waitForExit(eventDeadline), 0);

    const QRegularExpression defaultPattern(QStringLiteral(R"((.*)-\d+-(\d{3,})\.wav$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (const QString& path : paths) {
        const auto match = defaultPattern.match(QFileInfo(path).fileName());
        ASSERT_TRUE(match.hasMatch()) << path.toStdString();
        EXPECT_EQ(match.captured(1), QStringLiteral("Session")) << path.toStdString();
        EXPECT_EQ(match.captured(2), QStringLiteral("1234")) << path.toStdString();
    }
}

TEST(SimulatorRunTest, AbletonLiveGetsTheClipsOfEarlierTakesSoCountingFindsTheFirstTake)
{
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("Demo Project"));
    const auto clipsPerTrack = [&] {
        const QRegularExpression clip(
            QStringLiteral(R"(^(.+?) (\d{4}) \[\d{4}-\d{2}-\d{2} \d{6}\]\.wav$)"));
        std::map<QString, QStringList> clips;
        const QDir recorded(folder + QStringLiteral("/Samples/Recorded"));
        for (const QString& name : recorded.entryList(QDir::Files, QDir::Name)) {
            const auto match = clip.match(name);
            EXPECT_TRUE(match.hasMatch()) << name.toStdString();
            EXPECT_EQ(wavProblem(recorded.filePath(name)), QString());
            clips[match.captured(1)] << match.captured(2);
        }
        return clips;
    };

    ChildProcess first(simulateProgram(), {"ableton", "--folder", folder, "--takes", "1",
                                           "--first-take", "3", "--take-seconds", "0.3"});
    ASSERT_EQ(first.waitForExit(eventDeadline), 0) << first.standardError().toStdString();
    EXPECT_EQ(first.lines().filter(QStringLiteral("recorded earlier: ")).size(), 4);
    const std::map<QString, QStringList> expectedFirst{{"1-Audio", {"0001", "0002", "0003"}},
                                                       {"2-Audio", {"0001", "0002", "0003"}}};
    EXPECT_EQ(clipsPerTrack(), expectedFirst);

    // The earlier clips are old, so they never look like a recording in progress.
    const QDir recorded(folder + QStringLiteral("/Samples/Recorded"));
    const QFileInfoList byTime = recorded.entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    ASSERT_EQ(byTime.size(), 6);
    EXPECT_GE(byTime[3].lastModified().secsTo(byTime[4].lastModified()), 60);
    EXPECT_TRUE(byTime[4].fileName().contains(" 0003 ") && byTime[5].fileName().contains(" 0003 "));

    // A second session in the same project only adds what is missing.
    ChildProcess second(simulateProgram(), {"ableton", "--folder", folder, "--takes", "1",
                                            "--first-take", "4", "--take-seconds", "0.3"});
    ASSERT_EQ(second.waitForExit(eventDeadline), 0) << second.standardError().toStdString();
    EXPECT_TRUE(second.lines().filter(QStringLiteral("recorded earlier: ")).isEmpty());
    const std::map<QString, QStringList> expectedSecond{
        {"1-Audio", {"0001", "0002", "0003", "0004"}},
        {"2-Audio", {"0001", "0002", "0003", "0004"}}};
    EXPECT_EQ(clipsPerTrack(), expectedSecond);
}

// ---------------------------------------------------------------------------------------------
// The command line.

struct BadArguments
{
    QStringList arguments;
    const char* complaint;
};

TEST(SimulatorArgumentsTest, RejectsBadArgumentsWithOneLineAndUsageAndStatusTwo)
{
    TempDir work;
    const QString folder = work.filePath(QStringLiteral("never-created"));
    const BadArguments cases[] = {
        {{}, "name the DAW to simulate"},
        {{"ardour", "--folder", folder}, "unknown DAW 'ardour'"},
        {{"reaper"}, "--folder is required"},
        {{"reaper", "--folder"}, "option '--folder' needs a value"},
        {{"reaper", "--folder", folder, "--tracks", "0"}, "--tracks must be"},
        {{"reaper", "--folder", folder, "--tracks", "two"}, "--tracks must be"},
        {{"reaper", "--folder", folder, "--tracks=100"}, "--tracks must be"},
        {{"reaper", "--folder", folder, "--takes", "-1"}, "--takes must be"},
        {{"reaper", "--folder", folder, "--first-take", "0"}, "--first-take must be"},
        {{"reaper", "--folder", folder, "--take-seconds", "0"}, "--take-seconds must be"},
        {{"reaper", "--folder", folder, "--take-seconds", "nan"}, "--take-seconds must be"},
        {{"reaper", "--folder", folder, "--gap-seconds", "-1"}, "--gap-seconds must be"},
        {{"reaper", "--folder", folder, "--fast"}, "unknown option '--fast'"},
        {{"reaper", "cubase", "--folder", folder}, "unexpected argument 'cubase'"},
        {{"reaper", "--folder", folder, "--first-take", "9999", "--takes", "2"},
         "take numbers end at 9999"},
    };
    for (const auto& c : cases) {
        const std::string shown = c.arguments.join(' ').toStdString();
        ChildProcess simulator(simulateProgram(), c.arguments);
        EXPECT_EQ(simulator.waitForExit(eventDeadline), 2) << shown;
        const QStringList errorLines = simulator.standardError().split('\n');
        ASSERT_GE(errorLines.size(), 2) << shown;
        EXPECT_TRUE(errorLines[0].startsWith("quorvel-simulate: ")) << shown;
        EXPECT_TRUE(errorLines[0].contains(QLatin1String(c.complaint)))
            << shown << ": " << errorLines[0].toStdString();
        EXPECT_TRUE(errorLines[1].startsWith("Usage: quorvel-simulate ")) << shown;
        EXPECT_TRUE(simulator.lines().isEmpty()) << shown;
        EXPECT_FALSE(QFileInfo::exists(folder)) << shown;
    }
}

TEST(SimulatorArgumentsTest, HelpPrintsUsageAndExitsZero)
{
    ChildProcess simulator(simulateProgram(), {"--help"});
    EXPECT_EQ(simulator.waitForExit(eventDeadline), 0);
    ASSERT_FALSE(simulator.lines().isEmpty());
    EXPECT_TRUE(simulator.lines().first().startsWith("Usage: quorvel-simulate "));
    EXPECT_EQ(simulator.standardError(), QString());
}

} // namespace
