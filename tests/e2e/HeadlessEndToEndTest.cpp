// The real `quorvel --headless --json` watching quorvel-simulate: what a user sees while a DAW
// records, detected the whole way through the process list, lsof and the file system.
#include "e2e/ChildProcess.h"
#include "support/TempDir.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

constexpr auto startDeadline = 60s;
// Quorvel scans once a second, so a take shows as recording at the first scan after its first
// write. Ten seconds is far more than that, yet still inside the time the take looks recorded.
constexpr auto recordingDeadline = 10s;
// A take counts as recording until 4 s after its last write, and the end is confirmed over three
// more scans: about 7 s. The gap between takes outlasts the deadline, so a slow machine fails
// here with a message instead of skipping the idle state.
constexpr auto idleDeadline = 15s;
constexpr int takes = 2;

struct SessionCase
{
    const char* daw; // the simulator's name for it, also the pinned dawSelection
    const char* processName;
    const char* folderName; // the project folder the simulator records into
    int firstTake;
    // What Quorvel shows of the DAW while it records; %1 stands for the project folder.
    const char* shows;
};

void PrintTo(const SessionCase& c, std::ostream* out)
{
    *out << c.daw;
}

// One DAW of each family: REAPER's global rec-pass, a per-track DAW (with a stereo track's two
// halves) and Ableton Live's clip counting.
const SessionCase sessionCases[] = {
    {"reaper", "reaper", "Concert", 41,
     R"("daw": "REAPER", "project": "Session", "piece": "Session", "folder": "%1")"},
    {"protools", "Pro Tools", "Studio Session", 7,
     R"("daw": "Pro Tools", "project": "Studio Session", "folder": "%1/Audio Files")"},
    {"ableton", "Live", "Demo Project", 2,
     R"("daw": "Ableton Live", "project": "Demo", "folder": "%1/Samples/Recorded")"},
};

class HeadlessEndToEndTest : public ::testing::TestWithParam<SessionCase>
{
};

TEST_P(HeadlessEndToEndTest, ShowsEachTakeWhileItRecordsAndTheNextOneAfterwards)
{
    const SessionCase& c = GetParam();
    // Quorvel watches every process of the DAW, so another session would mix into this one.
    if (!pollUntil([&] { return othersNote({c.processName}, 0).empty(); }, 90s))
        GTEST_SKIP() << "another DAW session kept running for 90 s"
                     << othersNote({c.processName}, 0);

    // A fresh home and settings folder with the DAW choice pinned, so that other DAWs simulated
    // on the machine at the same time stay out of this Quorvel's view.
    TempDir work;
    const QProcessEnvironment environment = pinnedEnvironment(work, c.daw);
    ChildProcess quorvel(QStringLiteral(QUORVEL_PROGRAM), {"--headless", "--json"}, environment);
    // The first state says Quorvel is up, so the recording deadline is the DAW's alone.
    ASSERT_TRUE(quorvel.waitForObject([](const QJsonObject&) { return true; }, startDeadline))
        << quorvel.standardError();

    const QString folder = work.filePath(c.folderName);
    ChildProcess simulator(QStringLiteral(QUORVEL_SIMULATE_PROGRAM),
                           {c.daw, "--folder", folder, "--takes", QString::number(takes),
                            "--first-take", QString::number(c.firstTake), "--take-seconds", "6",
                            "--gap-seconds", "17"});
    for (int take = c.firstTake; take < c.firstTake + takes; ++take) {
        SCOPED_TRACE("take " + std::to_string(take));
        const QString number = QString::number(take);
        ASSERT_TRUE(simulator.waitForLine("take " + number + " recording: ", startDeadline))
            << simulator.printed() << simulator.standardError();
        const auto recording = waitForTake(quorvel, number, true, recordingDeadline);
        ASSERT_TRUE(recording) << "not shown as recording within " << recordingDeadline.count()
                               << " s of its first write; Quorvel printed:\n"
                               << quorvel.printed() << othersNote({c.processName}, simulator.pid());
        const QString expected =
            QStringLiteral(
                R"({"recording": true, "hasTake": true, "status": "Recording", "take": "%1", %2})")
                .arg(number, QString(c.shows).arg(QFileInfo(folder).canonicalFilePath()));
        EXPECT_EQ(shown(*recording), shown(expected));

        // After the last take the DAW quits: its name goes, and the next number stays.
        const bool last = take + 1 == c.firstTake + takes;
        const QString next = QString::number(take + 1);
        ASSERT_TRUE(simulator.waitForLine("take " + number + " stopped", startDeadline));
        const auto idle = quorvel.waitForObject(
            [&](const QJsonObject& state) {
                return state["status"] == "Next take" && !state["recording"].toBool() &&
                       state["take"] == next && !(last && state.contains("daw"));
            },
            idleDeadline);
        ASSERT_TRUE(idle) << "no \"Next take\" state with take " << next.toStdString() << " within "
                          << idleDeadline.count() << " s of the stop; Quorvel printed:\n"
                          << quorvel.printed() << othersNote({c.processName}, simulator.pid());
    }
    EXPECT_EQ(simulator.waitForExit(startDeadline), 0) << simulator.standardError();
}

INSTANTIATE_TEST_SUITE_P(OneDawPerFamily, HeadlessEndToEndTest, ::testing::ValuesIn(sessionCases),
                         [](const auto& info) { return std::string(info.param.daw); });

} // namespace
