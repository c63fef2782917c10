#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace quorvel {

// Path strings as the providers compare them: plain absolute paths, "/" as the only separator,
// no normalisation beyond what each operation states. Kept as text operations so that paths of
// files that no longer exist still resolve the same way.
namespace PathText {

// The last component: "/a/b/c.wav" gives "c.wav", "/a/b/" gives "b", "/" gives "/", "" gives "".
QString lastComponent(const QString& path);

// The path without its last component: "/a/b/c.wav" gives "/a/b", "/a" gives "/", "/" gives "/",
// "c.wav" gives "". Trailing separators are ignored first.
QString deletingLastComponent(const QString& path);

// The folder's path with exactly one trailing "/", for prefix tests of files inside it.
QString folderPrefix(const QString& folder);

// True when path lies in folder or any folder below it.
bool liesIn(const QString& path, const QString& folder);

// True when the text ends with suffix, ASCII letters compared without case.
bool hasSuffixIgnoringCase(QStringView text, QLatin1StringView suffix);

// Horizontal white space (space, tab and the other space separators) removed at both ends; line
// breaks stay.
QString trimmedHorizontally(const QString& text);

// The bytes as text when they are valid UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF); no value otherwise. File names on Linux may be any bytes, and a name decoded with
// replacement characters would point at a file that does not exist.
std::optional<QString> decodeUtf8(QByteArrayView bytes);
bool isValidUtf8(QByteArrayView bytes);

} // namespace PathText
} // namespace quorvel
