// The real `quorvel --headless --json` watching the real Ardour engine record: Ardour's session
// host runs under the GUI program's name (ardour/run-ardour.sh) and records takes with
// ardour/record-takes.lua, in both of Ardour's file-naming modes.
#include "e2e/ChildProcess.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

// Ardour's engine, session and tracks take a few seconds to set up.
constexpr auto startDeadline = 90s;
// Ardour creates a pass's files about 3 s after the roll and Quorvel scans once a second; the
// deadline is far more than that, yet inside the pass plus the time it still looks recorded.
constexpr auto recordingDeadline = 15s;
// A take counts as recording until 4 s after its last write, confirmed over three more scans.
constexpr auto idleDeadline = 15s;
constexpr int passes = 2;
constexpr int passSeconds = 12; // well past the file creation delay and the first scan
constexpr int gapSeconds = 20;  // the idle deadline fits inside the gap

const QString launcher = QStringLiteral(QUORVEL_ARDOUR_SCRIPTS "/run-ardour.sh");
const QString recordScript = QStringLiteral(QUORVEL_ARDOUR_SCRIPTS "/record-takes.lua");

struct NamingCase
{
    const char* name;
    const char* prefixTake; // Ardour's session option "Prefix Take Name"
    // The files of the first pass, in <session>/interchange/<session>/audiofiles.
    QStringList firstPassFiles;
};

void PrintTo(const NamingCase& c, std::ostream* out)
{
    *out << c.name;
}

const NamingCase namingCases[] = {
    {"TakePrefix", "on", {"Take1_Gtr-1.wav", "Take1_Piano-1%L.wav", "Take1_Piano-1%R.wav"}},
    {"TrackNameOnly", "off", {"Gtr-1.wav", "Piano-1%L.wav", "Piano-1%R.wav"}},
};

// The GUI program Ardour's launcher runs as, or nothing when Ardour is not installed.
std::optional<QString> ardourProgram(std::string& why)
{
    QProcess check;
    check.start(QStringLiteral("/bin/sh"), {launcher, QStringLiteral("--check")});
    check.waitForFinished(30000);
    const QString printed = QString::fromUtf8(check.readAllStandardOutput()).trimmed();
    why = check.readAllStandardError().trimmed().toStdString();
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0 && !printed.isEmpty())
        return QFileInfo(printed).fileName();
    return std::nullopt;
}

class ArdourEndToEndTest : public ::testing::TestWithParam<NamingCase>
{
};

TEST_P(ArdourEndToEndTest, ShowsEachPassWhileItRecordsAndTheNextOneAfterwards)
{
    const NamingCase& c = GetParam();
    std::string why;
    const auto program = ardourProgram(why);
    if (!program)
        GTEST_SKIP() << "Ardour is not installed: " << why;
    // The kernel keeps the first 15 bytes of a program's name as its command name.
    const QString processName = program->left(15);
    pollUntil([&] { return othersNote({processName}, 0).empty(); }, 90s);

    // A fresh home and settings folder for both programs, with Ardour pinned so that DAWs
    // simulated on the machine at the same time stay out of this Quorvel's view.
    TempDir work;
    QProcessEnvironment environment = pinnedEnvironment(work, "ardour");
    ChildProcess quorvel(QStringLiteral(QUORVEL_PROGRAM), {"--headless", "--json"}, environment);
    ASSERT_TRUE(quorvel.waitForObject([](const QJsonObject&) { return true; }, startDeadline))
        << quorvel.standardError();

    // Ardour's new-session dialog names the folder after the session, and so does this test.
    const QString session = QStringLiteral("Evening Session");
    const QString sessionFolder = work.filePath(session);
    environment.insert("RECORD_SESSION_FOLDER", sessionFolder);
    environment.insert("RECORD_SESSION_NAME", session);
    environment.insert("RECORD_PREFIX_TAKE", c.prefixTake);
    environment.insert("RECORD_PASSES", QString::number(passes));
    environment.insert("RECORD_SECONDS", QString::number(passSeconds));
    environment.insert("RECORD_GAP_SECONDS", QString::number(gapSeconds));
    ChildProcess ardour(QStringLiteral("/bin/sh"),
                        {launcher, work.filePath("program"), recordScript}, environment);
    const auto ardourSaid = [&] { return ardour.printed() + "\n" + ardour.standardError(); };
    ASSERT_TRUE(ardour.waitForLine("ready", startDeadline)) << ardourSaid();
    EXPECT_EQ(commandName(ardour.pid()), processName);

    const QString audioFiles = sessionFolder + "/interchange/" + session + "/audiofiles";
    const auto written = [&] {
        return "\nArdour wrote: " +
               QDir(audioFiles).entryList(QDir::Files, QDir::Name).join(", ").toStdString() +
               othersNote({processName}, ardour.pid());
    };
    const auto expectedState = [&](bool recording, int take) {
        const QString text =
            QStringLiteral(
                R"({"daw": "Ardour", "project": "%1", "take": "%2", "status": "%3",
                    "recording": %4, "hasTake": true, "folder": "%5"})")
                .arg(session, QString::number(take),
                     recording ? QStringLiteral("Recording") : QStringLiteral("Next take"),
                     recording ? QStringLiteral("true") : QStringLiteral("false"),
                     QFileInfo(audioFiles).canonicalFilePath());
        return shown(text);
    };

    for (int pass = 1; pass <= passes; ++pass) {
        SCOPED_TRACE("pass " + std::to_string(pass));
        const QString number = QString::number(pass);
        ASSERT_TRUE(ardour.waitForLine("recording " + number, startDeadline)) << ardourSaid();
        const auto recording = waitForTake(quorvel, number, true, recordingDeadline);
        ASSERT_TRUE(recording) << "pass " << pass << " not shown as recording within "
                               << recordingDeadline.count() << " s; Quorvel printed:\n"
                               << quorvel.printed() << written();
        EXPECT_EQ(shown(*recording), expectedState(true, pass)) << written();
        if (pass == 1) {
            const QStringList files = QDir(audioFiles).entryList(QDir::Files, QDir::Name);
            EXPECT_EQ(files, c.firstPassFiles);
        }

        // Ardour keeps the pass's files open after the stop; only their writes end.
        ASSERT_TRUE(ardour.waitForLine("stopped " + number, startDeadline)) << ardourSaid();
        const QString next = QString::number(pass + 1);
        const auto idle = waitForTake(quorvel, next, false, idleDeadline);
        ASSERT_TRUE(idle) << "no \"Next take\" state with take " << next.toStdString() << " within "
                          << idleDeadline.count() << " s of the stop; Quorvel printed:\n"
                          << quorvel.printed() << written();
        EXPECT_EQ(shown(*idle), expectedState(false, pass + 1)) << written();
    }
    EXPECT_TRUE(ardour.waitForLine("done", startDeadline)) << ardourSaid();
    EXPECT_EQ(ardour.waitForExit(startDeadline), 0) << ardourSaid();
}

INSTANTIATE_TEST_SUITE_P(BothNamingModes, ArdourEndToEndTest, ::testing::ValuesIn(namingCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
