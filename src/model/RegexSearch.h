#pragma once

#include "model/CompiledPattern.h"

#include <QString>

#include <optional>
#include <vector>

namespace quorvel {

// Searching file names with compiled patterns. Every matcher made here carries a time limit, so
// no single name can stall the thread that searches it.
namespace RegexSearch {

// Match-engine steps a single search may take (ICU counts in steps of ten thousand engine
// operations, a fraction of a millisecond each). Ample for any file name against a sane pattern.
inline constexpr int searchStepLimit = 300;

struct Match
{
    // Group 0 is the whole match; a group that did not take part has no value.
    std::vector<std::optional<QString>> groups;

    std::optional<QString> group(int index) const
    {
        if (index < 0 || index >= static_cast<int>(groups.size()))
            return std::nullopt;
        return groups[static_cast<size_t>(index)];
    }
};

// The first match of pattern anywhere in text. No value when there is none, when the pattern is
// null, or when the search ran out of time (a timed-out search counts as no match).
std::optional<Match> firstMatch(const CompiledPattern& pattern, const QString& text,
                                int stepLimit = searchStepLimit);

} // namespace RegexSearch
} // namespace quorvel
