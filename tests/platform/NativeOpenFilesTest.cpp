// The Linux native open-file reader against real processes.

#include "platform/HeldFiles.h"
#include "platform/RawFile.h"
#include "providers/SystemProbe.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using namespace quorvel;
using quorvel::test::HeldFiles;
using quorvel::test::RawFile;
using quorvel::test::TempDir;
using quorvel::test::uniqueCommandName;

namespace {

std::string show(const QStringList& list)
{
    return ("[" + list.join(QStringLiteral(" | ")) + "]").toStdString();
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

} // namespace

TEST(NativeOpenFilesTest, ListsAProcesssFilesInDescriptorOrderAndSkipsNamesThatAreNotUtf8)
{
    TempDir dir;
    const QString folder = dir.makeFolder(QStringLiteral("Media"));
    const RawFile files[] = {{folder, "A plain-01-001.wav"},
                             {folder, "B bad\xff-01-002.wav"},
                             {folder, "C [brackets] \xf0\x9f\x8e\xb5-01-003.wav"}};
    for (const RawFile& file : files)
        ASSERT_TRUE(file.created()) << file.path().constData();
    const QString name = uniqueCommandName("qvn");
    HeldFiles held(name, folder);
    ASSERT_TRUE(held.isReady());

    const QStringList paths = SystemProbe::nativeOpenFilePaths(QStringLiteral("/^%1$/").arg(name));
    const QStringList expected = {
        folder + QStringLiteral("/A plain-01-001.wav"),
        folder + QString::fromUtf8("/C [brackets] 🎵-01-003.wav"),
        folder + QStringLiteral("/A plain-01-001.wav"),
    };
    EXPECT_EQ(under(paths, folder), expected) << show(paths);
    // Standard input, output and error come first, as descriptors 0 to 2.
    ASSERT_GE(paths.size(), 6) << show(paths);
    EXPECT_FALSE(paths[0].startsWith(folder)) << show(paths);
}

TEST(NativeOpenFilesTest, ListsProcessesInIdOrder)
{
    TempDir dir;
    const QString first = dir.makeFolder(QStringLiteral("One"));
    const QString second = dir.makeFolder(QStringLiteral("Two"));
    dir.write(QStringLiteral("One/a.wav"));
    dir.write(QStringLiteral("Two/b.wav"));
    const QString prefix = uniqueCommandName("qvo");
    HeldFiles a(prefix + QStringLiteral("a"), first);
    HeldFiles b(prefix + QStringLiteral("b"), second);
    ASSERT_TRUE(a.isReady() && b.isReady());

    const QStringList paths = under(
        SystemProbe::nativeOpenFilePaths(QStringLiteral("/^%1[ab]$/").arg(prefix)), dir.path());
    const QString aFile = first + QStringLiteral("/a.wav");
    const QString bFile = second + QStringLiteral("/b.wav");
    const QStringList expected = a.processId() < b.processId()
                                     ? QStringList{aFile, aFile, bFile, bFile}
                                     : QStringList{bFile, bFile, aFile, aFile};
    EXPECT_EQ(paths, expected) << show(paths);
}

TEST(NativeOpenFilesTest, SelectsNothingForOtherNamesOrRefusedFilters)
{
    TempDir dir;
    const QString folder = dir.makeFolder(QStringLiteral("Media"));
    dir.write(QStringLiteral("Media/a.wav"));
    const QString name = uniqueCommandName("qvx");
    HeldFiles held(name, folder);
    ASSERT_TRUE(held.isReady());

    for (const QString& filter :
         {QStringLiteral("/^%1$/").arg(name + u'z'), QStringLiteral("^%1").arg(name),
          QStringLiteral("/(/"), QStringLiteral("/%1").arg(name)}) {
        EXPECT_TRUE(under(SystemProbe::nativeOpenFilePaths(filter), folder).isEmpty())
            << filter.toStdString();
    }
    EXPECT_FALSE(under(SystemProbe::nativeOpenFilePaths(name), folder).isEmpty());
}

// Processes that end while the reader walks /proc are skipped without harm.
TEST(NativeOpenFilesTest, SurvivesProcessesEndingMidWalk)
{
    TempDir dir;
    const QString folder = dir.makeFolder(QStringLiteral("Media"));
    for (int i = 0; i < 20; ++i)
        dir.write(QStringLiteral("Media/take-%1.wav").arg(i));
    const QString prefix = uniqueCommandName("qvc");
    const QString filter = QStringLiteral("/^%1/").arg(prefix);

    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    std::thread churn([&] {
        while (!stop) {
            auto held = std::make_unique<HeldFiles>(prefix, folder);
            if (held->isReady())
                ++started;
            held.reset();
        }
    });
    int reads = 0;
    int sawFiles = 0;
    while (reads < 2000 && (started < 20 || reads < 200)) {
        const QStringList paths = SystemProbe::nativeOpenFilePaths(filter);
        for (const QString& path : under(paths, folder))
            ASSERT_TRUE(path.startsWith(folder + QStringLiteral("/take-"))) << path.toStdString();
        sawFiles += under(paths, folder).isEmpty() ? 0 : 1;
        ++reads;
    }
    stop = true;
    churn.join();
    EXPECT_GT(started.load(), 0);
    std::printf("%d reads, %d saw files, %d holders started\n", reads, sawFiles, started.load());
}
