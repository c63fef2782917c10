// The real `quorvel --headless --json` watching a real Windows program under Wine that records
// as a Windows DAW does: found by the Windows executable's name, its takes by the Linux paths of
// the files it holds open.
//
// Under Wine (Debian 12's wine 8.0) a Windows program is a Linux process whose command name is
// the .exe's file name cut at 15 bytes, whose /proc/PID/exe is Wine's loader and whose first
// argument is the Windows path it was started by; the files it opens appear in /proc/PID/fd
// under their Linux paths (and in wineserver's as well).
#include "e2e/ChildProcess.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <memory>

using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

const QString wine = QStringLiteral(QUORVEL_WINE);
const QString wineserver = QStringLiteral(QUORVEL_WINESERVER);
const QString fakeDaw = QStringLiteral(QUORVEL_FAKE_DAW_EXE);

// A fresh prefix takes seconds on an idle machine and far longer on a loaded one.
constexpr auto prefixDeadline = 180s;
constexpr auto startDeadline = 60s;
// Quorvel scans once a second; a take lasts 15 s, so it is still written at this deadline.
constexpr auto recordingDeadline = 10s;
constexpr int takes = 2;

struct WineCase
{
    const char* daw;           // the pinned dawSelection
    const char* style;         // fake-daw's naming style
    const char* installPath;   // under drive_c, with '/'
    const char* commandName;   // the .exe's name cut at the kernel's 15 bytes
    const char* projectFolder; // under drive_c, with '/'
    int firstTake;
    // What Quorvel shows while the DAW records; %1 stands for the project folder's Linux path.
    const char* shows;
};

void PrintTo(const WineCase& c, std::ostream* out)
{
    *out << c.daw;
}

// Live counts the clips in a fresh project from 1; REAPER numbers its rec-passes itself.
const WineCase wineCases[] = {
    {"ableton", "live", "ProgramData/Ableton/Live 12 Suite/Program/Ableton Live 12 Suite.exe",
     "Ableton Live 12", "Sessions/Demo Project", 1,
     R"("daw": "Ableton Live", "project": "Demo", "folder": "%1/Samples/Recorded")"},
    {"reaper", "reaper", "Program Files/REAPER (x64)/reaper.exe", "reaper.exe", "Sessions/Concert",
     41, R"("daw": "REAPER", "project": "Session", "piece": "Session", "folder": "%1")"},
};

QString windowsPath(const QString& underDriveC)
{
    return "C:\\" + QString(underDriveC).replace('/', '\\');
}

// The command names the pinned DAW's provider watches.
QStringList watched(const WineCase& c)
{
    return {c.commandName, c.daw == std::string("ableton") ? "Live" : "reaper"};
}

// One Wine prefix for all cases: creating it is the slow part. Every Wine process of the prefix,
// wineserver included, ends with the suite.
class WineEndToEndTest : public ::testing::TestWithParam<WineCase>
{
protected:
    static void SetUpTestSuite()
    {
        if (wine.isEmpty() || wineserver.isEmpty() || fakeDaw.isEmpty())
            return;
        s_prefix = std::make_unique<TempDir>();
        ChildProcess boot(wine, {"wineboot", "-i"}, wineEnvironment());
        s_bootStatus = boot.waitForExit(prefixDeadline);
        s_bootOutput = boot.printed() + boot.standardError();
    }
    static void TearDownTestSuite()
    {
        if (!s_prefix)
            return;
        ChildProcess kill(wineserver, {"-k"}, wineEnvironment());
        kill.waitForExit(startDeadline);
        s_prefix.reset();
    }

    void SetUp() override
    {
        if (wine.isEmpty() || wineserver.isEmpty())
            GTEST_SKIP() << "Wine was not found when the build was configured (wine, wineserver)";
        if (fakeDaw.isEmpty())
            GTEST_SKIP() << "x86_64-w64-mingw32-gcc was not found when the build was configured, "
                            "so there is no Windows program to run under Wine";
        ASSERT_EQ(s_bootStatus, 0) << "wineboot -i failed:\n" << s_bootOutput;
    }

    // Headless, without the Mono and Gecko installers that a new prefix would otherwise offer.
    static QProcessEnvironment wineEnvironment()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("WINEPREFIX", s_prefix->path());
        environment.insert("WINEDEBUG", "-all");
        environment.insert("WINEDLLOVERRIDES", "mscoree,mshtml=");
        environment.insert("HOME", s_prefix->makeFolder("home"));
        environment.remove("DISPLAY");
        environment.remove("WAYLAND_DISPLAY");
        return environment;
    }
    static QString driveC(const QString& relative)
    {
        return s_prefix->filePath("drive_c/" + relative);
    }

    static inline std::unique_ptr<TempDir> s_prefix;
    static inline int s_bootStatus = -1;
    static inline std::string s_bootOutput;
};

TEST_P(WineEndToEndTest, ShowsTheWindowsDawAndEachTakeWhileItRecords)
{
    const WineCase& c = GetParam();
    if (!pollUntil([&] { return othersNote(watched(c), 0).empty(); }, 90s))
        GTEST_SKIP() << "another DAW session kept running for 90 s" << othersNote(watched(c), 0);

    // The program sits where the DAW's installer puts it, and is started by its Windows path.
    const QString installed = driveC(c.installPath);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(installed).path()));
    ASSERT_TRUE(QFile::exists(installed) || QFile::copy(fakeDaw, installed))
        << installed.toStdString();

    TempDir work;
    ChildProcess quorvel(QStringLiteral(QUORVEL_PROGRAM), {"--headless", "--json"},
                         pinnedEnvironment(work, c.daw));
    ASSERT_TRUE(quorvel.waitForObject([](const QJsonObject&) { return true; }, startDeadline))
        << quorvel.standardError();

    ChildProcess daw(wine,
                     {windowsPath(c.installPath), c.style, windowsPath(c.projectFolder),
                      QString::number(takes), "15", "2", QString::number(c.firstTake)},
                     wineEnvironment());
    for (int take = c.firstTake; take < c.firstTake + takes; ++take) {
        SCOPED_TRACE("take " + std::to_string(take));
        const QString number = QString::number(take);
        ASSERT_TRUE(daw.waitForLine("take " + number + " recording: ", prefixDeadline))
            << daw.printed() << daw.standardError();
        // Quorvel reports the folder with every link resolved; it exists from the first take on.
        const QString folder = QFileInfo(driveC(c.projectFolder)).canonicalFilePath();
        // Quorvel's premise: the name Wine gives the process is the Windows program's.
        ASSERT_EQ(commandName(daw.pid()), c.commandName);

        const auto recording = waitForTake(quorvel, number, true, recordingDeadline);
        ASSERT_TRUE(recording) << "not shown as recording within " << recordingDeadline.count()
                               << " s of its first write; Quorvel printed:\n"
                               << quorvel.printed() << othersNote(watched(c), daw.pid());
        const QString expected =
            QStringLiteral(
                R"({"recording": true, "hasTake": true, "status": "Recording", "take": "%1", %2})")
                .arg(number, QString(c.shows).arg(folder));
        EXPECT_EQ(shown(*recording), shown(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(WindowsDaws, WineEndToEndTest, ::testing::ValuesIn(wineCases),
                         [](const auto& info) { return std::string(info.param.daw); });

} // namespace
