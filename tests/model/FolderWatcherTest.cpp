#include "model/FolderWatcher.h"

#include "model/FilenamePattern.h"
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
    // Builds the watcher over the settings file and waits for the scan its construction starts.
    FolderWatcher& start()
    {
        m_settings = std::make_unique<UserDefaults>(m_dir.filePath(QStringLiteral("Quorvel.conf")));
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
    storeRawSetting(m_dir.filePath(QStringLiteral("Quorvel.conf")), "dawSelection", "logic");
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
    struct Case
    {
        const char* name;
        std::vector<FolderWatcher::ScanResult> results;
        const char* daw;
    } cases[] = {
        {"recording beats idle", {result(m_reaper, idle), result(m_logic, recording)}, "Logic Pro"},
        {"both idle: list order", {result(m_reaper, idle), result(m_logic, idle)}, "REAPER"},
        {"a take beats none", {result(m_reaper, {}), result(m_ableton, idle)}, "Ableton Live"},
        {"nothing anywhere: the first", {result(m_logic, {}), result(m_ableton, {})}, "Logic Pro"},
        {"no results", {}, nullptr},
    };
    for (const auto& c : cases) {
        m_watcher->apply(c.results);
        EXPECT_EQ(m_watcher->detectedDAWName(),
                  c.daw ? std::optional<QString>(c.daw) : std::nullopt)
            << c.name;
    }
}

TEST_F(FolderWatcherTest, EndOfRecordingIsDebouncedOverThreeQuietRounds)
{
    start();
    struct Case
    {
        const char* sequence; // R: recording result, Q: quiet result, E: empty apply
        const char* expected; // isRecording after each step: 1 or 0
    } cases[] = {
        {"RRQR", "1111"}, {"RQQQ", "1110"}, {"RQQRQQQ", "1111110"},
        {"REEE", "1110"}, {"QQQ", "000"},
    };
    for (const auto& c : cases) {
        for (int i = 0; i < 3; ++i)
            m_watcher->apply({});
        std::string actual;
        for (const char* step = c.sequence; *step; ++step) {
            if (*step == 'E')
                m_watcher->apply({});
            else
                m_watcher->apply({result(m_reaper, snapshotWithTake("1", *step == 'R'))});
            actual += m_watcher->isRecording() ? '1' : '0';
        }
        EXPECT_EQ(actual, c.expected) << c.sequence;
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

TEST_F(FolderWatcherTest, DisplayedRecPassAndLabel)
{
    start();
    EXPECT_EQ(m_watcher->displayedRecPass(), std::nullopt) << "no take, no number";
    EXPECT_EQ(m_watcher->takeStatusLabel(), "Next take") << "but a label all the same";
    const QString largest = QString::number(std::numeric_limits<qint64>::max());
    struct Case
    {
        QString recPass;
        bool recording;
        bool showNext;
        QString shown;
        QString label;
    } cases[] = {
        // The ordinary numbers and labels are the menu's tests'; here the texts with no next one.
        {"12a", false, true, "12a", "Next take"},
        // The largest number has no next one: it is shown as it is.
        {largest, false, true, largest, "Next take"},
        {"-9223372036854775808", false, true, "-9223372036854775807", "Next take"},
    };
    for (const auto& c : cases) {
        m_watcher->setShowNextTakeWhenIdle(c.showNext);
        for (int i = 0; i < 3; ++i)
            m_watcher->apply({});
        m_watcher->apply({result(m_reaper, snapshotWithTake(c.recPass, c.recording))});
        EXPECT_EQ(m_watcher->displayedRecPass(), c.shown) << c.recPass.toStdString();
        EXPECT_EQ(m_watcher->takeStatusLabel(), c.label) << c.recPass.toStdString();
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
    struct Case
    {
        const char* label;
        std::optional<QString> firstPattern; // in force for a scan that reads a take
        QString lastPattern;                 // then set, and reported too slow
        QString inForceAfter;
        std::optional<QString> error;
    } cases[] = {
        {"back to the proven one", proven, slow, proven, FilenamePattern::tooSlowOnFolderMessage()},
        {"back to the default", std::nullopt, slow, FilenamePattern::defaultPattern(),
         FilenamePattern::tooSlowOnFolderMessage()},
        // Nothing better to go back to: it stays, and its scans stay within their budget.
        {"the default itself", std::nullopt, FilenamePattern::defaultPattern(),
         FilenamePattern::defaultPattern(), std::nullopt},
    };
    for (const auto& c : cases) {
        m_watcher.reset();
        m_settings.reset();
        storeRawSetting(m_dir.filePath(QStringLiteral("Quorvel.conf")),
                        QStringLiteral("filenamePattern"), FilenamePattern::defaultPattern());
        m_reaper->queueSnapshots({snapshotWithTake(QStringLiteral("1"), false)});
        start();
        if (c.firstPattern) {
            m_watcher->setFilenamePattern(*c.firstPattern);
            tickAndWait();
        }
        m_watcher->setFilenamePattern(c.lastPattern);
        ASSERT_EQ(m_watcher->filenamePatternError(), std::nullopt) << c.label;
        m_reaper->queueSnapshots({tooSlow});
        int errorChanges = 0;
        QObject::connect(m_watcher.get(), &FolderWatcher::filenamePatternErrorChanged,
                         [&] { ++errorChanges; });
        tickAndWait();
        const CompiledPattern inForce = m_watcher->compiledPattern(DAWId::reaper);
        ASSERT_NE(inForce, nullptr) << c.label;
        EXPECT_EQ(QString::fromUtf16(inForce->pattern().getBuffer(), inForce->pattern().length()),
                  c.inForceAfter)
            << c.label;
        EXPECT_EQ(m_watcher->filenamePatternError(), c.error) << c.label;
        EXPECT_EQ(m_watcher->filenamePattern(), c.lastPattern) << c.label;
        EXPECT_EQ(errorChanges, c.error ? 1 : 0) << c.label;
        // The withdrawn pattern is not given to the next scan.
        tickAndWait();
        EXPECT_EQ(m_reaper->contexts().back().pattern, inForce) << c.label;
    }

    // A report about a pattern that is no longer in force changes nothing.
    const CompiledPattern inForce = m_watcher->compiledPattern(DAWId::reaper);
    m_watcher->setFilenamePattern(slow);
    const CompiledPattern replaced = m_watcher->compiledPattern(DAWId::reaper);
    m_watcher->apply({FolderWatcher::ScanResult{m_reaper, tooSlow, inForce}});
    EXPECT_EQ(m_watcher->compiledPattern(DAWId::reaper), replaced);
    EXPECT_EQ(m_watcher->filenamePatternError(), std::nullopt);
}
