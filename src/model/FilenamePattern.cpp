#include "model/FilenamePattern.h"

#include <array>
#include <atomic>
#include <memory>
#include <semaphore>
#include <thread>

namespace quorvel::FilenamePattern {

namespace {

// Step budget for the guard's searches: far beyond what the guard waits for, so a pattern that
// passes is never cut short, yet an abandoned worker still ends on its own within seconds.
constexpr int guardStepLimit = 20000;

// Long enough for a nested repetition to backtrack far past the guard's wait, short enough that
// an ordinary pattern's polynomial work on it stays well under a millisecond.
constexpr qsizetype guardRunLength = 40;

// Distinct characters taken from one pattern; enough for any realistic file-name pattern.
constexpr qsizetype maxLiteralCharacters = 16;

// Real names a guard run lengthens; each gives two inputs.
constexpr qsizetype maxFolderNames = 3;

// Ends an input so that no take pattern can complete on it.
constexpr char16_t nonMatchingTail = u'\u0001';

// The characters a pattern names: its literals and escaped punctuation, and one sample each for
// the common classes \d, \w and \s. Operators and repetition counts are left out; whatever
// noise remains only adds harmless inputs.
QString literalCharacters(const QString& pattern)
{
    QString characters;
    auto add = [&characters](QChar c) {
        const QChar folded = c.toLower();
        if (!characters.contains(folded) && characters.size() < maxLiteralCharacters)
            characters.append(folded);
    };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\\') {
            if (++i >= pattern.size())
                break;
            const QChar escaped = pattern.at(i);
            if (escaped == u'd')
                add(u'1');
            else if (escaped == u'w')
                add(u'a');
            else if (escaped == u's')
                add(u' ');
            else if (!escaped.isLetterOrNumber())
                add(escaped);
        } else if (c == u'{') {
            const qsizetype close = pattern.indexOf(u'}', i);
            if (close < 0)
                break;
            i = close;
        } else if (!QStringView(u"()[]|*+?^$.").contains(c)) {
            add(c);
        }
    }
    return characters;
}

// A real name made long in two ways that keep its make-up: its longest run of one digit and its
// longest run of one other character stretched, and its stem repeated; both keep the extension,
// as a pattern may be anchored on it.
QStringList lengthened(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    if (stem.isEmpty())
        return {};
    struct Run
    {
        qsizetype start = 0, length = 0;
    } digits, others;
    for (qsizetype i = 0; i < stem.size();) {
        qsizetype end = i + 1;
        while (end < stem.size() && stem.at(end) == stem.at(i))
            ++end;
        Run& longest = stem.at(i).isDigit() ? digits : others;
        if (end - i > longest.length)
            longest = {i, end - i};
        i = end;
    }
    QString stretched = stem;
    // The later run first, so that the earlier one's position still holds.
    for (const Run& run :
         digits.start > others.start ? std::array{digits, others} : std::array{others, digits}) {
        if (run.length > 0 && run.length < guardRunLength)
            stretched.insert(run.start, QString(guardRunLength - run.length, stem.at(run.start)));
    }
    const qsizetype copies = (guardRunLength + stem.size() - 1) / stem.size();
    return {stretched + extension, stem.repeated(copies) + extension};
}

QStringList guardInputs(const QString& patternText, const QStringList& folderNames)
{
    QStringList inputs{
        QStringLiteral("a-1").repeated(14) + QLatin1Char('!'),
        QStringLiteral("a").repeated(40) + QLatin1Char('!'),
        QStringLiteral("a-").repeated(20) + QStringLiteral(".wav!"),
    };
    for (const QChar c : literalCharacters(patternText)) {
        const QString run(guardRunLength, c);
        inputs << run << run + QChar(nonMatchingTail);
    }
    for (const QString& name : folderNames.mid(0, maxFolderNames))
        inputs << lengthened(name);
    return inputs;
}

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

QString tooSlowOnFolderMessage()
{
    return QStringLiteral(
        "Pattern is too slow on this folder's file names; the previous pattern is in use.");
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

bool matchesQuickly(const CompiledPattern& pattern, const QStringList& folderNames,
                    std::chrono::milliseconds limit)
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

    // The pattern's own text: ICU keeps it, so no caller has to pass it alongside.
    const icu::UnicodeString& source = pattern->pattern();
    const QString text(reinterpret_cast<const QChar*>(source.getBuffer()), source.length());
    std::thread([pattern, guard, inputs = guardInputs(text, folderNames)] {
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
