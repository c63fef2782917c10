#include "providers/AbletonProvider.h"

#include "platform/FileFixtures.h"
#include "providers/DetectionFixtures.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A recorded clip's name: "Vox 0002 [2024-05-01 101100].wav".
QString clip(const QString& track, int number)
{
    return QStringLiteral("%1 %2 [2024-05-01 101100].wav")
        .arg(track)
        .arg(number, 4, 10, QLatin1Char('0'));
}

} // namespace

// Tracks from the names of recorded clips, projects from the Recorded folder (the plain cases show
// in the detections below).
TEST(AbletonProviderTest, ReadsTrackAndProjectNames)
{
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"Bass 2 0003 [2024-05-01 101112].wav", "Bass 2"},
        {"🎸 Lead [DI] 12 [2024-05-01 101112].wav", QString::fromUtf8("🎸 Lead [DI]")},
        {"Bass 2 0003.wav", std::nullopt},
        {"Bass 2 0003 [2024-05-01 101112].wav.asd", std::nullopt}, // Live's analysis file
    };
    for (const auto& [filename, track] : cases)
        EXPECT_EQ(AbletonProvider::trackName(QString::fromUtf8(filename)), track) << filename;

    const std::pair<const char*, std::optional<QString>> projects[] = {
        {"/U/Demo Project Project/Samples/Recorded", "Demo Project"},
        {"/U/demo project/Samples/Recorded", "demo project"},
        {"/U/ Project/Samples/Recorded", std::nullopt},
    };
    for (const auto& [folder, name] : projects)
        EXPECT_EQ(AbletonProvider::projectName(QString::fromUtf8(folder)), name) << folder;
}

// One tree, and the folder each scan settles on (paths relative to the tree). Of the entries in
// My Song only the one clip with data counts: not an empty clip, a folder, other names, a link
// loop or names that are not UTF-8.
TEST(AbletonProviderTest, CountsTheFolderOfTheOpenRecordingsOrTheManualChoice)
{
    TempDir dir;
    const QString mySong = dir.makeFolder("My Song Project/Samples/Recorded");
    const QStringList bass = {
        writeAged(dir, "My Song Project/Samples/Recorded/" + clip("Bass", 1), 30)};
    writeAged(dir, "My Song Project/Samples/Recorded/" + clip("Bass", 2), 1, ""); // still empty
    writeAged(dir, "My Song Project/Samples/Recorded/" + clip("Bass", 3) + ".asd", 1);
    dir.makeFolder("My Song Project/Samples/Recorded/" + clip("Bass", 4));
    const QByteArray loop = QFile::encodeName(mySong + "/" + clip("Bass", 5));
    ASSERT_EQ(::symlink(loop.constData(), loop.constData()), 0);
    // Dated now, after fixedNow: they would change the take and the recording state if counted.
    const RawFile bad1(mySong, "Keys\xff 0001 [2024-05-01 101112].wav", "RIFF");
    const RawFile bad2(mySong, "Keys\xff 0002 [2024-05-01 101112].wav", "RIFF");
    ASSERT_TRUE(bad1.created && bad2.created);
    writeAged(dir, "Other Project/Samples/Recorded/" + clip("Gtr", 1), 100);
    writeAged(dir, "Other Project/Samples/Recorded/" + clip("Gtr", 2), 2);
    const QStringList noRecording = {dir.filePath("My Song Project/My Song.als"),
                                     dir.filePath("Elsewhere/" + clip("Vox", 1)), "pipe"};
    const char* automatic = nullptr;
    struct Case
    {
        const char* label;
        const QStringList& open;
        const char *manual, *folder, *name; // manual: automatic or a folder
        int take;                           // 0: none
        bool recording;
    } cases[] = {
        {"the open recording's folder", bass, automatic, "My Song Project/Samples/Recorded",
         "My Song", 1, false},
        {"no open recording: nothing", noRecording, automatic, nullptr, nullptr, 0, false},
        {"the manual folder is counted", bass, "Other Project/Samples/Recorded",
         "Other Project/Samples/Recorded", "Other", 2, true},
        {"a manual folder that cannot be listed", bass, "Gone Project/Samples/Recorded",
         "Gone Project/Samples/Recorded", "Gone", 0, false},
    };
    for (const auto& c : cases) {
        DAWScanContext context;
        if (c.manual != automatic) {
            context.folderMode = FolderMode::manual;
            context.manualFolder = dir.filePath(c.manual);
        }
        DAWSnapshot expected;
        if (c.folder) {
            expected = {dir.filePath(c.folder),
                        std::nullopt,
                        QString(c.name),
                        c.take ? std::optional(countedTake(c.take)) : std::nullopt,
                        c.recording,
                        std::nullopt};
        }
        EXPECT_EQ(AbletonProvider::detect(context, c.open, fixedNow), expected) << c.label;
    }
}
