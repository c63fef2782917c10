#include "providers/ArdourProvider.h"

#include "providers/DetectionFixtures.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

TEST(ArdourProviderTest, TakesRecordedFileNamesApart)
{
    // The name; its base (none: not a recorded file's name), counter and take.
    const std::tuple<const char*, const char*, qint64, std::optional<qint64>> cases[] = {
        {"Take12_Piano-1%L.wav", "Take12_Piano", 1, 12},
        {"Take3_02_Audio 1-1%R.wav", "Take3_02_Audio 1", 1, 3}, // with the track number
        {"Multi-1%c.w64", "Multi", 1, std::nullopt},       // 3 to 26 channels
        {"Multi-1%99.wav", "Multi", 1, std::nullopt},      // the same before Ardour 7.4
        {"A-1-3.flac", "A-1", 3, std::nullopt},            // "-" in the track name
        {"Bass%L-1.wav", "Bass%L", 1, std::nullopt},       // "%" in a mono track's name
        {"Verse_Gtr-1.wav", "Verse_Gtr", 1, std::nullopt}, // a take name without a number
        {"Gtr-x.wav", nullptr, 0, std::nullopt},
        {"-1.wav", nullptr, 0, std::nullopt},
    };
    for (const auto& [name, base, counter, take] : cases) {
        const auto parsed = ArdourProvider::parseName(name);
        ASSERT_EQ(parsed.has_value(), base != nullptr) << name;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->base, QByteArray(base)) << name;
        EXPECT_EQ(parsed->counter, counter) << name;
        EXPECT_EQ(parsed->take, take) << name;
    }
}

// A session as Ardour lays it out, its takes dated against the fixed clock.
class ArdourSessionTest : public ::testing::Test
{
protected:
    const QString audio = QStringLiteral("Song/interchange/Song/audiofiles");

    DAWSnapshot detect(const char* files, const char* prefixOption,
                       TakeDerivation rule = TakeDerivation::mode)
    {
        writeFiles(dir, audio, files);
        if (prefixOption) {
            dir.write(QStringLiteral("Song/Song.ardour"),
                      QByteArray("<Session version=\"7003\">\n<Config>\n<Option "
                                 "name=\"track-name-number\" value=\"0\"/>\n<Option "
                                 "name=\"track-name-take\" value=\"") +
                          prefixOption + "\"/>\n</Config>\n</Session>\n");
        }
        DAWScanContext context;
        context.takeDerivation = rule;
        return ArdourProvider::detect(context, {dir.filePath(audio + "/Take9_Other-1.wav")},
                                      fixedNow, &ArdourProvider::readSessionOptions);
    }

    TempDir dir;
};

// With the session's "Prefix Take Name" on (or, without a session file, names that carry it) the
// prefixed number is the take; without it, the tracks' counts are. The plain passes of both modes,
// stereo tracks included, are the end-to-end run's with the real Ardour.
TEST_F(ArdourSessionTest, ThePrefixedTakeNameOrTheTracksCountsGiveTheTake)
{
    const auto mode = TakeDerivation::mode;
    // Each: what it shows, the files, the session's prefix option (none: no session file), the
    // rule, and the take and recording state detected.
    const std::tuple<const char*, const char*, const char*, TakeDerivation, int, bool> cases[] = {
        {"the take name set back: the newest pass counts", "Take5_Gtr-1.wav:90 Take1_Gtr-2.wav:30",
         "1", mode, 1, false},
        {"no session file: the names tell", "Take1_Gtr-1.wav:90 Take2_Gtr-1.wav:30", nullptr, mode,
         2, false},
        {"a take name without a number: the tracks' counts", "Verse_Gtr-1.wav:30", "1", mode, 1,
         false},
        {"no prefix, recording: only this pass's files",
         "Gtr-1.wav:90 Gtr-2.wav:60 Gtr-3.wav:1 Keys-2.wav:60 "
         "Keys-3.wav:1 Bass-1.wav:1",
         "0", mode, 3, true},
        {"a track that ran ahead, by the most common", "A-3.wav:60 B-3.wav:60 C-7.wav:60", "0",
         mode, 3, false},
        {"a track that ran ahead, by the highest", "A-3.wav:60 B-3.wav:60 C-7.wav:60", "0",
         TakeDerivation::max, 7, false},
        // "_7" in the track's name reads as a take prefix unless the session says otherwise.
        {"the session's option over the names", "Mic_7-1.wav:90 Mic_7-2.wav:60", "0", mode, 2,
         false},
    };
    for (const auto& [label, files, prefixOption, rule, take, recording] : cases) {
        TempDir fresh;
        std::swap(dir, fresh);
        const DAWSnapshot snapshot = detect(files, prefixOption, rule);
        EXPECT_EQ(snapshot.currentTake, countedTake(take)) << label;
        EXPECT_EQ(snapshot.isRecording, recording) << label;
        EXPECT_EQ(snapshot.detectedFolder, dir.filePath(audio)) << label;
        EXPECT_EQ(snapshot.takeFolder, dir.filePath(audio)) << label;
        EXPECT_EQ(snapshot.projectName, QStringLiteral("Song")) << label;
        EXPECT_EQ(snapshot.detectedProjectPath,
                  prefixOption ? std::optional(dir.filePath("Song/Song.ardour")) : std::nullopt)
            << label;
    }
}

TEST_F(ArdourSessionTest, FindsTheSessionFromTheOpenTakesAndGoesOnWithWhatItHas)
{
    writeFiles(dir, audio, "Take1_Gtr-1.wav:30");
    const QString take = dir.filePath(audio + "/Take1_Gtr-1.wav");
    DAWScanContext context;

    // Nothing open: the previous folder.
    context.previousDetectedFolder = dir.filePath(audio);
    const DAWSnapshot previous = ArdourProvider::detect(context, {}, fixedNow);
    EXPECT_EQ(previous.detectedFolder, dir.filePath(audio));
    EXPECT_EQ(previous.currentTake, countedTake(1));
    // Audio outside the session layout is no Ardour take.
    context.previousDetectedFolder.reset();
    const DAWSnapshot outside =
        ArdourProvider::detect(context, {dir.write("Other/Audio/Gtr-1.wav")}, fixedNow);
    EXPECT_EQ(outside.detectedFolder, std::nullopt);
    EXPECT_EQ(outside.currentTake, std::nullopt);

    // A folder the user picked is listed as it is, in any layout.
    context.folderMode = FolderMode::manual;
    context.manualFolder = dir.filePath("Other/Audio");
    const DAWSnapshot manual = ArdourProvider::detect(context, {take}, fixedNow);
    EXPECT_EQ(manual.detectedFolder, dir.filePath(audio));
    EXPECT_EQ(manual.projectName, QStringLiteral("Audio"));
    EXPECT_EQ(manual.currentTake, countedTake(1));
}
