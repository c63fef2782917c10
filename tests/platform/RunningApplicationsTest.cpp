#include "platform/RunningApplications.h"

#include "platform/FileFixtures.h"
#include "providers/ExecutableName.h"
#include "support/Poll.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>

using namespace quorvel;
using namespace quorvel::test;

namespace {

std::optional<RunningApplication> find(const QString& name)
{
    const auto apps = RunningApplications::current();
    const auto it = std::find_if(apps.begin(), apps.end(),
                                 [&name](const auto& app) { return app.localizedName == name; });
    return it == apps.end() ? std::nullopt : std::optional(*it);
}

} // namespace

TEST(RunningApplicationsTest, LeavesOutKernelThreads)
{
    // kthreadd (process 2 outside a process namespace) is the kernel's own; run as root it would
    // otherwise count as one of the user's applications.
    QFile comm(QStringLiteral("/proc/2/comm"));
    if (!comm.open(QIODevice::ReadOnly) || comm.readAll() != "kthreadd\n")
        GTEST_SKIP() << "kthreadd not visible";
    EXPECT_FALSE(find(QStringLiteral("kthreadd")));
}

// A program whose name is longer than the kernel keeps is known by its whole name: from argv[0],
// from the executable's path, or (a Windows program under Wine, whose executable is Wine's
// loader) from the last part of a Windows path. The end-to-end tests run real Ardour and Wine.
TEST(RunningApplicationsTest, RecoversTheFullNameOfAProgramTheKernelCut)
{
    struct Case
    {
        const char *command, *argv0, *executable, *full;
    } cases[] = {
        {"ardour-8.12.0~d", "ardour8", "/opt/a/ardour-8.12.0~ds0", "ardour-8.12.0~ds0"},
        {"Ableton Live 12", R"(C:\Live 12\Ableton Live 12 Suite.exe)",
         "/usr/lib/wine/wine64-preloader", "Ableton Live 12 Suite.exe"},
        {"qvrenamedzzzzzz", "/bin/sleep", "/usr/bin/sleep", "qvrenamedzzzzzz"}, // renamed itself
        {"Cubase13.exe", "", "", "Cubase13.exe"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExecutableName::full(c.command, QString::fromUtf8(c.argv0),
                                       QString::fromUtf8(c.executable)),
                  QString::fromUtf8(c.full))
            << c.command;
    }

    // And a real process, started from a copy of sleep under a long name: listed by its command
    // name as a regular application, with its whole name, until it ends.
    TempDir dir;
    const QString cut = uniqueCommandName("qvl"), whole = cut + QStringLiteral("-long-name");
    const QString program = dir.filePath(whole);
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), program));
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    QProcess process;
    process.start(program, {QStringLiteral("60")});
    ASSERT_TRUE(process.waitForStarted());
    const qint64 pid = process.processId();
    std::optional<RunningApplication> app;
    pollUntil([&] { return (app = find(cut)).has_value(); }, std::chrono::seconds(30));
    process.kill();
    process.waitForFinished();
    ASSERT_TRUE(app);
    EXPECT_EQ(app->fullName(), whole);
    EXPECT_EQ(app->processId, pid);
    EXPECT_TRUE(app->isRegular);
    EXPECT_FALSE(app->bundleIdentifier);
    EXPECT_FALSE(app->winePrefix);
    EXPECT_FALSE(find(cut)) << "after it ended";
}
