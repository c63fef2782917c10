// The real `quorvel --headless --json` watching quorvel-simulate: what a user sees while a DAW
// records, detected the whole way through the process list, lsof and the file system.
#include "e2e/ChildProcess.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <csignal>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

constexpr auto startDeadline = 30s;
// Quorvel scans once a second, so a take shows as recording at the first scan after its first
// write. Ten seconds is far more than that, yet still inside the time the take looks recorded.
constexpr auto recordingDeadline = 10s;
// A take counts as recording until 4 s after its last write, and the end is confirmed over three
// more scans: about 7 s. The gap between takes outlasts the deadline, so a slow machine fails
// here with a message instead of skipping the idle state.
constexpr auto idleDeadline = 15s;
const QString takeSeconds = QStringLiteral("6");
const QString gapSeconds = QStringLiteral("17");
constexpr int takes = 2;

struct SessionCase
{
    const char* daw; // the simulator's name for it, also the pinned dawSelection
    const char* processName;
    const char* folderName; // the project folder the simulator records into
    int firstTake;
    int tracks;
    const char* dawName; // what Quorvel shows while recording
    const char* project;
    const char* piece;         // nullptr when the DAW has no piece name
    const char* watchedFolder; // relative to the project folder
};

void PrintTo(const SessionCase& c, std::ostream* out)
{
    *out << c.daw;
}

// One DAW of each family: REAPER's global rec-pass, a per-track DAW (with a stereo track's two
// halves) and Ableton Live's clip counting.
const SessionCase sessionCases[] = {
    {"reaper", "reaper", "Concert", 41, 2, "REAPER", "Session", "Session", ""},
    {"protools", "Pro Tools", "Studio Session", 7, 3, "Pro Tools", "Studio Session", nullptr,
     "Audio Files"},
    {"ableton", "Live", "Demo Project", 2, 2, "Ableton Live", "Demo", nullptr, "Samples/Recorded"},
};

QString text(const QJsonObject& state, const char* key)
{
    return state.value(QLatin1String(key)).toString();
}

std::string shown(const QJsonObject& state)
{
    return QJsonDocument(state).toJson(QJsonDocument::Compact).toStdString();
}

// Processes with the given command name, other than except: a second session of the same DAW,
// which Quorvel would watch as well (a demonstration, or another test run on this machine).
QList<qint64> processesNamed(const QString& name, qint64 except = 0)
{
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        if (!isNumber || pid == except)
            continue;
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (comm.open(QIODevice::ReadOnly) && QString::fromUtf8(comm.readAll()).trimmed() == name)
            pids << pid;
    }
    return pids;
}

std::string othersNote(const SessionCase& c, qint64 ours)
{
    const QList<qint64> others = processesNamed(QString::fromUtf8(c.processName), ours);
    if (others.isEmpty())
        return {};
    QStringList shownPids;
    for (qint64 pid : others)
        shownPids << QString::number(pid);
    return "\n(other processes named \"" + std::string(c.processName) +
           "\" ran meanwhile: " + shownPids.join(", ").toStdString() + ")";
}

class HeadlessEndToEndTest : public ::testing::TestWithParam<SessionCase>
{
protected:
    // A fresh home and settings folder per test, with the DAW choice pinned, so that other DAWs
    // simulated on the machine at the same time stay out of this Quorvel's view.
    std::unique_ptr<ChildProcess> startQuorvel(const QString& dawSelection)
    {
        m_home.makeFolder(QStringLiteral("home"));
        m_home.write(QStringLiteral("config/Quorvel/Quorvel.conf"),
                     "[General]\ndawSelection=" + dawSelection.toUtf8() + "\n");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home.filePath(QStringLiteral("home")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           m_home.filePath(QStringLiteral("config")));
        return std::make_unique<ChildProcess>(
            quorvelProgram(), QStringList{QStringLiteral("--headless"), QStringLiteral("--json")},
            environment);
    }

    TempDir m_home;
    TempDir m_sessions;
};

TEST_P(HeadlessEndToEndTest, ShowsEachTakeWhileItRecordsAndTheNextOneAfterwards)
{
    const SessionCase& c = GetParam();
    // Quorvel watches every process of the DAW, so another session would mix into this one.
    const bool alone =
        pollUntil([&] { return processesNamed(QString::fromUtf8(c.processName)).isEmpty(); }, 90s);
    if (!alone)
        GTEST_SKIP() << "another process named \"" << c.processName << "\" kept running for 90 s"
                     << othersNote(c, 0);

    const auto quorvel = startQuorvel(QString::fromUtf8(c.daw));
    ASSERT_TRUE(quorvel->started());
    const auto initial =
        quorvel->waitForObject([](const QJsonObject&) { return true; }, startDeadline);
    ASSERT_TRUE(initial) << quorvel->standardError().toStdString();
    EXPECT_FALSE(initial->value("hasTake").toBool()) << shown(*initial);
    EXPECT_FALSE(initial->value("recording").toBool()) << shown(*initial);

    const QString folder = m_sessions.filePath(QString::fromUtf8(c.folderName));
    ChildProcess simulator(simulateProgram(),
                           {QString::fromUtf8(c.daw), "--folder", folder, "--tracks",
                            QString::number(c.tracks), "--takes", QString::number(takes),
                            "--first-take", QString::number(c.firstTake), "--take-seconds",
                            takeSeconds, "--gap-seconds", gapSeconds});
    ASSERT_TRUE(simulator.waitForLineStartingWith("simulating ", startDeadline))
        << simulator.standardError().toStdString();
    const QString watchedFolder = QDir::cleanPath(QFileInfo(folder).canonicalFilePath() + "/" +
                                                  QString::fromUtf8(c.watchedFolder));

    for (int take = c.firstTake; take < c.firstTake + takes; ++take) {
        const QString number = QString::number(take);
        ASSERT_TRUE(simulator.waitForLineStartingWith(
            QStringLiteral("take %1 recording: ").arg(take), startDeadline + 30s))
            << simulator.linesSince(0).toStdString();
        QElapsedTimer sinceFirstWrite;
        sinceFirstWrite.start();
        qsizetype from = quorvel->position();

        const auto recording = quorvel->waitForObject(
            [&](const QJsonObject& state) {
                return state.value("recording").toBool() && text(state, "take") == number;
            },
            recordingDeadline);
        ASSERT_TRUE(recording) << "take " << take << " not shown as recording within "
                               << recordingDeadline.count() << " s; Quorvel printed:\n"
                               << quorvel->linesSince(from).toStdString()
                               << othersNote(c, simulator.pid());
        RecordProperty("take" + std::to_string(take) + "RecordingAfterMs",
                       static_cast<int>(sinceFirstWrite.elapsed()));
        EXPECT_EQ(text(*recording, "status"), QStringLiteral("Recording")) << shown(*recording);
        EXPECT_TRUE(recording->value("hasTake").toBool()) << shown(*recording);
        EXPECT_EQ(text(*recording, "daw"), QString::fromUtf8(c.dawName)) << shown(*recording);
        EXPECT_EQ(text(*recording, "project"), QString::fromUtf8(c.project)) << shown(*recording);
        if (c.piece)
            EXPECT_EQ(text(*recording, "piece"), QString::fromUtf8(c.piece)) << shown(*recording);
        else
            EXPECT_FALSE(recording->contains("piece")) << shown(*recording);
        EXPECT_EQ(text(*recording, "folder"), watchedFolder) << shown(*recording);

        ASSERT_TRUE(simulator.waitForLine(
            [&](const QString& line) {
                return line == QStringLiteral("take %1 stopped").arg(take);
            },
            startDeadline + 30s));
        from = quorvel->position();
        const QString next = QString::number(take + 1);
        const auto idle = quorvel->waitForObject(
            [&](const QJsonObject& state) {
                return !state.value("recording").toBool() && text(state, "take") == next;
            },
            idleDeadline);
        ASSERT_TRUE(idle) << "no idle state with take " << next.toStdString() << " within "
                          << idleDeadline.count() << " s of the stop; Quorvel printed:\n"
                          << quorvel->linesSince(from).toStdString()
                          << othersNote(c, simulator.pid());
        EXPECT_EQ(text(*idle, "status"), QStringLiteral("Next take")) << shown(*idle);
        EXPECT_TRUE(idle->value("hasTake").toBool()) << shown(*idle);
    }

    // The DAW quits: its name goes, the last take stays with the next number. The quit may come
    // before or after the idle state above, so the test looks at the latest state.
    EXPECT_EQ(simulator.waitForExit(startDeadline + 30s), 0);
    QJsonObject latest;
    const bool gone = pollUntil(
        [&] {
            latest = QJsonDocument::fromJson(quorvel->lines().last().toUtf8()).object();
            return !latest.contains("daw") && !latest.value("recording").toBool();
        },
        idleDeadline);
    ASSERT_TRUE(gone) << shown(latest) << othersNote(c, 0);
    EXPECT_EQ(text(latest, "take"), QString::number(c.firstTake + takes)) << shown(latest);
    EXPECT_EQ(text(latest, "status"), QStringLiteral("Next take")) << shown(latest);

    quorvel->sendSignal(SIGTERM);
    EXPECT_EQ(quorvel->waitForExit(startDeadline), 0) << quorvel->standardError().toStdString();
}

INSTANTIATE_TEST_SUITE_P(OneDawPerFamily, HeadlessEndToEndTest, ::testing::ValuesIn(sessionCases),
                         [](const auto& info) { return std::string(info.param.daw); });

} // namespace
