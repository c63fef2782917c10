#include "model/FilenamePattern.h"

#include <atomic>
#include <memory>
#include <semaphore>
#include <thread>

namespace quorvel::FilenamePattern {

namespace {

// Step budget for the guard's searches: far beyond what the guard waits for, so a pattern that
// passes is never cut short, yet an abandoned worker still ends on its own within seconds.
constexpr int guardStepLimit = 20000;

QString describe(UErrorCode code, const QString& pattern, int32_t offset)
{
    const int position = offset < 0 ? 0 : offset;
    auto at = [position](const char* problem) {
        return QStringLiteral("%1 at position %2.").arg(QLatin1String(problem)).arg(position);
    };
    switch (code) {
    case U_REGEX_MISMATCHED_PAREN: {
        const bool closing = position >= 1 && position <= pattern.size() &&
                             pattern.at(position - 1) == QLatin1Char(')');
        return at(closing ? "Unmatched closing parenthesis" : "Missing closing parenthesis");
    }
    case U_REGEX_MISSING_CLOSE_BRACKET:
        return at("Missing closing bracket");
    case U_REGEX_BAD_ESCAPE_SEQUENCE:
        return at("Invalid escape sequence");
    case U_REGEX_RULE_SYNTAX:
        return at("Syntax error");
    case U_REGEX_MAX_LT_MIN:
        return at("Repetition maximum is less than its minimum");
    case U_REGEX_NUMBER_TOO_BIG:
        return at("Number too large");
    case U_REGEX_BAD_INTERVAL:
        return at("Invalid repetition interval");
    case U_REGEX_INVALID_RANGE:
        return at("Invalid character range");
    case U_REGEX_INVALID_CAPTURE_GROUP_NAME:
        return at("Invalid capture group name");
    case U_REGEX_PROPERTY_SYNTAX:
        return at("Invalid property expression");
    case U_REGEX_SET_CONTAINS_STRING:
        return at("Character set contains a string");
    case U_REGEX_LOOK_BEHIND_LIMIT:
        return at("Look-behind has no bounded length");
    case U_REGEX_OCTAL_TOO_BIG:
        return at("Octal character too large");
    case U_REGEX_INVALID_FLAG:
        return at("Invalid flag");
    case U_REGEX_UNIMPLEMENTED:
        return at("Unsupported feature");
    case U_REGEX_PATTERN_TOO_BIG:
        return QStringLiteral("Pattern is too large.");
    default:
        return QStringLiteral("Invalid pattern (%1) at position %2.")
            .arg(QLatin1String(u_errorName(code)))
            .arg(position);
    }
}

} // namespace

QString defaultPattern()
{
    return QStringLiteral(R"((.*)-\d+-(\d{3,})\.wav$)");
}

const QStringList& legacyPatterns()
{
    static const QStringList patterns{
        QStringLiteral(R"(^(.+)-(\d+)-(\d+)\.wav$)"),
        QStringLiteral(R"(^.+-\d+-(\d+)\.wav$)"),
        QStringLiteral(R"((\d+)\.wav$)"),
        QStringLiteral(R"((?:^([^-]*[^-\d][^-]*)-)?.*?(\d+)\.wav$)"),
    };
    return patterns;
}

QString tooSlowMessage()
{
    return QStringLiteral(
        "Pattern is too slow to match (catastrophic backtracking) and was not applied.");
}

CompileResult compile(const QString& text, bool caseInsensitive)
{
    const icu::UnicodeString source(reinterpret_cast<const char16_t*>(text.utf16()),
                                    static_cast<int32_t>(text.size()));
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
        source, caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0, parseError, status));
    if (U_FAILURE(status) || !compiled)
        return {nullptr, describe(status, text, parseError.offset)};
    return {CompiledPattern(std::move(compiled)), QString()};
}

bool matchesQuickly(const CompiledPattern& pattern, std::chrono::milliseconds limit)
{
    if (!pattern)
        return false;

    // Shared with the worker, which may outlive this call.
    struct Guard
    {
        std::binary_semaphore done{0};
        std::atomic<bool> timedOut{false};
    };
    auto guard = std::make_shared<Guard>();

    std::thread([pattern, guard] {
        const QString inputs[] = {
            QStringLiteral("a-1").repeated(14) + QLatin1Char('!'),
            QStringLiteral("a").repeated(40) + QLatin1Char('!'),
            QStringLiteral("a-").repeated(20) + QStringLiteral(".wav!"),
        };
        for (const QString& input : inputs) {
            const icu::UnicodeString subject(reinterpret_cast<const char16_t*>(input.utf16()),
                                             static_cast<int32_t>(input.size()));
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(subject, status));
            if (U_FAILURE(status) || !matcher) {
                guard->timedOut = true;
                break;
            }
            matcher->setTimeLimit(guardStepLimit, status);
            matcher->find(status);
            if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW) {
                guard->timedOut = true;
                break;
            }
        }
        guard->done.release();
    }).detach();

    if (!guard->done.try_acquire_for(limit))
        return false;
    return !guard->timedOut;
}

} // namespace quorvel::FilenamePattern
