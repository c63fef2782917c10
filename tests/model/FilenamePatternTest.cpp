#include "model/FilenamePattern.h"

#include "model/FolderWatcher.h"
#include "model/RegexSearch.h"
#include "model/UserDefaults.h"
#include "support/RawSettings.h"
#include "support/TempDir.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// Backtracks exponentially on long inputs, such as the guard's.
const QString nested = QStringLiteral(R"((\w+\s?)*$)");

std::optional<QString> group(const CompiledPattern& pattern, const QString& name, int index)
{
    const auto match = RegexSearch::firstMatch(pattern, name);
    return match ? match->group(index) : std::nullopt;
}

} // namespace

TEST(FilenamePatternTest, CompileErrorsNameTheProblemAndItsPosition)
{
    const auto result = FilenamePattern::compile(QStringLiteral(R"((\d+\.wav$)"));
    EXPECT_EQ(result.pattern, nullptr);
    EXPECT_EQ(result.error, QStringLiteral("Missing closing parenthesis at position 10."));
}

// Beyond its fixed inputs, the guard tries runs of the pattern's own characters and the folder's
// real names made long: patterns that backtrack only on those are caught too, while ordinary
// patterns pass.
TEST(FilenamePatternTest, GuardTriesThePatternsCharactersAndTheFoldersNames)
{
    const QStringList realNames{"MySession-03-042.wav", "xxxx00001.wav", "Take 7.WAV"};
    // Backtracks on long runs of digits, which no fixed input and no character of its own has.
    const char* digitRuns = R"((\p{Nd}+\p{Nd}+)+_\.wav$)";
    const std::tuple<QString, QStringList, bool> cases[] = {
        {FilenamePattern::defaultPattern(), realNames, true},
        {"", {}, true},
        {R"((x+x+)+y(\d+)\.wav$)", {}, false},
        {R"(^(\-+)+\d\.wav$)", {}, false}, // an escaped character counts as one of its own
        {R"(([-_]+[-_]{1,3})*:)", {}, false},
        {digitRuns, {}, true},
        {digitRuns, realNames, false},
        {R"((x+)(\d+)\.wav$)", realNames, true},
    };
    for (const auto& [text, names, quick] : cases) {
        const auto pattern = FilenamePattern::compile(text).pattern;
        ASSERT_NE(pattern, nullptr) << text.toStdString();
        EXPECT_EQ(FilenamePattern::matchesQuickly(pattern, names), quick)
            << text.toStdString() << " with " << names.size() << " names";
    }
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(FilenamePattern::matchesQuickly(FilenamePattern::compile(nested).pattern));
    // The guard waits 0.2 s; anything near the engine's own limit would mean it waited for the
    // runaway worker instead.
    EXPECT_LT(timer.elapsed(), 3000);
}

namespace {

class WatcherPatternTest : public ::testing::Test
{
protected:
    QString iniPath() const { return m_dir.filePath(QStringLiteral("Quorvel.conf")); }

    void storePattern(const QString& text) const
    {
        storeRawSetting(iniPath(), QStringLiteral("filenamePattern"), text);
    }

    std::optional<QString> storedPattern() const
    {
        const QVariant value = readRawSetting(iniPath(), QStringLiteral("filenamePattern"));
        return value.isValid() ? std::optional<QString>(value.toString()) : std::nullopt;
    }

    std::unique_ptr<FolderWatcher> makeWatcher()
    {
        m_settings = std::make_unique<UserDefaults>(iniPath());
        m_settings->registerApplicationDefaults();
        return std::make_unique<FolderWatcher>(FolderWatcher::ProviderList{}, *m_settings, nullptr,
                                               std::chrono::hours(1));
    }

    // The rec-pass the installed REAPER pattern reads from a name.
    static std::optional<QString> reaperRecPass(const FolderWatcher& watcher, const QString& name)
    {
        return group(watcher.compiledPattern(DAWId::reaper), name, 2);
    }

    TempDir m_dir;
    std::unique_ptr<UserDefaults> m_settings;
};

} // namespace

TEST_F(WatcherPatternTest, StoredPatternAtStartUp)
{
    const QString standard = FilenamePattern::defaultPattern();
    struct Case
    {
        std::optional<QString> stored;
        QString shown; // in the settings' editor
        std::optional<QString> error;
        std::optional<QString> storedAfter; // legacy ones are written back, nothing else is
        QString name;                       // read with the pattern in force...
        std::optional<QString> recPass;     // ...gives this rec-pass
    };
    std::vector<Case> cases = {
        {std::nullopt, standard, std::nullopt, std::nullopt, "Song-02-017.WAV", "017"},
        {R"(^(\w+)_(\d+)\.wav$)", R"(^(\w+)_(\d+)\.wav$)", std::nullopt, R"(^(\w+)_(\d+)\.wav$)",
         "Song_12.wav", "12"},
        // A bad stored pattern is shown with its error while the default is in force.
        {"(", "(", FilenamePattern::compile("(").error, "(", "Song-02-017.wav", "017"},
    };
    for (const QString& legacy : FilenamePattern::legacyPatterns())
        cases.push_back({legacy, standard, std::nullopt, standard, "a-1-123.wav", "123"});
    for (const Case& c : cases) {
        const QString name = c.stored.value_or("nothing");
        if (c.stored)
            storePattern(*c.stored);
        const auto watcher = makeWatcher();
        EXPECT_EQ(watcher->filenamePattern(), c.shown) << name.toStdString();
        EXPECT_EQ(watcher->filenamePatternError(), c.error) << name.toStdString();
        EXPECT_EQ(storedPattern(), c.storedAfter) << name.toStdString();
        EXPECT_EQ(reaperRecPass(*watcher, c.name), c.recPass) << name.toStdString();
    }
}

TEST_F(WatcherPatternTest, RejectedPatternsLeaveThePreviousOneInForce)
{
    const auto watcher = makeWatcher();
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
    EXPECT_EQ(reaperRecPass(*watcher, QStringLiteral("a-1-123.wav")), QStringLiteral("123"));

    // The guard tries names from the folder being watched: here the manual one.
    TempDir takes;
    takes.write(QStringLiteral("Song-01-00042.wav"));
    watcher->selectManualFolder([&](const QString&) { return takes.path(); });
    const QString digitRuns = QStringLiteral(R"((\p{Nd}+\p{Nd}+)+_\.wav$)");
    watcher->setFilenamePattern(digitRuns);
    EXPECT_EQ(watcher->filenamePatternError(), FilenamePattern::tooSlowMessage());
    EXPECT_NE(watcher->compiledPattern(DAWId::reaper), nullptr);
}
