#include "model/FilenamePattern.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// Backtracks exponentially on long inputs, such as the guard's.
const QString nested = QStringLiteral(R"((\w+\s?)*$)");

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
        {R"((x+x+)+y(\d+)\.wav$)", {}, false},
        {R"(^(\-+)+\d\.wav$)", {}, false}, // an escaped character counts as one of its own
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
