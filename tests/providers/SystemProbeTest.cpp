#include "providers/SystemProbe.h"

#include "platform/HeldFiles.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>

using namespace quorvel;
using quorvel::test::HeldFiles;
using quorvel::test::TempDir;
using quorvel::test::uniqueCommandName;

namespace {

// The literal's bytes, NULs included.
template <size_t N> QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

std::string show(const QStringList& list)
{
    return ("[" + list.join(QStringLiteral(" | ")) + "]").toStdString();
}

std::string show(const QByteArray& bytes)
{
    QByteArray printable = bytes;
    printable.replace('\0', "\\0").replace('\n', "\\n");
    return printable.toStdString();
}

// Writes an executable stand-in for lsof.
QString writeTool(const TempDir& dir, const QString& name, const QByteArray& script)
{
    const QString path = dir.write(name, "#!/bin/sh\n" + script);
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QStringList under(const QStringList& paths, const QString& folder)
{
    QStringList inside;
    for (const QString& path : paths) {
        if (path.startsWith(folder + u'/'))
            inside.append(path);
    }
    return inside;
}

bool isRegularFile(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

TEST(SystemProbeTest, ParsesNameFields)
{
    struct Case
    {
        QByteArray output;
        QStringList names;
    } cases[] = {
        {bytes("p123\0\nfcwd\0n/\0\nf12\0n/Users/u/P/Media/a.wav\0\n"),
         {"/", "/Users/u/P/Media/a.wav"}},
        {bytes("p1\0\nf3\0n/a.wav\0\nf4\0n/a.wav\0\n"), {"/a.wav", "/a.wav"}},
        {QByteArray("\n"), {}},
        {QByteArray(), {}},
        {bytes("p1\0\nf3\0nnotes.wav\0\n"), {"notes.wav"}},
        {bytes("p1\0\nf3\0n/a\xff.wav\0\nf4\0n/b.wav\0\n"), {"/b.wav"}},
        {bytes("p1\0\nf3\0n/x y [1] \xf0\x9f\x8e\xb5.wav\0\n"),
         {QString::fromUtf8("/x y [1] 🎵.wav")}},
        {QByteArray("\n\n\nn/a"), {"/a"}},
        {bytes("p1\0\nf5\0npipe\0\nf6\0nsocket\0\n"), {"pipe", "socket"}},
        {bytes("p1\0\0\0\nf5\0n\0\n"), {""}},
        {bytes("p1\0\nf5\0x/a.wav\0\nf6\0N/b.wav\0\n"), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemProbe::parseNameFields(c.output), c.names)
            << "output " << show(c.output) << " gave "
            << show(SystemProbe::parseNameFields(c.output));
    }
}

TEST(SystemProbeTest, FindsTheCommonParentFolder)
{
    struct Case
    {
        QStringList paths;
        std::optional<QString> folder;
    } cases[] = {
        {{}, std::nullopt},
        {{"/a/x.wav", "/b/y.wav"}, std::nullopt},
        {{"/Users/u/P/Media/a.wav", "/Users/u/P/Media/b.wav"}, "/Users/u/P/Media"},
        {{"/Users/u/P/Media/a.wav", "/Users/u/P/b.wav"}, "/Users/u/P"},
        {{"/Users/u/Pro/a.wav", "/Users/u/Project/b.wav"}, "/Users/u"},
        {{"/a.wav", "/b.wav"}, "/"},
        {{"/S/Audio Files/Audio 1#01.wav"}, "/S/Audio Files"},
        {{"/S/A/x.wav", "/S/A/x.wav", "/S/A/y.wav"}, "/S/A"},
        {{"/S/A/B/C/x.wav", "/S/A/y.wav", "/S/A/B/z.wav"}, "/S/A"},
        {{"pipe"}, std::nullopt},
        {{"pipe", "/S/A/x.wav"}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemProbe::commonParentFolder(c.paths), c.folder) << show(c.paths);
        // The answer may not depend on the order the paths come in.
        QStringList reversed(c.paths.rbegin(), c.paths.rend());
        EXPECT_EQ(SystemProbe::commonParentFolder(reversed), c.folder) << show(reversed);
    }
}

TEST(SystemProbeTest, DefaultToolIsWhereTheSystemKeepsLsof)
{
    const QString tool = SystemProbe::defaultLsofPath();
    EXPECT_TRUE(tool == u"/usr/sbin/lsof" || tool == u"/usr/bin/lsof") << tool.toStdString();
    if (!QFileInfo::exists(QStringLiteral("/usr/sbin/lsof"))) {
        EXPECT_EQ(tool, u"/usr/bin/lsof");
    }
}

TEST(SystemProbeTest, HandsLsofExactlyItsFiveArguments)
{
    TempDir dir;
    // Echoes every argument back as a name field, then the locale it was given.
    const QString tool = writeTool(dir, "lsof", R"(printf 'p1\0\n'
for a in "$@"; do printf 'n%s\0\n' "$a"; done
printf 'n%s\0\n' "$LC_ALL"
)");
    const auto run = SystemProbe::runLsof(QStringLiteral("/^Logic Pro$/"), {tool});
    EXPECT_TRUE(run.launched);
    EXPECT_EQ(run.paths, QStringList({"-c", "/^Logic Pro$/", "-a", "-w", "-Fn0", "C.UTF-8"}))
        << show(run.paths);
    EXPECT_FALSE(run.terminateSent);
    EXPECT_FALSE(run.endingSignal.has_value());
}

TEST(SystemProbeTest, MissingToolGivesNothing)
{
    const auto run =
        SystemProbe::runLsof(QStringLiteral("/^REAPER$/"), {QStringLiteral("/nonexistent/lsof")});
    EXPECT_FALSE(run.launched);
    EXPECT_TRUE(run.paths.isEmpty());
    EXPECT_TRUE(SystemProbe::openFilePathsWithLsof(QStringLiteral("/^REAPER$/"),
                                                   {QStringLiteral("/nonexistent/lsof")})
                    .isEmpty());
}

TEST(SystemProbeTest, ChattyErrorOutputCannotBlockTheTool)
{
    TempDir dir;
    // Far more than a pipe holds: a reader that never drained it would hang until the watchdog.
    const QString tool = writeTool(dir, "lsof", R"(head -c 1000000 /dev/zero >&2
printf 'p1\0\nf3\0n/P/Media/a.wav\0\n'
)");
    SystemProbe::LsofOptions options{tool};
    options.terminateAfter = std::chrono::seconds(20);
    const auto run = SystemProbe::runLsof(QStringLiteral("x"), options);
    EXPECT_EQ(run.paths, QStringList{"/P/Media/a.wav"}) << show(run.paths);
    EXPECT_FALSE(run.terminateSent);
}

TEST(SystemProbeTest, ToolThatEndsWhileItsChildHoldsThePipeIsNotWaitedFor)
{
    TempDir dir;
    const QString tool = writeTool(dir, "lsof", R"(printf 'p1\0\nf3\0n/a.wav\0\n'
sleep 3 &
exit 0
)");
    SystemProbe::LsofOptions options{tool};
    options.terminateAfter = std::chrono::seconds(20);
    const auto run = SystemProbe::runLsof(QStringLiteral("x"), options);
    EXPECT_EQ(run.paths, QStringList{"/a.wav"}) << show(run.paths);
    EXPECT_FALSE(run.terminateSent);
}

TEST(SystemProbeTest, WatchdogTerminatesASlowToolAndKeepsItsPartialOutput)
{
    TempDir dir;
    const QString tool = writeTool(dir, "lsof", R"(printf 'p1\0\nf3\0n/P/Media/partial.wav\0\n'
exec sleep 60
)");
    SystemProbe::LsofOptions options{tool};
    options.terminateAfter = std::chrono::milliseconds(200);
    options.killAfter = std::chrono::seconds(20);
    const auto run = SystemProbe::runLsof(QStringLiteral("x"), options);
    EXPECT_TRUE(run.terminateSent);
    EXPECT_FALSE(run.killSent);
    EXPECT_EQ(run.endingSignal, SIGTERM);
    EXPECT_EQ(run.paths, QStringList{"/P/Media/partial.wav"}) << show(run.paths);
}

TEST(SystemProbeTest, WatchdogKillsAToolThatIgnoresTerminate)
{
    TempDir dir;
    const QString tool = writeTool(dir, "lsof", R"(trap '' TERM
printf 'p1\0\nf3\0n/P/Media/stuck.wav\0\n'
exec sleep 60
)");
    QElapsedTimer timer;
    timer.start();
    const auto run = SystemProbe::runLsof(QStringLiteral("x"), {tool}); // 5 s, then 2 s
    const qint64 elapsed = timer.elapsed();
    EXPECT_TRUE(run.terminateSent);
    EXPECT_TRUE(run.killSent);
    EXPECT_EQ(run.endingSignal, SIGKILL);
    EXPECT_EQ(run.paths, QStringList{"/P/Media/stuck.wav"}) << show(run.paths);
    // The kill cannot come before its two deadlines; the upper bound only catches a hang.
    EXPECT_GE(elapsed, 6900);
    EXPECT_LT(elapsed, 30000);
}

TEST(SystemProbeTest, WatchdogAlsoReachesWhatTheToolStarted)
{
    TempDir dir;
    // The shell ignores SIGTERM and waits on a child that ignores it too; both hold the pipe.
    const QString tool = writeTool(dir, "lsof", R"(trap '' TERM
printf 'p1\0\nf3\0n/a.wav\0\n'
sleep 60
)");
    SystemProbe::LsofOptions options{tool};
    options.terminateAfter = std::chrono::milliseconds(200);
    options.killAfter = std::chrono::milliseconds(200);
    QElapsedTimer timer;
    timer.start();
    const auto run = SystemProbe::runLsof(QStringLiteral("x"), options);
    EXPECT_TRUE(run.killSent);
    EXPECT_EQ(run.endingSignal, SIGKILL);
    EXPECT_EQ(run.paths, QStringList{"/a.wav"}) << show(run.paths);
    EXPECT_LT(timer.elapsed(), 30000);
}

class HeldFilesTest : public ::testing::Test
{
protected:
    // Names with spaces, brackets, emoji and a leading "n", in ascending byte order.
    void SetUp() override
    {
        m_folder = m_dir.makeFolder(QStringLiteral("Media"));
        for (const char* name : {"My Take [1] 01-001.wav", "Song-01-002.wav", "notes.txt",
                                 "\xf0\x9f\x8e\xb5 Take-01-003.wav"})
            m_expected.append(m_dir.write(QStringLiteral("Media/") + QString::fromUtf8(name), "x"));
        m_expected.append(m_expected.front()); // the holder opens the first one twice
    }

    TempDir m_dir;
    QString m_folder;
    QStringList m_expected;
};

TEST_F(HeldFilesTest, LsofListsTheHeldFilesInDescriptorOrder)
{
    const QString name = uniqueCommandName("qvl");
    HeldFiles held(name, m_folder);
    ASSERT_TRUE(held.isReady());
    const QStringList paths =
        SystemProbe::openFilePathsWithLsof(QStringLiteral("/^%1$/").arg(name));
    EXPECT_EQ(under(paths, m_folder), m_expected) << show(paths);
}

TEST_F(HeldFilesTest, NativeAndLsofReadersAgreeOnRegularFiles)
{
    const QString name = uniqueCommandName("qva");
    HeldFiles held(name, m_folder);
    ASSERT_TRUE(held.isReady());
    const QString filter = QStringLiteral("/^%1$/").arg(name);
    const QStringList native = SystemProbe::nativeOpenFilePaths(filter);
    const QStringList lsof = SystemProbe::openFilePathsWithLsof(filter);

    EXPECT_EQ(under(native, m_folder), m_expected) << show(native);
    EXPECT_EQ(under(lsof, m_folder), under(native, m_folder)) << show(lsof);
    // lsof also names the working folder, the program and its mapped libraries; every regular
    // file the descriptors hold is among its names.
    const QSet<QString> lsofNames(lsof.begin(), lsof.end());
    for (const QString& path : native) {
        if (isRegularFile(path)) {
            EXPECT_TRUE(lsofNames.contains(path))
                << path.toStdString() << " missing from " << show(lsof);
        }
    }
}

TEST_F(HeldFilesTest, ReadersSelectTheSameProcesses)
{
    const QString name = uniqueCommandName("qvs");
    HeldFiles held(name, m_folder);
    ASSERT_TRUE(held.isReady());
    const QString filters[] = {
        name,                                      // the whole name as a plain word
        name.left(5),                              // a prefix
        QStringLiteral("/^%1$/").arg(name),        // anchored both ends
        QStringLiteral("/^%1/").arg(name.left(4)), // anchored at the start only
        QStringLiteral("/^%1$/i").arg(name.toUpper()),
        QStringLiteral("/^%1$/").arg(name.toUpper()), // case differs: nothing
        QStringLiteral("^%1").arg(name),              // exclusion only: nothing
        QStringLiteral("/^%1/q").arg(name),           // refused modifier: nothing
    };
    for (const QString& filter : filters) {
        const QStringList native = under(SystemProbe::nativeOpenFilePaths(filter), m_folder);
        const QStringList lsof = under(SystemProbe::openFilePathsWithLsof(filter), m_folder);
        EXPECT_EQ(native, lsof) << filter.toStdString() << ": native " << show(native) << " lsof "
                                << show(lsof);
    }
}

TEST_F(HeldFilesTest, DefaultReaderFindsTheHeldFiles)
{
    const QString name = uniqueCommandName("qvd");
    HeldFiles held(name, m_folder);
    ASSERT_TRUE(held.isReady());
    const QStringList paths = SystemProbe::openFilePaths(QStringLiteral("/^%1$/").arg(name));
    EXPECT_EQ(under(paths, m_folder), m_expected) << show(paths);
    held.finish();
    EXPECT_TRUE(SystemProbe::openFilePaths(QStringLiteral("/^%1$/").arg(name)).isEmpty());
}

TEST(SystemProbeFolderTest, ListsEntriesWithDatesAndSizes)
{
    TempDir dir;
    const QString a = dir.write("Media/a.wav", "12345");
    dir.write("Media/.hidden.wav", "");
    dir.makeFolder("Media/sub.wav");
    ASSERT_TRUE(test::setModificationTime(a, 1700000000.25));
    ASSERT_EQ(::symlink("loop.wav", QFile::encodeName(dir.filePath("Media/loop.wav")).constData()),
              0);

    const auto listing = SystemProbe::listFolder(dir.filePath("Media"));
    ASSERT_TRUE(listing.has_value());
    QHash<QString, SystemProbe::FolderEntry> byName;
    for (const auto& entry : *listing)
        byName.insert(QString::fromUtf8(entry.name), entry);
    EXPECT_EQ(QSet<QString>(byName.keyBegin(), byName.keyEnd()),
              QSet<QString>({"a.wav", ".hidden.wav", "sub.wav", "loop.wav"}));
    EXPECT_EQ(byName["a.wav"].size, 5);
    EXPECT_TRUE(byName["a.wav"].isRegularFile);
    EXPECT_EQ(byName["a.wav"].modified,
              FileTime(std::chrono::seconds(1700000000) + std::chrono::milliseconds(250)));
    EXPECT_FALSE(byName["sub.wav"].isRegularFile);
    EXPECT_EQ(byName["sub.wav"].size, 0); // a folder has no size that counts
    EXPECT_EQ(byName["loop.wav"].modified, distantPast);
    EXPECT_EQ(byName["loop.wav"].size, 0);

    const auto filtered = SystemProbe::listFolder(
        dir.filePath("Media"), [](std::string_view name) { return name.starts_with('a'); });
    ASSERT_TRUE(filtered.has_value());
    ASSERT_EQ(filtered->size(), 1u);
    EXPECT_EQ(filtered->front().name, "a.wav");

    EXPECT_FALSE(SystemProbe::listFolder(dir.filePath("missing")).has_value());
    EXPECT_FALSE(SystemProbe::listFolder(a).has_value()); // a file is no folder
    EXPECT_FALSE(SystemProbe::listFolder(QString()).has_value());
}

TEST(SystemProbeFolderTest, ReadsModificationTimesOrTheDistantPast)
{
    TempDir dir;
    const QString a = dir.write("a.wav", "x");
    ASSERT_TRUE(test::setModificationTime(a, 1700000000.5));
    EXPECT_EQ(SystemProbe::modificationTime(a),
              FileTime(std::chrono::seconds(1700000000) + std::chrono::milliseconds(500)));
    EXPECT_EQ(SystemProbe::modificationTime(dir.filePath("gone.wav")), distantPast);
    EXPECT_EQ(SystemProbe::modificationTime(QString()), distantPast);
}
