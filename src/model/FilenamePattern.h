#pragma once

#include "model/CompiledPattern.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace quorvel {

// Compiling and vetting take-file patterns. A pattern a user types can backtrack so badly that
// one file name would stall detection for minutes; matchesQuickly is the guard that keeps such a
// pattern out of force.
namespace FilenamePattern {

// REAPER's default naming "$rectag-$tracknumber-$recpass000": group 1 the piece, group 2 the
// rec-pass.
QString defaultPattern();

// Earlier defaults that a stored value is migrated away from (exact comparison).
const QStringList& legacyPatterns();

QString tooSlowMessage();
// For a pattern that passed the guard but then spent a whole scan's matching budget on the names
// of the folder being watched.
QString tooSlowOnFolderMessage();

struct CompileResult
{
    CompiledPattern pattern; // null on failure
    QString error;           // a plain sentence naming the problem and its position, on failure
};

// Compiles text with ICU. Every user and built-in pattern is case-insensitive; only callers with a
// documented reason pass false.
CompileResult compile(const QString& text, bool caseInsensitive = true);

// True when the pattern completes its worst-case searches within the limit: fixed inputs, long
// runs of each character the pattern itself names (with and without a tail that matches
// nothing), and folderNames (real take names) lengthened. The searches run on a detached thread
// of their own; on timeout that thread is abandoned and ends when the match engine's own time
// limit stops it. Blocks the caller for at most the limit.
bool matchesQuickly(const CompiledPattern& pattern, const QStringList& folderNames = {},
                    std::chrono::milliseconds limit = std::chrono::milliseconds(200));

} // namespace FilenamePattern
} // namespace quorvel
