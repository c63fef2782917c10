#include "providers/SystemProbe.h"

#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

using namespace quorvel;
using namespace std::chrono_literals;
using namespace Qt::Literals::StringLiterals;
using quorvel::test::TempDir;

namespace {

std::string show(const QStringList& list)
{
    return ("[" + list.join(QStringLiteral(" | ")) + "]").toStdString();
}

// Writes an executable stand-in for lsof.
QString writeTool(const TempDir& dir, const QByteArray& script)
{
    const QString path = dir.write(QStringLiteral("lsof"), "#!/bin/sh\n" + script);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    return path;
}

} // namespace

TEST(SystemProbeTest, ParsesNameFields)
{
    const std::pair<QByteArray, QStringList> cases[] = {
        {"p123\0\nfcwd\0n/\0\nf12\0n/Users/u/P/Media/a.wav\0\n"_ba,
         {"/", "/Users/u/P/Media/a.wav"}},
        {"p1\0\nf3\0n/a\xff.wav\0\nf4\0n/b.wav\0\n"_ba, {"/b.wav"}},
        {"p1\0\nf5\0x/a.wav\0\nf6\0N/b.wav\0\n"_ba, {}},
    };
    for (const auto& [output, expected] : cases) {
        const QStringList names = SystemProbe::parseNameFields(output);
        EXPECT_EQ(names, expected)
            << QByteArray(output).replace('\0', "\\0").toStdString() << " gave " << show(names);
    }
}

TEST(SystemProbeTest, FindsTheCommonParentFolder)
{
    const std::pair<QStringList, std::optional<QString>> cases[] = {
        {{}, std::nullopt},
        {{"/a/x.wav", "/b/y.wav"}, std::nullopt},
        {{"/Users/u/Pro/a.wav", "/Users/u/Project/b.wav"}, "/Users/u"},
        {{"/a.wav", "/b.wav"}, "/"},
        {{"/S/A/B/C/x.wav", "/S/A/y.wav", "/S/A/B/z.wav"}, "/S/A"},
        {{"/S/A//x.wav"}, "/S/A"}, // a doubled separator belongs to no component
        {{"pipe", "/S/A/x.wav"}, std::nullopt},
    };
    for (const auto& [paths, folder] : cases) {
        EXPECT_EQ(SystemProbe::commonParentFolder(paths), folder) << show(paths);
        // The answer may not depend on the order the paths come in.
        const QStringList reversed(paths.rbegin(), paths.rend());
        EXPECT_EQ(SystemProbe::commonParentFolder(reversed), folder) << show(reversed);
    }
}

// Stand-ins for lsof, and how each run ends (a missing one never starts). The one that ends on its
// own gets a long watchdog, so that waiting on the wrong thing (a full error pipe, the child still
// holding the output pipe) shows as a terminated run rather than as a slow test. Only a hang fails
// the time limit.
TEST(SystemProbeTest, RunsLsofUnderTheWatchdog)
{
    using std::chrono::milliseconds;
    struct Case
    {
        const char *label, *script;
        milliseconds terminateAfter, killAfter;
        const char* paths; // separated by "|"
        std::optional<int> endingSignal;
    } cases[] = {
        {"ends on its own: five arguments, a UTF-8 locale, error output beyond a pipe's size",
         R"(head -c 1000000 /dev/zero >&2; for a in "$@"; do printf 'n%s\0' "$a"; done
            printf 'p1\0\nf3\0n%s\0\n' "$LC_ALL"; sleep 30 & exit 0)",
         10s, 10s, "-c|/^Logic Pro$/|-a|-w|-Fn0|C.UTF-8", std::nullopt},
        {"terminated, its partial output kept", R"(printf 'n/P/partial.wav\0'; exec sleep 60)",
         200ms, 10s, "/P/partial.wav", SIGTERM},
        {"ignores terminate: killed after the default 5 s and 2 s",
         R"(trap '' TERM; printf 'n/P/stuck.wav\0'; exec sleep 60)", 5s, 2s, "/P/stuck.wav",
         SIGKILL},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const QString tool = writeTool(dir, c.script);
        QElapsedTimer timer;
        timer.start();
        const auto run = SystemProbe::runLsof(QStringLiteral("/^Logic Pro$/"),
                                              {tool, c.terminateAfter, c.killAfter});
        EXPECT_TRUE(run.launched) << c.label;
        EXPECT_EQ(run.paths.join(u'|').toStdString(), c.paths) << c.label;
        EXPECT_EQ(run.terminateSent, c.endingSignal.has_value()) << c.label;
        EXPECT_EQ(run.killSent, c.endingSignal == SIGKILL) << c.label;
        EXPECT_EQ(run.endingSignal, c.endingSignal) << c.label;
        EXPECT_LT(timer.elapsed(), 60000) << c.label;
    }
    const auto missing = SystemProbe::runLsof(QStringLiteral("/^REAPER$/"), {"/nonexistent/lsof"});
    EXPECT_FALSE(missing.launched);
    EXPECT_EQ(missing.paths, QStringList()) << show(missing.paths);
}
