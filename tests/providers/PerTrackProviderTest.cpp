#include "providers/PerTrackProvider.h"

#include "app/StandardProviders.h"
#include "model/FilenamePattern.h"
#include "providers/DetectionFixtures.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The configurations the application ships with, so the tests exercise the real values.
const PerTrackProvider& shipped(DAWId id)
{
    static const auto providers = standardProviders();
    for (const auto& provider : providers) {
        if (provider->id() == id)
            return dynamic_cast<const PerTrackProvider&>(*provider);
    }
    throw std::logic_error("no such provider");
}

CompiledPattern compiled(const QString& pattern)
{
    return FilenamePattern::compile(pattern).pattern;
}

} // namespace

TEST(PerTrackProviderTest, ParsesTakeIndexAndTrack)
{
    const QString logic = shipped(DAWId::logic).defaultFilenamePattern();
    const QString protools = shipped(DAWId::protools).defaultFilenamePattern();
    const QString cubase = shipped(DAWId::cubase).defaultFilenamePattern();
    const std::tuple<QString, const char*, std::optional<qint64>, const char*> cases[] = {
        {logic, "Lead Vox #05.wav", 5, "Lead Vox"},
        {logic, "Bass#99999999999999999999.wav", std::nullopt, ""}, // beyond 64 bits
        {protools, "Vox_12.L.wav", 12, "Vox"},
        {protools, "A_03.wav B_03.wav", 3, "A_03.wav B"}, // the token's last occurrence
        {cubase, "Guitar_2_03.w64", 3, "Guitar_2"},
        {cubase, "\t🎸 [DI]\u00a0_04.wav", 4, "🎸 [DI]"},
        {R"(#\d+\.wav$)", "Audio#1.wav", std::nullopt, ""}, // no group 1
    };
    for (const auto& [pattern, filename, number, track] : cases) {
        const auto index = PerTrackProvider::parseTakeIndex(filename, compiled(pattern));
        EXPECT_EQ(index ? std::optional(index->number) : std::nullopt, number) << filename;
        if (index) {
            EXPECT_EQ(PerTrackProvider::trackName(filename, index->token), QString(track))
                << filename;
        }
    }
    EXPECT_FALSE(PerTrackProvider::parseTakeIndex("Audio 1#03.wav", nullptr));
}

TEST(PerTrackProviderTest, DerivesTheSessionTake)
{
    const std::tuple<std::vector<qint64>, qint64, qint64> cases[] = {
        {{3, 3, 7}, 3, 7}, {{4, 4, 3}, 4, 4}, {{}, 0, 0}, {{1, 2, 4}, 4, 4}, {{0, 0, 5}, 0, 5},
    };
    for (const auto& [highs, mode, max] : cases) {
        const std::string label = ::testing::PrintToString(highs);
        EXPECT_EQ(PerTrackProvider::deriveTake(highs, TakeDerivation::mode), mode) << label;
        EXPECT_EQ(PerTrackProvider::deriveTake(highs, TakeDerivation::max), max) << label;
    }
}

// Whole detections over real files, all open; each row's files lie in its base folder, which is
// the folder detection should report, and the project is named after the folder above the media
// folder. (Pro Tools' stereo halves are the end-to-end run's.)
TEST(PerTrackProviderTest, DetectsFromTheOpenFiles)
{
    const char* automatic = nullptr;
    const char* manualNone = "";
    struct Case
    {
        const char *label, *base, *files; // files: name:age, see writeFiles
        const char* manual;               // automatic, manualNone or the manual folder
        DAWId id;
        TakeDerivation rule;
        const char* name;
        qint64 take; // 0: none
        bool recording;
    } cases[] = {
        {"recording: only files within 4 s count", "S/Audio Files",
         "Vox#04.wav:1 Gtr#06.wav:3.9 Bass#03.wav:60 Bass#09.wav:4", automatic, DAWId::logic,
         TakeDerivation::max, "S", 6, true},
        {"idle: every file counts", "S/Audio Files", "Vox#04.wav:10 Gtr#04.wav:10 Bass#05.wav:60",
         automatic, DAWId::logic, TakeDerivation::mode, "S", 4, false},
        {"two files of one track: the higher counts, once", "S",
         "A#05.wav:9 A#02.wav:9 B#02.wav:9 C#05.wav:9 D#02.wav:9", automatic, DAWId::logic,
         TakeDerivation::mode, "S", 5, false},
        {"a vanished file counts, as old", "C/Audio", "Gtr_10.wav:gone Bass_09.wav:20", automatic,
         DAWId::cubase, TakeDerivation::max, "C", 10, false},
        {"manual folder without the open files", "S/Audio Files", "Vox#04.wav:1",
         "Other/Audio Files", DAWId::logic, TakeDerivation::mode, "Other", 0, false},
        {"manual, no folder chosen", "S/Audio Files", "Vox#04.wav:1", manualNone, DAWId::logic,
         TakeDerivation::mode, nullptr, 0, false},
        {"manual folder above the open files", "S/Audio Files", "Vox#04.wav:1", "S", DAWId::logic,
         TakeDerivation::mode, "S", 4, true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const QStringList open = QStringList{"pipe"} + writeFiles(dir, c.base, c.files);
        DAWScanContext context;
        context.pattern = compiled(shipped(c.id).defaultFilenamePattern());
        context.takeDerivation = c.rule;
        if (c.manual != automatic) {
            context.folderMode = FolderMode::manual;
            if (c.manual != manualNone)
                context.manualFolder = dir.filePath(c.manual);
        }
        const DAWSnapshot expected{dir.filePath(c.base),
                                   std::nullopt,
                                   c.name ? std::optional(QString(c.name)) : std::nullopt,
                                   c.take ? std::optional(countedTake(c.take)) : std::nullopt,
                                   c.recording,
                                   std::nullopt};
        EXPECT_EQ(shipped(c.id).detect(context, open, fixedNow), expected) << c.label;
    }

    TempDir dir;
    DAWScanContext context;
    context.pattern = compiled(shipped(DAWId::logic).defaultFilenamePattern());
    const QStringList unparsed = {"/usr/lib/libc.so.6", "pipe", writeAged(dir, "S/x.wav", 1)};
    EXPECT_EQ(shipped(DAWId::logic).detect(context, unparsed, fixedNow), DAWSnapshot{})
        << "nothing parses";
}
