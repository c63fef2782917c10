#include "providers/FolderListings.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <map>

namespace quorvel {
namespace {

// name -> size of the regular files a listing holds.
std::map<QByteArray, qint64> sizes(const std::optional<std::vector<SystemProbe::FolderEntry>>& list)
{
    std::map<QByteArray, qint64> result;
    if (list) {
        for (const auto& entry : *list)
            result[entry.name] = entry.size;
    }
    return result;
}

bool isWav(std::string_view name)
{
    return name.ends_with(".wav");
}

// Every change made between two listings shows in the second, exactly as a fresh read shows it.
TEST(FolderListingsTest, FollowsEveryKindOfChangeBetweenListings)
{
    test::TempDir dir;
    dir.write("a.wav", "1");
    dir.write("notes.txt", "x");
    dir.write("gone.wav", "22");
    FolderListings listings;
    EXPECT_EQ(sizes(listings.list(dir.path(), isWav)),
              (std::map<QByteArray, qint64>{{"a.wav", 1}, {"gone.wav", 2}}));
    EXPECT_EQ(listings.status(dir.path()), "watched for changes");

    dir.write("b.wav", "333");
    QFile a(dir.filePath("a.wav"));
    ASSERT_TRUE(a.open(QIODevice::Append));
    a.write("more");
    a.flush();
    QFile::remove(dir.filePath("gone.wav"));
    QFile::rename(dir.filePath("notes.txt"), dir.filePath("renamed.wav"));

    const auto expected = std::map<QByteArray, qint64>{{"a.wav", 5}, {"b.wav", 3}, {"renamed.wav", 1}};
    EXPECT_EQ(sizes(listings.list(dir.path(), isWav)), expected);
    EXPECT_EQ(sizes(FolderListings().list(dir.path(), isWav)), expected) << "as a fresh read";
    // Another filter sees the same folder, the names it skipped before included.
    EXPECT_EQ(sizes(listings.list(dir.path())).size(), 3u);
}

TEST(FolderListingsTest, AFolderReplacedMovedOrTurnedIntoAFileIsReadAfresh)
{
    test::TempDir dir;
    const QString folder = dir.makeFolder("take");
    dir.write("take/old.wav", "1");
    FolderListings listings;
    ASSERT_EQ(sizes(listings.list(folder)).size(), 1u);

    ASSERT_TRUE(QDir().rename(folder, dir.filePath("moved")));
    dir.write("take/new.wav", "22");
    EXPECT_EQ(sizes(listings.list(folder)), (std::map<QByteArray, qint64>{{"new.wav", 2}}));
    dir.write("take/newer.wav", "333");
    EXPECT_EQ(sizes(listings.list(folder)).size(), 2u) << "the new folder is watched in turn";

    ASSERT_TRUE(QDir(folder).removeRecursively());
    EXPECT_FALSE(listings.list(folder));
    dir.write("take", "now a file");
    EXPECT_FALSE(listings.list(folder));
}

// The system's queue of changes holds some thousands; more between two listings are lost, and
// the listing must notice and read the folder again rather than miss names.
TEST(FolderListingsTest, LostChangeReportsLeadToAFullRead)
{
    test::TempDir dir;
    FolderListings listings;
    ASSERT_TRUE(listings.list(dir.path()));
    QFile limitFile(QStringLiteral("/proc/sys/fs/inotify/max_queued_events"));
    int limit = 16384;
    if (limitFile.open(QIODevice::ReadOnly))
        limit = limitFile.readAll().trimmed().toInt();
    const int count = limit + 100;
    for (int i = 0; i < count; ++i)
        dir.write(QStringLiteral("f%1").arg(i));
    EXPECT_EQ(sizes(listings.list(dir.path())).size(), static_cast<size_t>(count));
}

TEST(FolderListingsTest, FoldersBeyondTheWatchLimitAreReadInFullEveryTime)
{
    test::TempDir dir;
    const QString first = dir.makeFolder("one");
    const QString second = dir.makeFolder("two");
    FolderListings listings({.maxWatches = 1});
    listings.list(first);
    listings.list(second);
    EXPECT_EQ(listings.status(first), "watched for changes");
    EXPECT_EQ(listings.status(second), "listed in full on every scan (more than 1 folders are listed)");
    dir.write("two/late.wav", "1");
    EXPECT_EQ(sizes(listings.list(second)).size(), 1u);
}

} // namespace
} // namespace quorvel
