// The record path of a REAPER project, and the Windows paths of REAPER under Wine.
#include "providers/ReaperProject.h"

#include "model/FilenamePattern.h"
#include "providers/DetectionFixtures.h"
#include "providers/ReaperProvider.h"
#include "providers/WinePaths.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

using Paths = ReaperProject::RecordPaths;

TEST(ReaperProjectTest, ParsesTheRecordPathLineAsReapersLineParserDoes)
{
    const std::pair<const char*, std::optional<Paths>> cases[] = {
        {R"(RECORD_PATH Media "")", Paths{"Media", ""}},
        {"RECORD_PATH", Paths{"", ""}},
        {R"(RECORD_PATH 'say "hi"' `it's "here"`)", Paths{R"(say "hi")", R"(it's "here")"}},
        {"\tRECORD_PATH\tMedia\t''\r", Paths{"Media", ""}},
        {R"(RECORD_PATH "unterminated)", Paths{"unterminated", ""}},
        {R"(RECORD_PATHS "Media" "")", std::nullopt},
        {"RECORD_PATH \xff\xfe", std::nullopt}, // not text
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(ReaperProject::parseRecordPathLine(line), expected) << line;
}

// Read only as far as the line, from a regular file, never past the head; any trouble means no
// record path.
TEST(ReaperProjectTest, ReadsTheRecordPathBoundedAndQuietly)
{
    TempDir dir;
    const QByteArray head = "<REAPER_PROJECT 0.1 \"7.0/linux\" 1700000000\n  RIPPLE 0\n";
    const std::tuple<const char*, QByteArray, std::optional<Paths>> cases[] = {
        {"usual", head + "  RECORD_PATH \"Media\" \"\"\n  <TRACK\n  >\n>\n", Paths{"Media", ""}},
        {"none in the head", head + "  <TRACK\n    RECORD_PATH Media \"\"\n  >\n>\n", std::nullopt},
        {"binary", QByteArray(200000, '\0') + "\nRECORD_PATH Media \"\"\n", Paths{"Media", ""}},
        {"inside a long line", "NOTES " + QByteArray(200000, 'x') + " RECORD_PATH Media\n",
         std::nullopt},
        {"past the head's cap", QByteArray(5 * 1024 * 1024, '\n') + "RECORD_PATH Media \"\"\n",
         std::nullopt},
    };
    for (const auto& [label, contents, expected] : cases) {
        const QString path = dir.write(QStringLiteral("P/%1.RPP").arg(label), contents);
        EXPECT_EQ(ReaperProject::readRecordPaths(path), expected) << label;
    }

    // No regular file: a FIFO must not block.
    const QString fifo = dir.filePath(QStringLiteral("fifo.RPP"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString loop = dir.filePath(QStringLiteral("loop.RPP"));
    QFile::link(loop, loop);
    for (const QString& path : {fifo, loop, dir.makeFolder(QStringLiteral("folder.RPP")),
                                dir.filePath(QStringLiteral("gone.RPP"))})
        EXPECT_EQ(ReaperProject::readRecordPaths(path), std::nullopt) << path.toStdString();

    // The cache reads again once the file changes.
    ReaperProject project;
    const QString file = dir.write(QStringLiteral("C/Song.RPP"), "RECORD_PATH A \"\"\n");
    EXPECT_EQ(project.cachedRecordPaths(file), (Paths{"A", ""}));
    dir.write(QStringLiteral("C/Song.RPP"), "RECORD_PATH Bb \"\"\n");
    setModificationTime(file, 1700000000);
    EXPECT_EQ(project.cachedRecordPaths(file), (Paths{"Bb", ""}));
}

TEST(ReaperProjectTest, ResolvesRecordFoldersAgainstTheProjectFolder)
{
    const std::pair<Paths, QStringList> cases[] = {
        {{"Media/", "Media"}, {"/P/Media"}}, // one folder, listed once
        {{"", "/mnt/backup"}, {"/mnt/backup"}},
        {{"/P", " "}, {}}, // the project folder is listed anyway
    };
    for (const auto& [paths, expected] : cases) {
        EXPECT_EQ(ReaperProject::recordFolders(QStringLiteral("/P/Song.RPP"), paths), expected)
            << paths.primary.toStdString() << " | " << paths.secondary.toStdString();
    }
}

// Record folders that are no folders: detection goes on with the project folder, without blocking.
TEST(ReaperProjectTest, BadRecordFoldersLeaveTheProjectFolder)
{
    TempDir dir;
    const QString project = dir.write(QStringLiteral("P/Song.RPP"));
    writeAged(dir, QStringLiteral("P/Song-01-007.wav"), 60);
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString loop = dir.filePath(QStringLiteral("loop"));
    QFile::link(loop, loop);
    const QStringList folders{dir.write(QStringLiteral("a file")), fifo, loop,
                              dir.filePath(QStringLiteral("gone")), QStringLiteral("/proc/self")};

    DAWScanContext context;
    context.pattern = FilenamePattern::compile(FilenamePattern::defaultPattern()).pattern;
    const DAWSnapshot snapshot = ReaperProvider::detect(context, {project}, {}, fixedNow,
                                                        [&](const QString&) { return folders; });
    ASSERT_TRUE(snapshot.currentTake);
    EXPECT_EQ(snapshot.currentTake->recPass, QStringLiteral("007"));
    EXPECT_EQ(snapshot.takeFolder, dir.filePath(QStringLiteral("P")));
}

TEST(WinePathsTest, MapsDrivesThroughThePrefixAndFindsReapersSettings)
{
    TempDir prefix;
    prefix.makeFolder(QStringLiteral("drive_c/users/me/Documents"));
    prefix.makeFolder(QStringLiteral("dosdevices"));
    QFile::link(QStringLiteral("../drive_c"), prefix.filePath(QStringLiteral("dosdevices/c:")));
    QFile::link(QStringLiteral("/"), prefix.filePath(QStringLiteral("dosdevices/z:")));
    const QString driveC = prefix.filePath(QStringLiteral("drive_c"));

    const std::pair<const char*, std::optional<QString>> cases[] = {
        {R"(C:\users\me\Documents\Song.RPP)", driveC + "/users/me/Documents/Song.RPP"},
        {R"(Z:\tmp\takes)", QStringLiteral("/tmp/takes")},
        {R"(D:\Takes)", std::nullopt},         // no such drive in the prefix
        {R"(\\server\share\a)", std::nullopt}, // UNC
        {R"(C:Takes)", std::nullopt}, // the drive's current folder: unknown
    };
    for (const auto& [windows, expected] : cases)
        EXPECT_EQ(WinePaths::toLocal(prefix.path(), windows), expected) << windows;

    EXPECT_EQ(WinePaths::reaperConfigFile(prefix.path()), QString());
    const QString ini =
        prefix.write(QStringLiteral("drive_c/users/me/AppData/Roaming/REAPER/reaper.ini"), "x");
    prefix.makeFolder(QStringLiteral("drive_c/users/Public"));
    EXPECT_EQ(WinePaths::reaperConfigFile(prefix.path()), ini);
}
