#include "model/FolderWatcher.h"

#include "model/FilenamePattern.h"
#include "model/RegexSearch.h"
#include "model/UserDefaults.h"
#include "providers/SystemProbe.h"
#include "support/FakeProvider.h"
#include "support/Poll.h"
#include "support/RawSettings.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quorvel;
using namespace quorvel::test;
using namespace std::chrono_literals;

namespace {

// Ticks only when a test says so: the timer's interval is far beyond any test's length.
class FolderWatcherTest : public ::testing::Test
{
protected:
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Quorvel.conf")); }

    std::optional<QString> storedPattern() const
    {
        const QVariant value = readRawSetting(iniPath(), QStringLiteral("filenamePattern"));
        return value.isValid() ? std::optional<QString>(value.toString()) : std::nullopt;
    }

    // The rec-pass the REAPER pattern in force reads from a name.
    std::optional<QString> reaperRecPass(const QString& name) const
    {
        const auto match = RegexSearch::firstMatch(m_watcher->compiledPattern(DAWId::reaper), name);
        return match ? match->group(2) : std::nullopt;
    }

    // Builds the watcher over the settings file and waits for the scan its construction starts.
    FolderWatcher& start()
    {
        m_settings = std::make_unique<UserDefaults>(iniPath());
        m_settings->registerApplicationDefaults();
        m_watcher = std::make_unique<FolderWatcher>(
            FolderWatcher::ProviderList{m_reaper, m_logic, m_ableton}, *m_settings, nullptr,
            std::chrono::hours(1));
        m_applied = m_changed = 0;
        QObject::connect(m_watcher.get(), &FolderWatcher::scanApplied, [this] { ++m_applied; });
        QObject::connect(m_watcher.get(), &FolderWatcher::changed, [this] { ++m_changed; });
        waitForApplies(1);
        return *m_watcher;
    }

    void waitForApplies(int count)
    {
        ASSERT_TRUE(pollUntil([&] { return m_applied >= count; })) << "applied " << m_applied;
    }

    // One full round: tick, scan, apply.
    void tickAndWait()
    {
        const int before = m_applied;
        m_watcher->tick();
        waitForApplies(before + 1);
    }

    // isRunning and scan calls of REAPER, Logic Pro and Ableton Live, in that order.
    std::vector<int> calls() const
    {
        return {m_reaper->isRunningCalls(), m_reaper->scanCalls(),       m_logic->isRunningCalls(),
                m_logic->scanCalls(),       m_ableton->isRunningCalls(), m_ableton->scanCalls()};
    }

    FolderWatcher::ScanResult result(const std::shared_ptr<FakeProvider>& provider,
                                     DAWSnapshot snapshot) const
    {
        return {provider, std::move(snapshot), nullptr};
    }

    TempDir m_dir;
    std::shared_ptr<FakeProvider> m_reaper =
        std::make_shared<FakeProvider>(DAWId::reaper, QStringLiteral("REAPER"));
    std::shared_ptr<FakeProvider> m_logic = std::make_shared<FakeProvider>(
        DAWId::logic, QStringLiteral("Logic Pro"), QStringLiteral(R"(#(\d+)\.wav$)"));
    // Its pattern does not compile.
    std::shared_ptr<FakeProvider> m_ableton =
        std::make_shared<FakeProvider>(DAWId::ableton, QStringLiteral("Ableton Live"), "(");
    std::unique_ptr<UserDefaults> m_settings;
    std::unique_ptr<FolderWatcher> m_watcher;
    int m_applied = 0;
    int m_changed = 0;
};

} // namespace

TEST_F(FolderWatcherTest, AutomaticScansEveryRunningProviderManualAsksOnlyThePinnedOne)
{
    m_logic->setRunning(false);
    start();
    EXPECT_EQ(calls(), (std::vector{1, 1, 1, 0, 1, 1}));
    EXPECT_EQ(m_watcher->detectedDAWName(), QStringLiteral("REAPER"));

    m_watcher.reset();
    storeRawSetting(iniPath(), "dawSelection", "logic");
    start();
    EXPECT_EQ(calls(), (std::vector{1, 1, 2, 0, 1, 1}));
    EXPECT_EQ(m_watcher->detectedDAWName(), std::nullopt);
    m_logic->setRunning(true);
    tickAndWait();
    EXPECT_EQ(calls(), (std::vector{1, 1, 3, 1, 1, 1}));
    EXPECT_EQ(m_watcher->detectedDAWName(), QStringLiteral("Logic Pro"));
}

TEST_F(FolderWatcherTest, ContextsCarryTheSettingsPatternsAndLastDetectionAndChoicesHold)
{
    DAWSnapshot found;
    found.detectedFolder = QStringLiteral("/sessions/a/Media");
    found.detectedProjectPath = QStringLiteral("/sessions/a/a.RPP");
    m_reaper->queueSnapshots({found, DAWSnapshot{}});
    start();
    m_watcher->setTakeDerivation(TakeDerivation::max);
    m_watcher->selectManualFolder([](const QString&) { return std::optional<QString>("/m"); });
    tickAndWait();
    tickAndWait();

    const auto contexts = m_reaper->contexts();
    ASSERT_EQ(contexts.size(), 3u);
    EXPECT_EQ(contexts[0].previousDetectedFolder, std::nullopt);
    EXPECT_EQ(contexts[1].previousDetectedFolder, found.detectedFolder);
    EXPECT_EQ(contexts[1].previousDetectedProjectPath, found.detectedProjectPath);
    // The next round hands back what the last one reported, even when that was nothing.
    EXPECT_EQ(contexts[2].previousDetectedFolder, std::nullopt);
    EXPECT_EQ(contexts[1].folderMode, FolderMode::manual);
    EXPECT_EQ(contexts[1].manualFolder, QStringLiteral("/m"));
    EXPECT_EQ(contexts[1].takeDerivation, TakeDerivation::max);
    EXPECT_EQ(contexts[1].pattern, m_watcher->compiledPattern(DAWId::reaper));
    // Each DAW its own built-in pattern; one that does not compile leaves its DAW without.
    EXPECT_NE(m_logic->contexts().at(0).pattern, contexts[1].pattern);
    EXPECT_EQ(m_ableton->contexts().at(0).pattern, nullptr);

    // The choices made through the watcher reach the store and hold for the next one (the store
    // itself is UserDefaultsTest's).
    m_watcher->setShowNextTakeWhenIdle(false);
    m_watcher->setDawSelection(DAWSelection::manual(DAWId::nuendo));
    m_watcher.reset();
    start();
    EXPECT_FALSE(m_watcher->showNextTakeWhenIdle());
    EXPECT_EQ(m_watcher->dawSelection(), DAWSelection::manual(DAWId::nuendo));
    EXPECT_EQ(m_watcher->takeDerivation(), TakeDerivation::max);
    EXPECT_EQ(m_watcher->folderMode(), FolderMode::manual);
    EXPECT_EQ(m_watcher->effectiveFolderURL(), QStringLiteral("/m"));
}

TEST_F(FolderWatcherTest, ChoosesRecordingThenTakeThenFirstInProviderOrder)
{
    start();
    const DAWSnapshot idle = snapshotWithTake(QStringLiteral("4"), false);
    const DAWSnapshot recording = snapshotWithTake(QStringLiteral("9"), true);
    const std::tuple<const char*, std::vector<FolderWatcher::ScanResult>, const char*> cases[] = {
        {"recording beats idle", {result(m_reaper, idle), result(m_logic, recording)}, "Logic Pro"},
        {"both idle: list order", {result(m_reaper, idle), result(m_logic, idle)}, "REAPER"},
        {"a take beats none", {result(m_reaper, {}), result(m_ableton, idle)}, "Ableton Live"},
        {"nothing anywhere: the first", {result(m_logic, {}), result(m_ableton, {})}, "Logic Pro"},
        {"no results", {}, nullptr},
    };
    for (const auto& [name, results, daw] : cases) {
        m_watcher->apply(results);
        EXPECT_EQ(m_watcher->detectedDAWName(), daw ? std::optional<QString>(daw) : std::nullopt)
            << name;
    }
}

TEST_F(FolderWatcherTest, EndOfRecordingIsDebouncedOverThreeQuietRounds)
{
    start();
    // Steps (R: a recording result, Q: a quiet one, E: an empty round), and isRecording after each.
    const std::pair<std::string, std::string> cases[] = {
        {"RRQR", "1111"}, {"RQQQ", "1110"}, {"RQQRQQQ", "1111110"},
        {"REEE", "1110"}, {"QQQ", "000"},
    };
    for (const auto& [sequence, expected] : cases) {
        for (int i = 0; i < 3; ++i)
            m_watcher->apply({});
        std::string actual;
        for (const char step : sequence) {
            if (step == 'E')
                m_watcher->apply({});
            else
                m_watcher->apply({result(m_reaper, snapshotWithTake("1", step == 'R'))});
            actual += m_watcher->isRecording() ? '1' : '0';
        }
        EXPECT_EQ(actual, expected) << sequence;
    }
}

// A change in a folder the scans list runs a batch at once, between ticks of the clock; such
// batches never count towards the end of a recording, and one asked for while a batch runs
// follows it.
TEST_F(FolderWatcherTest, FolderChangesRunBatchesEarlyWithoutShorteningTheDebounce)
{
    start();
    const QString folder = m_dir.makeFolder(QStringLiteral("Takes"));
    ASSERT_TRUE(SystemProbe::listFolder(folder)) << "listed, as a provider's scan would";
    m_reaper->queueSnapshots({snapshotWithTake("1", true), snapshotWithTake("1", false)});
    tickAndWait();
    ASSERT_TRUE(m_watcher->isRecording());
    for (int i = 0; i < FolderWatcher::stopDebounceTicks + 1; ++i) {
        const int before = m_applied;
        m_dir.write(QStringLiteral("Takes/%1.wav").arg(i));
        waitForApplies(before + 1);
        EXPECT_TRUE(m_watcher->isRecording()) << "after change " << i;
    }
    for (int i = 1; i <= FolderWatcher::stopDebounceTicks; ++i) {
        tickAndWait();
        EXPECT_EQ(m_watcher->isRecording(), i < FolderWatcher::stopDebounceTicks) << "tick " << i;
    }

    const int scansBefore = m_reaper->scanCalls();
    const int appliedBefore = m_applied;
    m_reaper->holdScans();
    m_watcher->tick();
    ASSERT_TRUE(pollUntil([&] { return m_reaper->scansStarted() > scansBefore; }));
    m_watcher->wake();
    m_reaper->release();
    waitForApplies(appliedBefore + 2);
    EXPECT_EQ(m_reaper->scanCalls() - scansBefore, 2);
}

TEST_F(FolderWatcherTest, NotifiesOnlyWhenAValueChanges)
{
    start();
    int takeSignals = 0;
    QObject::connect(m_watcher.get(), &FolderWatcher::lastTakeChanged, [&] { ++takeSignals; });
    const int changedBefore = m_changed;
    for (int round = 0; round < 2; ++round)
        m_watcher->apply({result(m_reaper, snapshotWithTake("7", true, QStringLiteral("Song")))});
    EXPECT_EQ(takeSignals, 1);
    EXPECT_EQ(m_changed, changedBefore + 1) << "one change signal per round that changed something";
    // Same file and number, but the piece is now absent: a different take.
    m_watcher->apply({result(m_reaper, snapshotWithTake(QStringLiteral("7"), true))});
    EXPECT_EQ(takeSignals, 2);
}

// Ordinary numbers and labels are the menu's and the window's tests'; here the range's ends.
TEST_F(FolderWatcherTest, TheLargestNumberHasNoNextOneAndIsShownAsItIs)
{
    start();
    EXPECT_EQ(m_watcher->displayedRecPass(), std::nullopt) << "no take, no number";
    EXPECT_EQ(m_watcher->takeStatusLabel(), "Next take") << "but a label all the same";
    const QString largest = QString::number(std::numeric_limits<qint64>::max());
    const std::pair<QString, QString> cases[] = {{largest, largest},
                                                 {"-9223372036854775808", "-9223372036854775807"}};
    for (const auto& [recPass, shown] : cases) {
        m_watcher->apply({result(m_reaper, snapshotWithTake(recPass, false))});
        EXPECT_EQ(m_watcher->displayedRecPass(), shown) << recPass.toStdString();
    }
}

TEST_F(FolderWatcherTest, SlowScansNeverPileUpMoreThanOneWaitingRound)
{
    start();
    const int scansBefore = m_reaper->scanCalls();
    m_reaper->holdScans();
    m_watcher->tick(); // starts and blocks in the scan
    ASSERT_TRUE(pollUntil([&] { return m_reaper->scansStarted() > scansBefore; }));
    for (int i = 0; i < 10; ++i)
        m_watcher->tick(); // the first of these waits; the rest are not submitted
    m_reaper->release();
    waitForApplies(3);
    processEventsFor(300ms);
    EXPECT_EQ(m_reaper->scanCalls() - scansBefore, 2);
    EXPECT_EQ(m_applied, 3);
}

TEST_F(FolderWatcherTest, ABatchInFlightOutlivesItsWatcherHarmlessly)
{
    start();
    m_reaper->holdScans();
    m_watcher->tick();
    m_watcher->tick();
    m_watcher.reset();
    m_reaper->release();
    processEventsFor(300ms);
    // Nothing is applied to the destroyed watcher; under the address sanitizer any touch of it
    // fails the test.
    EXPECT_EQ(m_applied, 1);
}

// A scan that reports the REAPER pattern too slow for the folder withdraws it: the last pattern
// that read a take comes back in force, or the default when none did, and the error says why.
TEST_F(FolderWatcherTest, APatternTooSlowForTheFolderIsWithdrawn)
{
    const QString proven = QStringLiteral(R"(take(\d+)-(\d+)\.wav$)");
    const QString slow = QStringLiteral(R"(_(\d+)\.wav$)");
    DAWSnapshot tooSlow;
    tooSlow.filenamePatternTooSlow = true;
    const QString standard = FilenamePattern::defaultPattern();
    const QString message = FilenamePattern::tooSlowOnFolderMessage();
    // The pattern in force for a scan that reads a take (none: the default), the one then set and
    // reported too slow, the one in force after that, and the error shown.
    const std::tuple<std::optional<QString>, QString, QString, std::optional<QString>> cases[] = {
        {proven, slow, proven, message},
        {std::nullopt, slow, standard, message},
        // Nothing better to go back to: it stays, and its scans stay within their budget.
        {std::nullopt, standard, standard, std::nullopt},
    };
    for (const auto& [firstPattern, lastPattern, inForceAfter, error] : cases) {
        SCOPED_TRACE(firstPattern.value_or("-").toStdString() + " then " +
                     lastPattern.toStdString());
        m_watcher.reset();
        m_settings.reset();
        storeRawSetting(iniPath(), QStringLiteral("filenamePattern"), standard);
        m_reaper->queueSnapshots({snapshotWithTake(QStringLiteral("1"), false)});
        start();
        if (firstPattern) {
            m_watcher->setFilenamePattern(*firstPattern);
            tickAndWait();
        }
        m_watcher->setFilenamePattern(lastPattern);
        ASSERT_EQ(m_watcher->filenamePatternError(), std::nullopt);
        m_reaper->queueSnapshots({tooSlow});
        int errorChanges = 0;
        QObject::connect(m_watcher.get(), &FolderWatcher::filenamePatternErrorChanged,
                         [&] { ++errorChanges; });
        tickAndWait();
        const CompiledPattern inForce = m_watcher->compiledPattern(DAWId::reaper);
        ASSERT_NE(inForce, nullptr);
        EXPECT_EQ(QString::fromUtf16(inForce->pattern().getBuffer(), inForce->pattern().length()),
                  inForceAfter);
        EXPECT_EQ(m_watcher->filenamePatternError(), error);
        EXPECT_EQ(m_watcher->filenamePattern(), lastPattern);
        EXPECT_EQ(errorChanges, error ? 1 : 0);
        // The withdrawn pattern is not given to the next scan.
        tickAndWait();
        EXPECT_EQ(m_reaper->contexts().back().pattern, inForce);
    }

    // A report about a pattern that is no longer in force changes nothing.
    const CompiledPattern inForce = m_watcher->compiledPattern(DAWId::reaper);
    m_watcher->setFilenamePattern(slow);
    const CompiledPattern replaced = m_watcher->compiledPattern(DAWId::reaper);
    m_watcher->apply({FolderWatcher::ScanResult{m_reaper, tooSlow, inForce}});
    EXPECT_EQ(m_watcher->compiledPattern(DAWId::reaper), replaced);
    EXPECT_EQ(m_watcher->filenamePatternError(), std::nullopt);
}

TEST_F(FolderWatcherTest, StoredPatternAtStartUp)
{
    const QString standard = FilenamePattern::defaultPattern();
    // The stored pattern; the one the settings' editor shows and its error; what is stored after
    // the start (legacy patterns are written back, nothing else is); and the rec-pass the pattern
    // in force reads from a name.
    using Case = std::tuple<std::optional<QString>, QString, std::optional<QString>,
                            std::optional<QString>, QString, std::optional<QString>>;
    std::vector<Case> cases = {
        {std::nullopt, standard, std::nullopt, std::nullopt, "Song-02-017.WAV", "017"},
        {R"(^(\w+)_(\d+)\.wav$)", R"(^(\w+)_(\d+)\.wav$)", std::nullopt, R"(^(\w+)_(\d+)\.wav$)",
         "Song_12.wav", "12"},
        // A bad stored pattern is shown with its error while the default is in force.
        {"(", "(", FilenamePattern::compile("(").error, "(", "Song-02-017.wav", "017"},
    };
    for (const QString& legacy : FilenamePattern::legacyPatterns())
        cases.push_back({legacy, standard, std::nullopt, standard, "a-1-123.wav", "123"});
    for (const auto& [stored, shown, error, storedAfter, name, recPass] : cases) {
        SCOPED_TRACE(stored.value_or("nothing").toStdString());
        m_watcher.reset();
        m_settings.reset();
        if (stored)
            storeRawSetting(iniPath(), QStringLiteral("filenamePattern"), *stored);
        start();
        EXPECT_EQ(m_watcher->filenamePattern(), shown);
        EXPECT_EQ(m_watcher->filenamePatternError(), error);
        EXPECT_EQ(storedPattern(), storedAfter);
        EXPECT_EQ(reaperRecPass(name), recPass);
    }
}

TEST_F(FolderWatcherTest, RejectedPatternsLeaveThePreviousOneInForce)
{
    FolderWatcher* watcher = &start();
    watcher->setFilenamePattern(QStringLiteral(R"(take(\d+)-(\d+)\.wav$)"));
    ASSERT_EQ(watcher->filenamePatternError(), std::nullopt);
    const CompiledPattern accepted = watcher->compiledPattern(DAWId::reaper);

    const std::pair<QString, QString> cases[] = {
        {"(", FilenamePattern::compile("(").error},
        {R"((x+x+)+y(\d+)\.wav$)", FilenamePattern::tooSlowMessage()},
    };
    for (const auto& [text, error] : cases) {
        watcher->setFilenamePattern(text);
        EXPECT_EQ(watcher->filenamePattern(), text);
        EXPECT_EQ(storedPattern(), text) << "persisted before it is vetted";
        EXPECT_EQ(watcher->filenamePatternError(), error) << text.toStdString();
        EXPECT_EQ(watcher->compiledPattern(DAWId::reaper), accepted) << text.toStdString();
    }

    // Back to the default: accepted, and the error goes away.
    watcher->setFilenamePattern(FilenamePattern::defaultPattern());
    EXPECT_EQ(watcher->filenamePatternError(), std::nullopt);
    EXPECT_NE(watcher->compiledPattern(DAWId::reaper), accepted);
    EXPECT_EQ(reaperRecPass(QStringLiteral("a-1-123.wav")), QStringLiteral("123"));

    // The guard tries names from the folder being watched: here the manual one.
    TempDir takes;
    takes.write(QStringLiteral("Song-01-00042.wav"));
    watcher->selectManualFolder([&](const QString&) { return takes.path(); });
    const QString digitRuns = QStringLiteral(R"((\p{Nd}+\p{Nd}+)+_\.wav$)");
    watcher->setFilenamePattern(digitRuns);
    EXPECT_EQ(watcher->filenamePatternError(), FilenamePattern::tooSlowMessage());
    EXPECT_NE(watcher->compiledPattern(DAWId::reaper), nullptr);
}
