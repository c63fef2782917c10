#include "providers/PerTrackProvider.h"

#include "app/StandardProviders.h"
#include "model/FilenamePattern.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <map>

using namespace quorvel;
using quorvel::test::TempDir;

namespace {

constexpr double fixedNow = 1700000000.0;
const FileTime now{std::chrono::seconds(1700000000)};

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

DAWScanContext contextFor(const PerTrackProvider& provider,
                          TakeDerivation rule = TakeDerivation::mode)
{
    DAWScanContext context;
    context.pattern = FilenamePattern::compile(provider.defaultFilenamePattern()).pattern;
    context.takeDerivation = rule;
    return context;
}

QString fileAged(const TempDir& dir, const QString& relative, double secondsAgo)
{
    const QString path = dir.write(relative, "RIFF");
    EXPECT_TRUE(test::setModificationTime(path, fixedNow - secondsAgo)) << relative.toStdString();
    return path;
}

std::string describe(const DAWSnapshot& s)
{
    auto text = [](const std::optional<QString>& v) {
        return v ? "\"" + v->toStdString() + "\"" : std::string("none");
    };
    return "folder " + text(s.detectedFolder) + ", project " + text(s.detectedProjectPath) +
           ", name " + text(s.projectName) + ", take " +
           (s.currentTake ? s.currentTake->recPass.toStdString() : "none") +
           (s.isRecording ? ", recording" : ", idle");
}

RecordingPass takeNumber(int n)
{
    return RecordingPass{QStringLiteral("take-%1").arg(n), QString::number(n), std::nullopt};
}

} // namespace

TEST(PerTrackProviderTest, RunsByBundlePrefixOrRegularApplicationName)
{
    struct Case
    {
        DAWId id;
        RunningApplication app;
        bool running;
    } cases[] = {
        {DAWId::logic, {QStringLiteral("Logic Pro"), std::nullopt, true}, true},
        {DAWId::logic, {QStringLiteral("Logic Pro X"), std::nullopt, true}, true}, // a prefix
        {DAWId::logic, {QStringLiteral("Logic Pro"), std::nullopt, false}, false}, // not regular
        {DAWId::logic, {QStringLiteral("logic pro"), std::nullopt, true}, false},
        {DAWId::logic, {std::nullopt, QStringLiteral("com.apple.logic10"), false}, true},
        {DAWId::logic, {std::nullopt, QStringLiteral("com.apple.logic10.beta"), false}, true},
        {DAWId::logic, {std::nullopt, QStringLiteral("com.apple.Logic10"), false}, false},
        {DAWId::protools, {QStringLiteral("Pro Tools"), std::nullopt, true}, true},
        {DAWId::protools, {std::nullopt, QStringLiteral("com.avid.ProTools"), false}, true},
        {DAWId::nuendo, {QStringLiteral("Nuendo 13"), std::nullopt, true}, true},
        {DAWId::cubase, {QStringLiteral("Cubase 12"), std::nullopt, true}, true},
        {DAWId::cubase, {QStringLiteral("Nuendo"), std::nullopt, true}, false},
        {DAWId::cubase, {std::nullopt, std::nullopt, true}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shipped(c.id).isRunningAmong({c.app}), c.running)
            << rawValue(c.id).toStdString() << " with "
            << c.app.localizedName.value_or("<none>").toStdString() << " / "
            << c.app.bundleIdentifier.value_or("<none>").toStdString();
    }
    EXPECT_FALSE(shipped(DAWId::logic).isRunningAmong({}));
}

TEST(PerTrackProviderTest, ParsesTakeIndexAndTrack)
{
    struct Case
    {
        DAWId id;
        const char* filename;
        std::optional<qint64> number;
        const char* track;
    } cases[] = {
        {DAWId::logic, "Audio 1#03.wav", 3, "Audio 1"},
        {DAWId::logic, "Lead Vox #05.wav", 5, "Lead Vox"},
        {DAWId::logic, "Bass#12.AIFF", 12, "Bass"},
        {DAWId::logic, "Bass#12.mp3", std::nullopt, ""},
        {DAWId::logic, "Bass_12.wav", std::nullopt, ""},
        {DAWId::logic, "Bass#99999999999999999999.wav", std::nullopt, ""}, // beyond 64 bits
        {DAWId::protools, "Vox_12.L.wav", 12, "Vox"},
        {DAWId::protools, "Vox_12.R.wav", 12, "Vox"},
        {DAWId::protools, "Vox_12.wav", 12, "Vox"},
        {DAWId::protools, "Vox_12.w64", std::nullopt, ""},
        {DAWId::protools, "Kick In_07.caf", 7, "Kick In"},
        {DAWId::nuendo, "Guitar_03.w64", 3, "Guitar"},
        {DAWId::nuendo, "Guitar_2_03.wav", 3, "Guitar_2"},
        {DAWId::cubase, "Guitar_03.W64", 3, "Guitar"},
        {DAWId::cubase, "🎸 [DI]_04.wav", 4, "🎸 [DI]"},
    };
    for (const auto& c : cases) {
        const auto& provider = shipped(c.id);
        const QString filename = QString::fromUtf8(c.filename);
        const auto index = PerTrackProvider::parseTakeIndex(filename, contextFor(provider).pattern);
        ASSERT_EQ(index.has_value(), c.number.has_value()) << c.filename;
        if (!index)
            continue;
        EXPECT_EQ(index->number, *c.number) << c.filename;
        EXPECT_EQ(PerTrackProvider::trackName(filename, index->token), QString::fromUtf8(c.track))
            << c.filename;
    }
    EXPECT_FALSE(PerTrackProvider::parseTakeIndex("Audio 1#03.wav", nullptr));
    // A pattern without groups, or whose group 1 is empty or not a number, gives nothing.
    for (const char* pattern : {R"(#\d+\.wav$)", R"(#(\d*)\.wav$)", R"(#(\w+)\.wav$)"}) {
        EXPECT_FALSE(PerTrackProvider::parseTakeIndex(
            "Audio#x.wav", FilenamePattern::compile(QString::fromUtf8(pattern)).pattern))
            << pattern;
    }
    EXPECT_EQ(PerTrackProvider::trackName("Take_1_1.wav", "_1.wav"), u"Take_1"); // last occurrence
}

TEST(PerTrackProviderTest, DerivesTheSessionTake)
{
    struct Case
    {
        std::vector<qint64> highs;
        qint64 mode;
        qint64 max;
    } cases[] = {
        {{3, 3, 7}, 3, 7},    {{5, 4}, 5, 5},    {{4, 4, 3}, 4, 4}, {{}, 0, 0},
        {{2, 2, 3, 3}, 3, 3}, {{1, 2, 4}, 4, 4}, {{9}, 9, 9},       {{0, 0, 5}, 0, 5},
    };
    for (const auto& c : cases) {
        std::string label;
        for (qint64 v : c.highs)
            label += std::to_string(v) + " ";
        EXPECT_EQ(PerTrackProvider::deriveTake(c.highs, TakeDerivation::mode), c.mode) << label;
        EXPECT_EQ(PerTrackProvider::deriveTake(c.highs, TakeDerivation::max), c.max) << label;
    }
}

TEST(PerTrackProviderTest, ResolvesProjectNameFromTheMediaSubfolder)
{
    struct Case
    {
        DAWId id;
        std::optional<QString> folder;
        std::optional<QString> name;
    } cases[] = {
        {DAWId::logic, "/S/Audio Files", "S"},         {DAWId::logic, "/S/audio files", "S"},
        {DAWId::logic, "/Audio Files", "Audio Files"}, {DAWId::logic, "/S/Audio", "Audio"},
        {DAWId::nuendo, "/Song/Audio", "Song"},        {DAWId::cubase, "/Song/Audio/", "Song"},
        {DAWId::protools, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shipped(c.id).resolveProjectName(c.folder), c.name)
            << c.folder.value_or("<none>").toStdString();
    }
}

class PerTrackDetectTest : public ::testing::Test
{
protected:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    TempDir m_dir;
};

TEST_F(PerTrackDetectTest, LogicRecordingCountsOnlyFreshFiles)
{
    const QStringList open = {
        fileAged(m_dir, "S/Audio Files/Audio 1#04.wav", 1.0),
        fileAged(m_dir, "S/Audio Files/Audio 2#04.wav", 3.9),
        fileAged(m_dir, "S/Audio Files/Bass#03.wav", 60.0),
        fileAged(m_dir, "S/Audio Files/Bass#09.wav", 4.0), // just outside the window
    };
    const auto& logic = shipped(DAWId::logic);
    for (TakeDerivation rule : allTakeDerivations) {
        const auto snapshot = logic.detect(contextFor(logic, rule), open, now);
        EXPECT_TRUE(snapshot.isRecording) << describe(snapshot);
        EXPECT_EQ(snapshot.currentTake, takeNumber(4))
            << rawValue(rule).toStdString() << " " << describe(snapshot);
        EXPECT_EQ(snapshot.detectedFolder, path("S/Audio Files"));
        EXPECT_EQ(snapshot.detectedProjectPath, std::nullopt);
        EXPECT_EQ(snapshot.projectName, u"S");
    }
}

TEST_F(PerTrackDetectTest, LogicIdleCountsEveryFile)
{
    const QStringList open = {
        fileAged(m_dir, "S/Audio Files/Audio 1#04.wav", 10.0),
        fileAged(m_dir, "S/Audio Files/Audio 2#04.wav", 10.0),
        fileAged(m_dir, "S/Audio Files/Bass#03.wav", 60.0),
    };
    const auto& logic = shipped(DAWId::logic);
    for (TakeDerivation rule : allTakeDerivations) {
        const auto snapshot = logic.detect(contextFor(logic, rule), open, now);
        EXPECT_FALSE(snapshot.isRecording) << describe(snapshot);
        EXPECT_EQ(snapshot.currentTake, takeNumber(4)) << describe(snapshot);
    }
}

TEST_F(PerTrackDetectTest, OneTrackAheadSplitsTheRules)
{
    const QStringList open = {
        fileAged(m_dir, "S/Audio Files/Audio 1#03.wav", 10.0),
        fileAged(m_dir, "S/Audio Files/Audio 2#03.wav", 10.0),
        fileAged(m_dir, "S/Audio Files/Audio 3#07.wav", 10.0),
        // Two files of one track: its high is the larger.
        fileAged(m_dir, "S/Audio Files/Audio 1#02.wav", 10.0),
    };
    const auto& logic = shipped(DAWId::logic);
    EXPECT_EQ(logic.detect(contextFor(logic, TakeDerivation::mode), open, now).currentTake,
              takeNumber(3));
    EXPECT_EQ(logic.detect(contextFor(logic, TakeDerivation::max), open, now).currentTake,
              takeNumber(7));
}

TEST_F(PerTrackDetectTest, StereoHalvesAreOneTrack)
{
    const QStringList open = {
        fileAged(m_dir, "PT/Audio Files/Vox_12.L.wav", 1.0),
        fileAged(m_dir, "PT/Audio Files/Vox_12.R.wav", 1.0),
        fileAged(m_dir, "PT/Audio Files/Gtr_11.wav", 1.0),
        fileAged(m_dir, "PT/Audio Files/Keys_11.wav", 1.0),
    };
    // Were the halves two tracks, 12 would tie 11 two to two and win; as one track, 11 wins.
    const auto& protools = shipped(DAWId::protools);
    const auto snapshot = protools.detect(contextFor(protools), open, now);
    EXPECT_EQ(snapshot.currentTake, takeNumber(11)) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"PT");
}

TEST_F(PerTrackDetectTest, SameFileOpenTwiceCountsOnce)
{
    const QString a = fileAged(m_dir, "N/Audio/Gtr_05.wav", 10.0);
    const QString b = fileAged(m_dir, "N/Audio/Bass_04.wav", 10.0);
    const QString c = fileAged(m_dir, "N/Audio/Keys_04.wav", 10.0);
    const auto& nuendo = shipped(DAWId::nuendo);
    EXPECT_EQ(nuendo.detect(contextFor(nuendo), {a, a, a, b, c}, now).currentTake, takeNumber(4));
}

TEST_F(PerTrackDetectTest, ManualFolderWithoutTheOpenFiles)
{
    const QString open = fileAged(m_dir, "S/Audio Files/Audio 1#04.wav", 1.0);
    const auto& logic = shipped(DAWId::logic);
    auto context = contextFor(logic);
    context.folderMode = FolderMode::manual;
    context.manualFolder = m_dir.makeFolder("Other/Audio Files");
    auto snapshot = logic.detect(context, {open}, now);
    EXPECT_EQ(snapshot.detectedFolder, path("S/Audio Files")) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, u"Other") << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake, std::nullopt) << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording);

    context.manualFolder = path("Deleted/Audio Files"); // no longer exists
    snapshot = logic.detect(context, {open}, now);
    EXPECT_EQ(snapshot.projectName, u"Deleted") << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake, std::nullopt) << describe(snapshot);

    context.manualFolder = std::nullopt;
    snapshot = logic.detect(context, {open}, now);
    EXPECT_EQ(snapshot.detectedFolder, path("S/Audio Files")) << describe(snapshot);
    EXPECT_EQ(snapshot.projectName, std::nullopt) << describe(snapshot);
    EXPECT_EQ(snapshot.currentTake, std::nullopt) << describe(snapshot);

    context.manualFolder = path("S"); // a folder above the open files still holds them
    snapshot = logic.detect(context, {open}, now);
    EXPECT_EQ(snapshot.currentTake, takeNumber(4)) << describe(snapshot);
    EXPECT_TRUE(snapshot.isRecording);
}

TEST_F(PerTrackDetectTest, NothingParsesGivesAnEmptySnapshot)
{
    const auto& logic = shipped(DAWId::logic);
    const QStringList open = {"/usr/lib/libc.so.6", "pipe", fileAged(m_dir, "S/x.wav", 1.0)};
    EXPECT_EQ(logic.detect(contextFor(logic), open, now), DAWSnapshot{});
    auto context = contextFor(logic);
    context.pattern = nullptr;
    EXPECT_EQ(logic.detect(context, {path("S/Audio 1#04.wav")}, now), DAWSnapshot{});
}

TEST_F(PerTrackDetectTest, VanishedFileCountsAsOld)
{
    const auto& cubase = shipped(DAWId::cubase);
    const QString gone = path("C/Audio/Gtr_09.wav");
    const QString kept = fileAged(m_dir, "C/Audio/Bass_09.wav", 20.0);
    const auto snapshot = cubase.detect(contextFor(cubase), {gone, kept}, now);
    EXPECT_EQ(snapshot.currentTake, takeNumber(9)) << describe(snapshot);
    EXPECT_FALSE(snapshot.isRecording);
}
