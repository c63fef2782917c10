#pragma once

#include "takes/TakeEntry.h"

#include <QByteArray>

#include <vector>

namespace quorvel::TakeSheetText {

// The sheet as CSV (RFC 4180: a header row, CRLF line ends, fields quoted where they hold a
// comma, a quote or a line break), UTF-8, times in ISO 8601 with their offset, lengths in seconds.
QByteArray csv(const std::vector<TakeEntry>& entries);
// Writes csv(entries) to path, whole or not at all, behind the byte-order mark a spreadsheet needs
// to read it as UTF-8. On failure returns false and says why in error.
bool saveCsv(const QString& path, const std::vector<TakeEntry>& entries, QString* error);

// The sheet as the remote display's take list: {"takes": [...]}, newest first.
QByteArray json(const std::vector<TakeEntry>& entries);

} // namespace quorvel::TakeSheetText
