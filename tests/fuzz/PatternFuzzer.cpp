// Arbitrary text as a filename pattern a user types, searched in an arbitrary file name. The
// pattern is compiled and the search bounded by the match engine's own step limit; sizes are
// capped (a file name is at most a few hundred characters) so each run stays short even when a
// pattern backtracks to its limit. A compile either gives a pattern or a sentence, never both;
// a match's groups are parts of the name.
//
// Input: byte 0 (low bit) turns case-insensitivity off; the rest is the pattern, a NUL, and the
// name, both UTF-8 (invalid sequences become U+FFFD).
#include "FuzzCheck.h"

#include "model/FilenamePattern.h"
#include "model/RegexSearch.h"

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

using namespace quorvel;
using fuzz::check;

namespace {

constexpr qsizetype maxPatternBytes = 256;
constexpr qsizetype maxNameBytes = 512;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const bool caseInsensitive = (data[0] & 1) == 0;
    const QByteArrayView rest(reinterpret_cast<const char*>(data + 1),
                              static_cast<qsizetype>(size - 1));
    const qsizetype separator = rest.indexOf('\0');
    const QByteArrayView patternBytes = separator < 0 ? rest : rest.first(separator);
    const QByteArrayView nameBytes = separator < 0 ? QByteArrayView() : rest.sliced(separator + 1);
    if (patternBytes.size() > maxPatternBytes || nameBytes.size() > maxNameBytes)
        return 0;

    const auto compiled = FilenamePattern::compile(QString::fromUtf8(patternBytes), caseInsensitive);
    check(static_cast<bool>(compiled.pattern) == compiled.error.isEmpty(),
          "a compile gives a pattern or an error sentence");
    if (!compiled.pattern)
        return 0;

    const QString name = QString::fromUtf8(nameBytes);
    const auto match = RegexSearch::firstMatch(compiled.pattern, name);
    if (!match)
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(compiled.pattern->matcher(status));
    check(U_SUCCESS(status) && matcher &&
              match->groups.size() == static_cast<size_t>(matcher->groupCount()) + 1,
          "a match has every group of the pattern");
    check(match->group(0).has_value(), "the whole match took part");
    for (const auto& group : match->groups) {
        if (group)
            check(name.contains(*group), "each group is part of the name");
    }
    return 0;
}
