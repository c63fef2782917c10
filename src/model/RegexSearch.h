#pragma once

#include "model/CompiledPattern.h"

#include <QString>

#include <chrono>
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

// Matching time shared by a series of searches, such as all those of one scan: a single name
// cannot stall a search past its step limit, but thousands of slow names could still keep a core
// busy, so the series as a whole has a ceiling too. Each search draws on it, measured in the
// processor time of the searching thread (a preempted or waiting thread spends none, so a loaded
// machine never exhausts it); the search running when it runs out is stopped on the spot, and
// every later one finds nothing. One thread at a time.
class Budget
{
public:
    explicit Budget(std::chrono::nanoseconds total) : m_remaining(total) {}

    bool isExhausted() const { return m_exhausted; }

private:
    friend std::optional<Match> firstMatch(const CompiledPattern&, const QString&, Budget&, int);

    std::chrono::nanoseconds m_remaining;
    bool m_exhausted = false;
};

// The first match of pattern anywhere in text. No value when there is none, when the pattern is
// null, or when the search ran out of time (a timed-out search counts as no match).
std::optional<Match> firstMatch(const CompiledPattern& pattern, const QString& text,
                                int stepLimit = searchStepLimit);
// The same, drawing on budget: no value at once when it is already spent, and no value when it
// runs out during this search.
std::optional<Match> firstMatch(const CompiledPattern& pattern, const QString& text, Budget& budget,
                                int stepLimit = searchStepLimit);

} // namespace RegexSearch
} // namespace quorvel
