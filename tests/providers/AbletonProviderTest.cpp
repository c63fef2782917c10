#include "providers/AbletonProvider.h"

#include "platform/RawFile.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace quorvel;
using quorvel::test::TempDir;

namespace {

constexpr double fixedNow = 1700000000.0;
const FileTime now{std::chrono::seconds(1700000000)};

std::string describe(const DAWSnapshot& s)
{
    auto text = [](const std::optional<QString>& v) {
        return v ? "\"" + v->toStdString() + "\"" : std::string("none");
    };
    return "folder " + text(s.detectedFolder) + ", name " + text(s.projectName) + ", take " +
           (s.currentTake ? s.currentTake->filename.toStdString() : "none") +
           (s.isRecording ? ", recording" : ", idle");
}

QString clip(const QString& track, int number, int second = 0)
{
    return QStringLiteral("%1 %2 [2024-05-01 1011%3].wav")
        .arg(track)
        .arg(number, 4, 10, QLatin1Char('0'))
        .arg(second, 2, 10, QLatin1Char('0'));
}

DAWScanContext context(TakeDerivation rule = TakeDerivation::mode)
{
    DAWScanContext c;
    c.takeDerivation = rule;
    return c;
}

} // namespace

TEST(AbletonProviderTest, RunsAsLiveOrByBundleIdentifier)
{
    struct Case
    {
        RunningApplication app;
        bool running;
    } cases[] = {
        {{QStringLiteral("Live"), std::nullopt, true}, true},
        {{QStringLiteral("Live"), std::nullopt, false}, false},
        {{QStringLiteral("Live 12"), std::nullopt, true}, false},
        {{QStringLiteral("live"), std::nullopt, true}, false},
        {{std::nullopt, QStringLiteral("com.ableton.live"), false}, true},
        {{std::nullopt, QStringLiteral("com.ableton.live.beta"), false}, false},
        {{std::nullopt, std::nullopt, true}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AbletonProvider::isRunningAmong({c.app}), c.running)
            << c.app.localizedName.value_or("<none>").toStdString() << " / "
            << c.app.bundleIdentifier.value_or("<none>").toStdString();
    }
}

TEST(AbletonProviderTest, ReadsTrackNamesOfRecordedClips)
{
    struct Case
    {
        const char* filename;
        std::optional<QString> track;
    } cases[] = {
        {"Bass 2 0003 [2024-05-01 101112].wav", "Bass 2"},
        {"Bass 2 0004 [2024-05-01 101230].wav", "Bass 2"},
        {"1-Audio 0001 [2024-05-01 101112].aif", "1-Audio"},
        {"🎸 Lead [DI] 12 [2024-05-01 101112].wav", QString::fromUtf8("🎸 Lead [DI]")},
        {"Bass 2 0003.wav", std::nullopt},
        {"Bass 2 0003 [2024-05-01 10111].wav", std::nullopt},      // five time digits
        {"Bass 2 0003 [2024-05-01 101112].wav.asd", std::nullopt}, // two extensions
        {"bass 0003 [2024-05-01 101112].WAV", "bass"},
        {"Bass 0003 [2024-05-01 101112]", std::nullopt},
        {" 0003 [2024-05-01 101112].wav", std::nullopt}, // no track text
    };
    for (const auto& c : cases)
        EXPECT_EQ(AbletonProvider::trackName(QString::fromUtf8(c.filename)), c.track) << c.filename;
}

TEST(AbletonProviderTest, NamesTheProjectFromTheRecordedFolder)
{
    struct Case
    {
        const char* folder;
        std::optional<QString> name;
    } cases[] = {
        {"/U/My Song Project/Samples/Recorded", "My Song"},
        {"/U/Demo/Samples/Recorded", "Demo"},
        {"/U/Demo Project Project/Samples/Recorded", "Demo Project"},
        {"/U/demo project/Samples/Recorded", "demo project"},
        {"/U/ Project/Samples/Recorded", std::nullopt},
        {"/Samples/Recorded", "/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AbletonProvider::projectName(QString::fromUtf8(c.folder)), c.name) << c.folder;
}

TEST(AbletonProviderTest, DescribesItself)
{
    const AbletonProvider provider;
    EXPECT_EQ(provider.id(), DAWId::ableton);
    EXPECT_EQ(provider.displayName(), u"Ableton Live");
    EXPECT_EQ(provider.defaultFilenamePattern(),
              QStringLiteral(R"(\[(\d{4}-\d{2}-\d{2} \d{6})\]\.\w+$)"));
}

class AbletonDetectTest : public ::testing::Test
{
protected:
    void SetUp() override { m_recorded = m_dir.makeFolder("My Song Project/Samples/Recorded"); }

    // A clip with data (or empty), dated secondsAgo before the fixed now.
    QString write(const QString& name, double secondsAgo, bool withData = true)
    {
        const QString path = m_dir.write("My Song Project/Samples/Recorded/" + name,
                                         withData ? QByteArray("RIFF") : QByteArray());
        EXPECT_TRUE(test::setModificationTime(path, fixedNow - secondsAgo)) << name.toStdString();
        return path;
    }

    TempDir m_dir;
    QString m_recorded;
};

TEST_F(AbletonDetectTest, CountsClipsPerTrack)
{
    struct Case
    {
        std::map<QString, int> counts;
        int mode;
        int max;
    } cases[] = {
        {{{"A", 3}, {"B", 3}, {"C", 1}}, 3, 3},
        {{{"A", 2}, {"B", 2}, {"C", 3}, {"D", 3}}, 3, 3},
        {{{"A", 1}, {"B", 2}, {"C", 4}}, 4, 4},
        {{{"A", 2}, {"B", 2}, {"C", 5}}, 2, 5},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const QString folder = dir.makeFolder("Demo/Samples/Recorded");
        QStringList open;
        std::string label;
        for (const auto& [track, count] : c.counts) {
            label += track.toStdString() + "=" + std::to_string(count) + " ";
            for (int i = 1; i <= count; ++i) {
                const QString path = dir.write("Demo/Samples/Recorded/" + clip(track, i), "RIFF");
                test::setModificationTime(path, fixedNow - 60);
                open.append(path);
            }
        }
        for (TakeDerivation rule : allTakeDerivations) {
            const auto snapshot = AbletonProvider::detect(context(rule), {open.last()}, now);
            const int expected = rule == TakeDerivation::mode ? c.mode : c.max;
            EXPECT_EQ(snapshot.currentTake,
                      (RecordingPass{QStringLiteral("take-%1").arg(expected),
                                     QString::number(expected), std::nullopt}))
                << label << rawValue(rule).toStdString() << ": " << describe(snapshot);
            EXPECT_EQ(snapshot.detectedFolder, folder);
            EXPECT_EQ(snapshot.projectName, u"Demo");
            EXPECT_FALSE(snapshot.isRecording);
        }
    }
}

TEST_F(AbletonDetectTest, EmptyClipsFoldersAndOtherNamesDoNotCount)
{
    const QString open = write(clip("Bass 2", 3), 30);
    write(clip("Bass 2", 4), 1, false); // just created, still empty
    write(clip("Keys", 1), 30);
    m_dir.makeFolder("My Song Project/Samples/Recorded/" + clip("Keys", 2)); // a folder
    write(clip("Keys", 3) + ".asd", 1);                                      // analysis file
    write("notes.txt", 1);
    const auto snapshot = AbletonProvider::detect(context(TakeDerivation::max), {open}, now);
    EXPECT_EQ(snapshot.currentTake->recPass, u"1") << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"My Song");
}

TEST_F(AbletonDetectTest, RecordingWindowEdges)
{
    struct Case
    {
        double secondsAgo;
        bool recording;
    } cases[] = {{3.9, true}, {4.0, false}, {0.0, true}, {-5.0, true}, {100.0, false}};
    for (const auto& c : cases) {
        const QString path = write(clip("Vox", 1), c.secondsAgo);
        const auto snapshot = AbletonProvider::detect(context(), {path}, now);
        EXPECT_EQ(snapshot.isRecording, c.recording) << c.secondsAgo << " s ago";
    }
}

TEST_F(AbletonDetectTest, NeedsAnOpenRecording)
{
    write(clip("Vox", 1), 1);
    // Open files that are not recordings under Samples/Recorded settle nothing, in either mode.
    const QStringList open = {m_dir.filePath("My Song Project/My Song.als"),
                              m_dir.filePath("Elsewhere/" + clip("Vox", 1)), "pipe"};
    EXPECT_EQ(AbletonProvider::detect(context(), open, now), DAWSnapshot{});
    auto manual = context();
    manual.folderMode = FolderMode::manual;
    manual.manualFolder = m_recorded;
    EXPECT_EQ(AbletonProvider::detect(manual, open, now), DAWSnapshot{});
    EXPECT_EQ(AbletonProvider::detect(manual, {}, now), DAWSnapshot{});
}

TEST_F(AbletonDetectTest, ManualFolderModes)
{
    const QString open = write(clip("Vox", 1), 1);
    auto manual = context();
    manual.folderMode = FolderMode::manual;

    // No folder chosen: the common folder and its project, nothing more.
    auto snapshot = AbletonProvider::detect(manual, {open}, now);
    EXPECT_EQ(snapshot.detectedFolder, m_recorded) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"My Song");
    EXPECT_EQ(snapshot.currentTake, std::nullopt);
    EXPECT_FALSE(snapshot.isRecording);

    // A chosen folder is the one counted.
    const QString other = m_dir.makeFolder("Other Project/Samples/Recorded");
    for (int i = 1; i <= 2; ++i) {
        const QString path = m_dir.write("Other Project/Samples/Recorded/" + clip("Gtr", i), "x");
        test::setModificationTime(path, fixedNow - 100);
    }
    manual.manualFolder = other;
    snapshot = AbletonProvider::detect(manual, {open}, now);
    EXPECT_EQ(snapshot.detectedFolder, other) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Other");
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"2");
    EXPECT_FALSE(snapshot.isRecording);

    // A chosen folder that cannot be listed keeps folder and name, no take.
    manual.manualFolder = m_dir.filePath("Gone Project/Samples/Recorded");
    snapshot = AbletonProvider::detect(manual, {open}, now);
    EXPECT_EQ(snapshot.projectName, u"Gone") << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake, std::nullopt);
}

TEST_F(AbletonDetectTest, UnreadableEntriesDoNotCount)
{
    const QString open = write(clip("Vox", 1), 10);
    ASSERT_EQ(::symlink(qPrintable(clip("Loop", 1)),
                        QFile::encodeName(m_recorded + "/" + clip("Loop", 1)).constData()),
              0);
    // A newer clip of its own track that would raise the count, were its name readable.
    const test::RawFile bad(m_recorded, "Vox\xff 0002 [2024-05-01 101112].wav", "RIFF");
    ASSERT_TRUE(bad.created());
    const auto snapshot = AbletonProvider::detect(context(TakeDerivation::max), {open}, now);
    ASSERT_TRUE(snapshot.currentTake) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake->recPass, u"1") << describe(snapshot);
}
