#include "model/DiagnosticsReport.h"

#include "model/FilenamePattern.h"
#include "model/FolderWatcher.h"
#include "model/HandOver.h"
#include "model/RegexSearch.h"
#include "providers/SystemProbe.h"
#include "takes/TakeSheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSysInfo>

#include <algorithm>
#include <memory>

namespace quorvel::DiagnosticsReport {

namespace {

const QString emDash = QStringLiteral("\u2014");

// "+0100": the numeric zone form that the report's generation time ends in.
QString numericZone(const QDateTime& time)
{
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return QStringLiteral("%1%2%3")
        .arg(offset < 0 ? QChar(u'-') : QChar(u'+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString dawSelectionText(const FolderWatcher& watcher)
{
    const std::optional<DAWId> pinned = watcher.dawSelection().manualId();
    if (!pinned)
        return QStringLiteral("auto-detect");
    for (const auto& provider : watcher.providers()) {
        if (provider->id() == *pinned)
            return QStringLiteral("pinned: ") + provider->displayName();
    }
    return QStringLiteral("pinned: ") + rawValue(*pinned);
}

// The pattern of the DAW on display, REAPER's when none is.
CompiledPattern listingPattern(const FolderWatcher& watcher)
{
    DAWId id = DAWId::reaper;
    if (const auto name = watcher.detectedDAWName()) {
        for (const auto& provider : watcher.providers()) {
            if (provider->displayName() == *name) {
                id = provider->id();
                break;
            }
        }
    }
    return watcher.compiledPattern(id);
}

struct AudioEntry
{
    QString name;
    QDateTime modified;
};

} // namespace

const QStringList& audioExtensions()
{
    static const QStringList extensions{
        QStringLiteral("wav"), QStringLiteral("aif"), QStringLiteral("aiff"),
        QStringLiteral("caf"), QStringLiteral("w64"), QStringLiteral("flac"),
        QStringLiteral("ogg"), QStringLiteral("mp3"), QStringLiteral("m4a")};
    return extensions;
}

QString remoteDisplayLine(bool enabled, bool running, const std::optional<QString>& error)
{
    if (!enabled)
        return QStringLiteral("Remote display: off");
    QString line = QStringLiteral("Remote display: on ") + emDash + u' ' +
                   (running ? QStringLiteral("running") : QStringLiteral("not running"));
    if (error)
        line += QStringLiteral(", error: ") + *error;
    return line;
}

QStringList stateLines(const FolderWatcher& watcher, const QDateTime& now,
                       const QString& appVersion, const QString& systemLine)
{
    const std::optional<RecordingPass> take = watcher.lastTake();
    const std::optional<QString> piece = take ? take->pieceName : std::nullopt;
    const std::optional<QString> folder = watcher.effectiveFolderURL();

    QStringList lines;
    lines << QStringLiteral("Quorvel diagnostics");
    lines << QStringLiteral("Generated: ") + now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
                 numericZone(now);
    lines << QStringLiteral("App version: ") + appVersion;
    lines << systemLine << windowSystemLine();
    lines << QString();
    lines << QStringLiteral("DAW selection: ") + dawSelectionText(watcher);
    lines << QStringLiteral("Detected DAW: ") +
                 watcher.detectedDAWName().value_or(QStringLiteral("none"));
    lines << QStringLiteral("Status: ") +
                 (watcher.isRecording() ? QStringLiteral("recording") : QStringLiteral("idle")) +
                 QStringLiteral("; shown: ") + watcher.takeStatusLabel() + u' ' +
                 watcher.displayedRecPass().value_or(emDash);
    lines << QStringLiteral("Last take file: ") + (take ? take->filename : QStringLiteral("none"));
    lines << QStringLiteral("Piece: ") + piece.value_or(emDash);
    lines << QStringLiteral("Project: ") + watcher.detectedProjectName().value_or(emDash) +
                 QStringLiteral(" (") +
                 watcher.detectedProjectPath().value_or(QStringLiteral("no project path")) + u')';
    lines << QStringLiteral("Take derivation: ") + rawValue(watcher.takeDerivation());
    lines << QStringLiteral("Show next take when idle: ") +
                 (watcher.showNextTakeWhenIdle() ? QStringLiteral("on") : QStringLiteral("off"));
    lines << QString();
    lines << QStringLiteral("Folder mode: ") + rawValue(watcher.folderMode());
    lines << QStringLiteral("Effective folder: ") + folder.value_or(QStringLiteral("none"));
    lines << QString();
    lines << QStringLiteral("REAPER regex: ") + watcher.filenamePattern();
    lines << QStringLiteral("Regex is default: ") +
                 (watcher.filenamePattern() == FilenamePattern::defaultPattern()
                      ? QStringLiteral("yes")
                      : QStringLiteral("no"));
    lines << QStringLiteral("Regex error: ") +
                 watcher.filenamePatternError().value_or(QStringLiteral("none"));
    lines << QString();
    lines << remoteDisplayLine(watcher.remoteDisplayEnabled(), watcher.remoteDisplayRunning(),
                               watcher.remoteDisplayError());
    lines << QString();
    return lines;
}

QString captureSummary(const QString& name, const CompiledPattern& regex)
{
    if (!regex)
        return QStringLiteral("no active pattern");
    const std::optional<RegexSearch::Match> match = RegexSearch::firstMatch(regex, name);
    if (!match)
        return QStringLiteral("no match");
    if (match->groups.size() <= 1)
        return QStringLiteral("matches (no capture groups)");
    QStringList items;
    for (size_t index = 1; index < match->groups.size(); ++index) {
        const std::optional<QString>& group = match->groups[index];
        items << (group ? u'"' + *group + u'"' : QStringLiteral("\u2205"));
    }
    return QStringLiteral("groups: [") + items.join(QStringLiteral(", ")) + u']';
}

QStringList recentFileReport(const std::optional<QString>& folder, const CompiledPattern& regex,
                             int limit)
{
    if (!folder)
        return {QStringLiteral("Recent files: no folder to list")};

    // QDir lists an unreadable or missing folder as empty; only a readable folder is a listing.
    const QFileInfo folderInfo(*folder);
    if (!folderInfo.isDir() || !folderInfo.isReadable())
        return {QStringLiteral("Recent files: could not list ") + *folder};

    const QDir dir(*folder);
    // Hidden entries are left out of both counts; System keeps sockets, fifos and broken links in
    // the total, as a plain listing would show them.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);

    std::vector<AudioEntry> audio;
    for (const QFileInfo& entry : entries) {
        if (!audioExtensions().contains(entry.suffix().toLower()))
            continue;
        QDateTime modified = entry.lastModified();
        // An unreadable date sorts the file last, as the oldest possible.
        if (!modified.isValid())
            modified = QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
        audio.push_back({entry.fileName(), modified});
    }
    std::stable_sort(audio.begin(), audio.end(), [](const AudioEntry& a, const AudioEntry& b) {
        return a.modified > b.modified;
    });

    const qsizetype shown =
        std::min<qsizetype>(static_cast<qsizetype>(audio.size()), std::max(limit, 0));
    QStringList lines;
    lines << QStringLiteral("Audio files in %1 (%2 of %3 audio / %4 total files, newest first):")
                 .arg(*folder)
                 .arg(shown)
                 .arg(audio.size())
                 .arg(entries.size());
    if (audio.empty()) {
        lines << QStringLiteral("  (none)");
        return lines;
    }
    for (qsizetype index = 0; index < shown; ++index) {
        const AudioEntry& entry = audio[static_cast<size_t>(index)];
        lines << QStringLiteral("  ") +
                     entry.modified.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                     QStringLiteral("  ") + entry.name + QStringLiteral("  \u2192 ") +
                     captureSummary(entry.name, regex);
    }
    return lines;
}

QString appVersionText()
{
    const QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty())
        return QStringLiteral("unbundled (a development build, not an installed application)");
    return version + QStringLiteral(" (Qt ") + QString::fromLatin1(qVersion()) + u')';
}

namespace {
QString& windowSystemText()
{
    static QString text = QStringLiteral("Window system: none (no display)");
    return text;
}
} // namespace

void setWindowSystemLine(const QString& line)
{
    windowSystemText() = line;
}

QString windowSystemLine()
{
    return windowSystemText();
}

QString systemLine()
{
    if (QSysInfo::kernelType() == QLatin1String("darwin"))
        return QStringLiteral("macOS: ") + QSysInfo::productVersion();
    return QStringLiteral("OS: ") + QSysInfo::prettyProductName() + QStringLiteral(" (kernel ") +
           QSysInfo::kernelVersion() + u')';
}

void generate(FolderWatcher& watcher, QObject* context,
              std::function<void(const QString& report)> completion)
{
    auto lines = std::make_shared<QStringList>(
        stateLines(watcher, QDateTime::currentDateTime(), appVersionText(), systemLine()));
    const CompiledPattern pattern = listingPattern(watcher);
    // The folder the newest take was found in says most about what detection sees; it is the
    // effective folder unless the project records into a folder of its own.
    std::optional<QString> folder = watcher.detectedTakeFolder();
    if (!folder)
        folder = watcher.effectiveFolderURL();

    watcher.runOnScanThread([lines, pattern, folder, receiver = QPointer<QObject>(context),
                             completion = std::move(completion)]() mutable {
        *lines << recentFileReport(folder, pattern, recentFileLimit);
        if (folder) {
            // Whether the scans see this folder's changes as they happen or read it every time.
            *lines << QStringLiteral("Folder listing: ") + SystemProbe::folderListingStatus(*folder);
        }
        *lines << TakeSheet::summaryLine(TakeSheet::defaultPath());
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        handOver(app, [lines, receiver, completion = std::move(completion)] {
            if (receiver && completion)
                completion(lines->join(u'\n'));
        });
    });
}

} // namespace quorvel::DiagnosticsReport
