#pragma once

#include "takes/TakeEntry.h"

#include <QByteArray>

#include <vector>

namespace quorvel::TakeSheetText {

// The sheet as CSV (RFC 4180: a header row, CRLF line ends, fields quoted where they hold a
// comma, a quote or a line break), UTF-8, times in ISO 8601 with their offset, lengths in seconds.
QByteArray csv(const std::vector<TakeEntry>& entries);

// The sheet as the remote display's take list: {"takes": [...]}, newest first.
QByteArray json(const std::vector<TakeEntry>& entries);

} // namespace quorvel::TakeSheetText
