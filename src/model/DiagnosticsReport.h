#pragma once

#include "model/CompiledPattern.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;

namespace quorvel {

class FolderWatcher;

// The plain-text report a user pastes into a bug report: the settings and live state of the
// watcher, then the newest audio files of the effective folder with what the active pattern
// captures from each name. It lives in the core so that the command line can print it without a
// display; the desktop puts the same text on the clipboard.
namespace DiagnosticsReport {

inline constexpr int recentFileLimit = 15;

// Lower-case extensions that count as audio in the listing.
const QStringList& audioExtensions();

// The report's lines up to and including the blank line before the listing, from the watcher's
// state at this moment. appVersion and systemLine are the texts of the version and system lines.
// Main thread.
QStringList stateLines(const FolderWatcher& watcher, const QDateTime& now,
                       const QString& appVersion, const QString& systemLine);

// "Remote display: off", or "on — running" / "on — not running", with ", error: TEXT" appended
// when an error is known.
QString remoteDisplayLine(bool enabled, bool running, const std::optional<QString>& error);

// The listing of folder's newest audio files (hidden entries left out), at most limit of them,
// each with its captureSummary. Touches the file system: run it on the scan thread.
QStringList recentFileReport(const std::optional<QString>& folder, const CompiledPattern& regex,
                             int limit);

// What regex captures from name: "no active pattern", "no match", "matches (no capture groups)"
// or "groups: [...]" with each group quoted, or ∅ for a group that took no part.
QString captureSummary(const QString& name, const CompiledPattern& regex);

// The version line's text: the application version, or "unbundled (...)" when none is set.
QString appVersionText();
// The system line: "macOS: VERSION" on a Mac, "OS: NAME (kernel VERSION)" elsewhere.
QString systemLine();

// The line naming the window system the desktop runs on; the desktop sets it once at start,
// before any report. Main thread.
void setWindowSystemLine(const QString& line);
QString windowSystemLine();

// Builds the whole report: the state on the calling (main) thread, the listing on the watcher's
// scan thread after any scan already queued there, then completion on the main thread with the
// report's text (lines joined with "\n", no trailing line feed). completion is dropped when
// context is destroyed before the listing returns. REQUIRES: a QCoreApplication.
void generate(FolderWatcher& watcher, QObject* context,
              std::function<void(const QString& report)> completion);

} // namespace DiagnosticsReport
} // namespace quorvel
