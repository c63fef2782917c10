#include "model/RegexSearch.h"

#include "platform/ThreadClock.h"

#include <memory>

namespace quorvel::RegexSearch {

namespace {

icu::UnicodeString toUnicode(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

QString fromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// ICU calls this once per step of a search (every 10,000 backtracking state saves); returning
// false stops the search with U_REGEX_STOPPED_BY_CALLER, before any step limit is checked
// (unicode-org/icu, icu4c/source/i18n/rematch.cpp: TIMER_INITIAL_VALUE, IncrementTime).
UBool U_CALLCONV beforeDeadline(const void* context, int32_t /*steps*/)
{
    return ThreadClock::now() < *static_cast<const std::chrono::nanoseconds*>(context);
}

// deadline: a point on the calling thread's processor clock (ThreadClock).
std::optional<Match> search(const CompiledPattern& pattern, const QString& text, int stepLimit,
                            const std::chrono::nanoseconds* deadline)
{
    if (!pattern)
        return std::nullopt;
    const icu::UnicodeString subject = toUnicode(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(subject, status));
    if (U_FAILURE(status) || !matcher)
        return std::nullopt;
    matcher->setTimeLimit(stepLimit, status);
    if (deadline)
        matcher->setMatchCallback(beforeDeadline, deadline, status);
    if (!matcher->find(status) || U_FAILURE(status))
        return std::nullopt;

    Match match;
    const int32_t count = matcher->groupCount();
    match.groups.reserve(static_cast<size_t>(count) + 1);
    for (int32_t group = 0; group <= count; ++group) {
        UErrorCode groupStatus = U_ZERO_ERROR;
        const int32_t start = matcher->start(group, groupStatus);
        if (U_FAILURE(groupStatus) || start < 0) {
            match.groups.emplace_back(std::nullopt);
            continue;
        }
        match.groups.emplace_back(fromUnicode(matcher->group(group, groupStatus)));
    }
    return match;
}

} // namespace

std::optional<Match> firstMatch(const CompiledPattern& pattern, const QString& text, int stepLimit)
{
    return search(pattern, text, stepLimit, nullptr);
}

std::optional<Match> firstMatch(const CompiledPattern& pattern, const QString& text, Budget& budget,
                                int stepLimit)
{
    if (budget.m_exhausted)
        return std::nullopt;
    const std::chrono::nanoseconds start = ThreadClock::now();
    const std::chrono::nanoseconds deadline = start + budget.m_remaining;
    auto match = search(pattern, text, stepLimit, &deadline);
    const std::chrono::nanoseconds end = ThreadClock::now();
    budget.m_remaining -= end - start;
    if (end >= deadline) {
        budget.m_exhausted = true;
        return std::nullopt;
    }
    return match;
}

} // namespace quorvel::RegexSearch
