#include "model/RegexSearch.h"

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

} // namespace

std::optional<Match> firstMatch(const CompiledPattern& pattern, const QString& text, int stepLimit)
{
    if (!pattern)
        return std::nullopt;
    const icu::UnicodeString subject = toUnicode(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(subject, status));
    if (U_FAILURE(status) || !matcher)
        return std::nullopt;
    matcher->setTimeLimit(stepLimit, status);
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

} // namespace quorvel::RegexSearch
